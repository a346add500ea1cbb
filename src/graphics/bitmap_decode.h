// Reading bitmap files without a window system: the whole file decoded into pixel colours, and
// the load a bitmap slot makes (header check, decode, packing by the pure-black rule). The
// window, the command line and the crosshair file all read pictures through here, so no two
// of them can pack a file differently.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/catalogue_text.h"
#include "graphics/bitmap.h"
#include "serial/frame.h"

namespace zotpx {

// What the error display says about a file whose header passed but whose picture cannot be
// read, followed by the path.
inline constexpr CatalogueText kBitmapCannotDecodeText = "graphics.cannot_decode";

// A picture as the decoder gives it: every pixel 0xFFRRGGBB, rows top first, no padding.
struct DecodedBitmap {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::vector<std::uint32_t> pixels;
};

// The whole file, any depth the decoder reads (1, 4, 8, 16, 24, 32 bits, uncompressed or with
// bit fields; bottom-up or top-down). Nothing when it is not a regular file, is cut short,
// uses a pixel index beyond its palette, or is not a bitmap the decoder reads.
std::optional<DecodedBitmap> DecodeBitmapFile(const std::string& path);
// The same from the file's bytes in memory.
std::optional<DecodedBitmap> DecodeBitmap(std::span<const std::uint8_t> file);

// The picture packed by the pure-black rule, PackedSize(width, height) bytes.
Bytes PackBlackPixels(const DecodedBitmap& picture);
// The same into `out`, which holds at least PackedSize(width, height) bytes; bytes beyond the
// picture stay as they are.
void PackBlackPixels(const DecodedBitmap& picture, std::span<std::uint8_t> out);

// A bitmap slot's load from the chosen file.
struct BitmapLoad {
  // CannotOpen and Invalid end on the status line (BitmapFileMessage); CannotDecode goes to
  // the error display (kBitmapCannotDecodeText and the path).
  BitmapFileStatus status = BitmapFileStatus::CannotOpen;
  LoadedBitmap bitmap;    // W, H and the packed bytes, when Ok
  DecodedBitmap picture;  // the pixels, for a preview, when Ok
};
// The header check on the first 64 bytes against the slot's limits, then the whole file.
BitmapLoad LoadBitmapFile(const std::string& path, const BitmapLimits& limits);
// The same for a file already read whole (a layout keeps its bitmaps in memory).
BitmapLoad LoadBitmapBytes(std::span<const std::uint8_t> file, const BitmapLimits& limits);

}  // namespace zotpx
