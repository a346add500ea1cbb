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
#include <cstdlib>
#include <memory>
#include <span>

#include "base/input_file.h"
#include "screen/screen.h"

namespace zotpx::screen {

namespace {

// Far beyond any picture worth showing under a 384 x 256 overlay.
constexpr std::size_t kPictureFileLimit = 64u << 20;

std::uint32_t Big32(std::span<const std::uint8_t> b, std::size_t at) {
  return std::uint32_t{b[at]} << 24 | std::uint32_t{b[at + 1]} << 16 |
         std::uint32_t{b[at + 2]} << 8 | b[at + 3];
}

std::uint32_t Little(std::span<const std::uint8_t> b, std::size_t at, int bytes) {
  std::uint32_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = value << 8 | b[at + static_cast<std::size_t>(i)];
  return value;
}

// The decoder draws whatever a file cut short lacks as black; so the file must reach its own
// end: a PNG's IEND chunk, a JPEG's end-of-image marker after its scans, a BMP's last row.
bool IsWholePicture(std::span<const std::uint8_t> b) {
  if (b.size() >= 8 && b[0] == 0x89 && b[1] == 'P') {
    for (std::size_t at = 8; at + 12 <= b.size();) {
      const std::uint64_t end = at + 12 + std::uint64_t{Big32(b, at)};
      if (end > b.size()) return false;
      if (Big32(b, at + 4) == 0x49454E44) return true;  // IEND
      at = static_cast<std::size_t>(end);
    }
    return false;
  }
  if (b.size() >= 4 && b[0] == 0xFF && b[1] == 0xD8) {
    for (std::size_t at = 2; at + 1 < b.size();) {
      if (b[at] != 0xFF) return false;
      const std::uint8_t marker = b[at + 1];
      if (marker == 0xD9) return true;
      if (marker == 0xFF || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
        at += marker == 0xFF ? 1 : 2;  // fill byte, or a marker without a length
        continue;
      }
      if (at + 4 > b.size()) return false;
      at += 2 + (std::size_t{b[at + 2]} << 8 | b[at + 3]);
      if (marker != 0xDA) continue;
      // The scan's data: a marker is FF and a byte other than 00 (a stuffed FF) or a restart.
      while (at + 1 < b.size() &&
             !(b[at] == 0xFF && b[at + 1] != 0x00 && (b[at + 1] < 0xD0 || b[at + 1] > 0xD7)))
        ++at;
    }
    return false;
  }
  if (b.size() >= 30 && b[0] == 'B' && b[1] == 'M') {
    const bool core = Little(b, 14, 4) == 12;  // the oldest header, 16-bit sizes
    const std::uint64_t width = core ? Little(b, 18, 2) : Little(b, 18, 4);
    const auto height = static_cast<std::int32_t>(core ? Little(b, 20, 2) : Little(b, 22, 4));
    const std::uint64_t bits = core ? Little(b, 24, 2) : Little(b, 28, 2);
    const std::uint64_t stride = (width * bits + 31) / 32 * 4;
    const std::uint64_t rows = static_cast<std::uint64_t>(std::abs(std::int64_t{height}));
    return Little(b, 10, 4) + stride * rows <= b.size();
  }
  return true;  // the decoder refuses what it does not know
}

}  // namespace

std::optional<Picture> LoadVideoPicture(const std::string& path) {
  return ReadVideoPicture(path).picture;
}

// Any picture stb_image reads, scaled to the screen by averaging the source pixels each screen
// pixel covers (nearest pixel when the picture is smaller).
VideoPicture ReadVideoPicture(const std::string& path) {
  const FileContents file = ReadInputFile(path, kPictureFileLimit);
  if (!file) return {std::nullopt, ReadProblemText(file.problem)};
  if (!IsWholePicture(file.bytes)) return {std::nullopt, "the picture is cut short"};
  int width = 0, height = 0, channels = 0;
  const std::unique_ptr<stbi_uc, void (*)(void*)> pixels(
      stbi_load_from_memory(file.bytes.data(), static_cast<int>(file.bytes.size()), &width, &height,
                            &channels, 3),
      stbi_image_free);
  if (!pixels || width <= 0 || height <= 0)
    return {std::nullopt, "not a PNG, JPEG or BMP picture that can be read"};
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
  return {std::move(picture), {}};
}

}  // namespace zotpx::screen
