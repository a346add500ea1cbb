#include "graphics/bitmap_decode.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "serial/memory_transfer.h"

// Only the bitmap reader is compiled in, with internal linkage: a file is never taken for
// another format, and nothing clashes with a system copy of the library.
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_BMP
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#include <stb_image.h>
#pragma GCC diagnostic pop

namespace zotpx {

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;  // the smallest info header read here
// Far beyond any picture the device shows; keeps a hostile header from asking for gigabytes.
constexpr std::uint64_t kMaxPixels = std::uint64_t{1} << 24;

struct Layout {
  std::uint32_t pixel_offset = 0;
  std::uint32_t info_size = 0;
  std::uint32_t width = 0;
  std::uint32_t rows = 0;
  bool top_down = false;
  std::uint16_t bits = 0;
  std::uint64_t stride = 0;  // bytes a stored row takes, padded to 4
  std::uint64_t extent = 0;  // where the last row ends
};

// The layouts the decoder reads, judged before it sees the file, so that its gaps are ours to
// close: the info header sizes it knows (it would mis-count the palette of the oldest one),
// no run-length or embedded compression, a size whose rows we can count.
std::optional<Layout> ReadLayout(std::span<const std::uint8_t> head) {
  if (head[0] != 0x42 || head[1] != 0x4D) return std::nullopt;
  Layout layout;
  layout.pixel_offset = Le32(head, 10);
  layout.info_size = Le32(head, 14);
  if (layout.info_size != 40 && layout.info_size != 56 && layout.info_size != 108 &&
      layout.info_size != 124)
    return std::nullopt;
  layout.width = Le32(head, 18);
  const auto height = static_cast<std::int32_t>(Le32(head, 22));
  layout.top_down = height < 0;
  layout.rows = layout.top_down ? 0u - static_cast<std::uint32_t>(height)
                                : static_cast<std::uint32_t>(height);
  layout.bits = Le16(head, 28);
  const std::uint32_t compression = Le32(head, 30);
  const bool packed_colours = layout.bits == 16 || layout.bits == 32;
  if (compression != 0 && !(compression == 3 && packed_colours)) return std::nullopt;
  if (layout.bits != 1 && layout.bits != 4 && layout.bits != 8 && layout.bits != 24 &&
      !packed_colours)
    return std::nullopt;
  if (layout.width == 0 || layout.rows == 0 ||
      std::uint64_t{layout.width} * layout.rows > kMaxPixels)
    return std::nullopt;
  layout.stride = (std::uint64_t{layout.width} * layout.bits + 31) / 32 * 4;
  layout.extent = layout.pixel_offset + layout.stride * layout.rows;
  return layout;
}

// The decoder takes a palette index as it finds it and reads a colour the file never gave
// for an index beyond the palette; such a file is refused instead of packed at random.
bool IndicesWithinPalette(const Layout& layout, std::span<const std::uint8_t> file) {
  if (layout.bits > 8) return true;
  if (layout.pixel_offset < kFileHeaderSize + layout.info_size) return false;
  // Counted as the decoder counts them: whatever lies between the headers and the pixels.
  const std::uint64_t entries = (layout.pixel_offset - kFileHeaderSize - layout.info_size) / 4;
  if (entries == 0) return false;
  if (entries >= (std::uint64_t{1} << layout.bits)) return true;
  const unsigned mask = (1u << layout.bits) - 1;
  for (std::uint32_t row = 0; row < layout.rows; ++row) {
    const std::uint8_t* line = file.data() + layout.pixel_offset + row * layout.stride;
    for (std::uint32_t x = 0; x < layout.width; ++x) {
      const std::uint64_t bit = std::uint64_t{x} * layout.bits;
      const unsigned index = line[bit / 8] >> (8 - layout.bits - bit % 8) & mask;
      if (index >= entries) return false;
    }
  }
  return true;
}

}  // namespace

