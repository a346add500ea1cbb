// Bitmap files as the device takes them: the header check the tool makes on the first 64 bytes
// itself (before any decoder sees the file), the size limits of each picture slot, and packing
// decoded pixels into the device's 1-bit layout.
//
// Packed layout: rows top first, RowBytes(W) bytes a row with no padding between rows; pixel
// (x, y) is bit (x mod 8) of byte y * RowBytes(W) + x / 8, bit 0 the leftmost; a bit is 1 only
// for a pure black pixel (red, green and blue all 0), whatever palette index carries it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "base/catalogue_text.h"
#include "base/coordinates.h"
#include "serial/frame.h"

namespace zotpx {

inline constexpr std::size_t kBitmapHeaderSize = 64;

inline constexpr CatalogueText kBitmapCannotOpenText = "graphics.cannot_open";
inline constexpr CatalogueText kBitmapInvalidText = "graphics.invalid";

// The fields the tool reads, little-endian: width at 18 and height at 22 as unsigned 32-bit
// values (a top-down picture's negative height reads as a huge one), bits per pixel at 28.
struct BitmapHeader {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint16_t bits_per_pixel = 0;
};

// Little-endian fields of a bitmap file at `offset` (which the caller knows to be inside).
std::uint32_t Le32(std::span<const std::uint8_t> bytes, std::size_t offset);
std::uint16_t Le16(std::span<const std::uint8_t> bytes, std::size_t offset);

// `first_bytes` is the whole file or at least its first 64 bytes; `file_size` the file's length.
// Nothing when the file is shorter than 64 bytes or does not begin with "BM".
std::optional<BitmapHeader> ReadBitmapHeader(std::span<const std::uint8_t> first_bytes,
                                             std::uint64_t file_size);

// What a slot accepts. Widths and heights are inclusive; sizes must also be non-zero multiples
// of 8 and the file 1 bit per pixel. `max_sum` limits W + H (0: no such limit).
struct BitmapLimits {
  std::uint32_t min_width = 8;
  std::uint32_t max_width = 0;
  std::uint32_t min_height = 8;
  std::uint32_t max_height = 0;
  std::uint32_t max_sum = 0;
};

// W + H <= 88 keeps every flashing picture within the 240 bytes of one frame (40x48, 48x40).
inline constexpr BitmapLimits kFlashingBitmapLimits{8, 48, 8, 48, 88};
inline constexpr BitmapLimits kOversizedBitmapLimits{8, 128, 8, 128, 0};
inline constexpr BitmapLimits kSingleColourBitmapLimits{8, 192, 8, 128, 0};
// A crosshair shape covers the whole screen.
inline constexpr BitmapLimits kScreenBitmapLimits{kScreenWidth, kScreenWidth, kScreenHeight,
                                                  kScreenHeight, 0};

bool FitsSlot(const BitmapHeader& header, const BitmapLimits& limits);

// The file-level check: open, take the length, read the first 64 bytes, close, then the
// header and the slot's limits. CannotDecode is the decoder's verdict on the whole file
// (graphics/bitmap_decode.h); the header check never gives it.
enum class BitmapFileStatus { Ok, CannotOpen, Invalid, CannotDecode };
struct BitmapFileCheck {
  BitmapFileStatus status = BitmapFileStatus::CannotOpen;
  BitmapHeader header;  // valid when status is Ok
};
BitmapFileCheck CheckBitmapFile(const std::string& path, const BitmapLimits& limits);
// The status-line message after the title for a failed check ("" for Ok and CannotDecode,
// which the error display reports).
const char* BitmapFileMessage(BitmapFileStatus status);

// Bytes a packed row of `width` pixels takes (the slots only take multiples of 8).
constexpr std::size_t RowBytes(std::size_t width) {
  return (width + 7) / 8;
}
constexpr std::size_t PackedSize(std::size_t width, std::size_t height) {
  return RowBytes(width) * height;
}

// A slot's picture as the last successful load left it: W and H in pixels (multiples of 8)
// and the packed bytes, PackedSize(W, H) of them.
struct LoadedBitmap {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  Bytes packed;
};

// The bytes its W and H say a picture takes in a frame: W / 8 a row.
constexpr std::size_t PictureBytes(const LoadedBitmap& picture) {
  return static_cast<std::size_t>(picture.width) / 8 * picture.height;
}

// The block commands send a picture in numbered frames of this many bytes.
inline constexpr std::size_t kBitmapBlockSize = 240;
// Blocks the picture fills, the last one partly.
constexpr std::size_t BitmapBlockCount(const LoadedBitmap& picture) {
  return (PictureBytes(picture) + kBitmapBlockSize - 1) / kBitmapBlockSize;
}

// A packed picture (PackedSize(width, height) bytes) as a Windows bitmap file of 1 bit per
// pixel, black where a bit is set, that a slot loads back to the very same bytes.
Bytes PackedBitmapFile(std::uint32_t width, std::uint32_t height,
                       std::span<const std::uint8_t> packed);

// Packs one row of decoded pixels, each 0xAARRGGBB (alpha ignored), into `out`, which holds at
// least RowBytes(pixels.size()) bytes; those bytes are overwritten.
void PackBlackRow(std::span<const std::uint32_t> pixels, std::span<std::uint8_t> out);

}  // namespace zotpx
