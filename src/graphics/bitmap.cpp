#include "graphics/bitmap.h"

#include "serial/memory_transfer.h"

namespace zotpx {

namespace {

bool SizeFits(std::uint32_t value, std::uint32_t low, std::uint32_t high) {
  return value != 0 && value % 8 == 0 && value >= low && value <= high;
}

}  // namespace

std::uint32_t Le32(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return static_cast<std::uint32_t>(bytes[offset]) |
         static_cast<std::uint32_t>(bytes[offset + 1]) << 8 |
         static_cast<std::uint32_t>(bytes[offset + 2]) << 16 |
         static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
}

std::uint16_t Le16(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return static_cast<std::uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}

std::optional<BitmapHeader> ReadBitmapHeader(std::span<const std::uint8_t> first_bytes,
                                             std::uint64_t file_size) {
  if (file_size < kBitmapHeaderSize || first_bytes.size() < kBitmapHeaderSize) return std::nullopt;
  if (first_bytes[0] != 0x42 || first_bytes[1] != 0x4D) return std::nullopt;
  return BitmapHeader{Le32(first_bytes, 18), Le32(first_bytes, 22), Le16(first_bytes, 28)};
}

bool FitsSlot(const BitmapHeader& header, const BitmapLimits& limits) {
  if (header.bits_per_pixel != 1) return false;
  if (!SizeFits(header.width, limits.min_width, limits.max_width)) return false;
  if (!SizeFits(header.height, limits.min_height, limits.max_height)) return false;
  // Both are at most a few hundred here, so the sum cannot wrap.
  return limits.max_sum == 0 || header.width + header.height <= limits.max_sum;
}

BitmapFileCheck CheckBitmapFile(const std::string& path, const BitmapLimits& limits) {
  // FileData opens without waiting and takes only a regular file: a FIFO or a device chosen in
  // the dialog would otherwise hold the window until someone writes to it.
  std::optional<FileData> file = FileData::Open(path);
  if (!file) return {BitmapFileStatus::CannotOpen, {}};
  if (file->size() < kBitmapHeaderSize) return {BitmapFileStatus::Invalid, {}};
  std::uint8_t first[kBitmapHeaderSize] = {};
  if (!file->ReadNext(first, kBitmapHeaderSize)) return {BitmapFileStatus::CannotOpen, {}};
  const std::optional<BitmapHeader> header = ReadBitmapHeader(first, file->size());
  if (!header || !FitsSlot(*header, limits)) return {BitmapFileStatus::Invalid, {}};
  return {BitmapFileStatus::Ok, *header};
}

const char* BitmapFileMessage(BitmapFileStatus status) {
  // The catalogues' texts are literals, each ended by its nul.
  switch (status) {
    case BitmapFileStatus::CannotOpen:
      return kBitmapCannotOpenText.data();
    case BitmapFileStatus::Invalid:
      return kBitmapInvalidText.data();
    case BitmapFileStatus::Ok:
    case BitmapFileStatus::CannotDecode:
      break;
  }
  return "";
}

void PackBlackRow(std::span<const std::uint32_t> pixels, std::span<std::uint8_t> out) {
  const std::size_t bytes = RowBytes(pixels.size());
  for (std::size_t i = 0; i < bytes; ++i) out[i] = 0;
  for (std::size_t x = 0; x < pixels.size(); ++x)
    if ((pixels[x] & 0x00FFFFFFu) == 0) out[x / 8] |= static_cast<std::uint8_t>(1u << (x % 8));
}

Bytes PackedBitmapFile(std::uint32_t width, std::uint32_t height,
                       std::span<const std::uint8_t> packed) {
  constexpr std::uint32_t kHeaders = 14 + 40 + 8;  // file header, info header, two colours
  const std::uint32_t stride = (width + 31) / 32 * 4;
  const std::uint32_t size = kHeaders + stride * height;
  Bytes file(size, 0);
  const auto put = [&file](std::size_t at, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) file[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
  };
  file[0] = 'B';
  file[1] = 'M';
  put(2, size, 4);
  put(10, kHeaders, 4);
  put(14, 40, 4);
  put(18, width, 4);
  put(22, height, 4);  // positive: rows bottom-up
  put(26, 1, 2);       // planes
  put(28, 1, 2);       // bits per pixel
  put(34, stride * height, 4);
  put(38, 2835, 4);  // 72 dpi
  put(42, 2835, 4);
  put(46, 2, 4);             // colours in the palette: 0 black, 1 white
  put(54 + 4, 0xFFFFFF, 3);  // white; black is all zeros already
  const std::size_t row_bytes = RowBytes(width);
  for (std::uint32_t y = 0; y < height; ++y) {
    std::uint8_t* row = file.data() + kHeaders + static_cast<std::size_t>(height - 1 - y) * stride;
    for (std::uint32_t x = 0; x < width; ++x) {
      const std::size_t at = y * row_bytes + x / 8;
      const bool black = at < packed.size() && (packed[at] >> (x % 8) & 1);
      // The file's leftmost pixel is its byte's top bit; a white pixel is colour 1.
      if (!black) row[x / 8] = static_cast<std::uint8_t>(row[x / 8] | 0x80 >> (x % 8));
    }
  }
  return file;
}

}  // namespace zotpx