std::optional<DecodedBitmap> DecodeBitmap(std::span<const std::uint8_t> file) {
  if (file.size() < kFileHeaderSize + kInfoHeaderSize) return std::nullopt;
  const std::optional<Layout> layout = ReadLayout(file);
  // A file cut short would be decoded with its missing rows made up: refused.
  if (!layout || layout->extent > file.size() || layout->extent > INT32_MAX) return std::nullopt;
  if (!IndicesWithinPalette(*layout, file)) return std::nullopt;

  int width = 0;
  int height = 0;
  int channels = 0;
  const std::unique_ptr<stbi_uc, void (*)(void*)> rgb(
      stbi_load_from_memory(file.data(),
                            static_cast<int>(std::max<std::uint64_t>(
                                layout->extent, kFileHeaderSize + kInfoHeaderSize)),
                            &width, &height, &channels, 3),
      stbi_image_free);
  if (!rgb || static_cast<std::uint32_t>(width) != layout->width ||
      static_cast<std::uint32_t>(height) != layout->rows)
    return std::nullopt;
  DecodedBitmap picture{layout->width, layout->rows, {}};
  picture.pixels.resize(std::size_t{picture.width} * picture.height);
  const stbi_uc* p = rgb.get();
  for (std::uint32_t& pixel : picture.pixels) {
    pixel = 0xFF000000u | std::uint32_t{p[0]} << 16 | std::uint32_t{p[1]} << 8 | p[2];
    p += 3;
  }
  return picture;
}

std::optional<DecodedBitmap> DecodeBitmapFile(const std::string& path) {
  // Opens without waiting and only regular files: a FIFO put in a listed file's place cannot
  // hold the caller.
  std::optional<FileData> file = FileData::Open(path);
  if (!file || file->size() < kFileHeaderSize + kInfoHeaderSize) return std::nullopt;
  Bytes bytes(kFileHeaderSize + kInfoHeaderSize);
  if (!file->ReadNext(bytes.data(), bytes.size())) return std::nullopt;
  // Only as far as the pixels reach: whatever follows them is never read.
  const std::optional<Layout> layout = ReadLayout(bytes);
  if (!layout || layout->extent > file->size() || layout->extent > INT32_MAX) return std::nullopt;
  bytes.resize(std::max<std::size_t>(layout->extent, bytes.size()));
  if (!file->ReadNext(bytes.data() + kFileHeaderSize + kInfoHeaderSize,
                      bytes.size() - kFileHeaderSize - kInfoHeaderSize))
    return std::nullopt;
  file->Close();
  return DecodeBitmap(bytes);
}

Bytes PackBlackPixels(const DecodedBitmap& picture) {
  Bytes packed(PackedSize(picture.width, picture.height));
  PackBlackPixels(picture, packed);
  return packed;
}

void PackBlackPixels(const DecodedBitmap& picture, std::span<std::uint8_t> out) {
  const std::size_t row_bytes = RowBytes(picture.width);
  const std::span<const std::uint32_t> pixels(picture.pixels);
  for (std::size_t y = 0; y < picture.height; ++y)
    PackBlackRow(pixels.subspan(y * picture.width, picture.width),
                 out.subspan(y * row_bytes, row_bytes));
}

BitmapLoad LoadBitmapFile(const std::string& path, const BitmapLimits& limits) {
  const BitmapFileCheck check = CheckBitmapFile(path, limits);
  if (check.status != BitmapFileStatus::Ok) return {check.status, {}, {}};
  std::optional<DecodedBitmap> picture = DecodeBitmapFile(path);
  // The file may have changed since its header was read: the picture must be the one checked.
  if (!picture || picture->width != check.header.width || picture->height != check.header.height)
    return {BitmapFileStatus::CannotDecode, {}, {}};
  LoadedBitmap bitmap{picture->width, picture->height, PackBlackPixels(*picture)};
  return {BitmapFileStatus::Ok, std::move(bitmap), std::move(*picture)};
}

BitmapLoad LoadBitmapBytes(std::span<const std::uint8_t> file, const BitmapLimits& limits) {
  const std::optional<BitmapHeader> header = ReadBitmapHeader(file, file.size());
  if (!header || !FitsSlot(*header, limits)) return {BitmapFileStatus::Invalid, {}, {}};
  std::optional<DecodedBitmap> picture = DecodeBitmap(file);
  if (!picture || picture->width != header->width || picture->height != header->height)
    return {BitmapFileStatus::CannotDecode, {}, {}};
  LoadedBitmap bitmap{picture->width, picture->height, PackBlackPixels(*picture)};
  return {BitmapFileStatus::Ok, std::move(bitmap), std::move(*picture)};
}

}  // namespace zotpx
