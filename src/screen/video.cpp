// The decoder is compiled into this file with internal linkage, so the screen library reads
// pictures on its own whatever else in the program embeds stb_image.
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_ONLY_BMP
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#include <stb/stb_image.h>

#include <algorithm>
#include <cstdint>
#include <memory>

#include "screen/screen.h"
#include "serial/memory_transfer.h"

namespace zotpx::screen {

// Any picture stb_image reads, scaled to the screen by averaging the source pixels each screen
// pixel covers (nearest pixel when the picture is smaller).
std::optional<Picture> LoadVideoPicture(const std::string& path) {
  // Read by the tool's own file code, which takes the name as the system writes it.
  std::optional<FileData> file = FileData::Open(path);
  const std::optional<Bytes> bytes = file ? file->ReadAll() : std::nullopt;
  if (!bytes || bytes->size() > static_cast<std::size_t>(INT32_MAX)) return std::nullopt;
  int width = 0, height = 0, channels = 0;
  const std::unique_ptr<stbi_uc, void (*)(void*)> pixels(
      stbi_load_from_memory(bytes->data(), static_cast<int>(bytes->size()), &width, &height,
                            &channels, 3),
      stbi_image_free);
  if (!pixels || width <= 0 || height <= 0) return std::nullopt;
  Picture picture = Picture::Filled(kScreenWidth, kScreenHeight, kBackground);
  for (int y = 0; y < kScreenHeight; ++y) {
    const int y0 = y * height / kScreenHeight;
    const int y1 = std::max(y0 + 1, (y + 1) * height / kScreenHeight);
    for (int x = 0; x < kScreenWidth; ++x) {
      const int x0 = x * width / kScreenWidth;
      const int x1 = std::max(x0 + 1, (x + 1) * width / kScreenWidth);
      unsigned long sum[3] = {0, 0, 0};
      for (int sy = y0; sy < y1; ++sy) {
        const stbi_uc* p = pixels.get() + (static_cast<std::size_t>(sy) * width + x0) * 3;
        for (int sx = x0; sx < x1; ++sx, p += 3) {
          for (int c = 0; c < 3; ++c) sum[c] += p[c];
        }
      }
      const unsigned long n = static_cast<unsigned long>(y1 - y0) * (x1 - x0);
      picture.at(x, y) =
          Rgba(static_cast<std::uint8_t>(sum[0] / n), static_cast<std::uint8_t>(sum[1] / n),
               static_cast<std::uint8_t>(sum[2] / n));
    }
  }
  return picture;
}

}  // namespace zotpx::screen
