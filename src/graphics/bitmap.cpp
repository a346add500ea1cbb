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
  switch (status) {
    case BitmapFileStatus::CannotOpen:
      return kBitmapCannotOpenText;
    case BitmapFileStatus::Invalid:
      return kBitmapInvalidText;
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

}  // namespace zotpx
