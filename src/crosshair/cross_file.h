// The crosshair file: up to 20 full-screen shapes and their common origin, in the fixed
// 262,144-byte image that the crosshair download copies into the device.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/catalogue_text.h"
#include "base/coordinates.h"
#include "base/file_save.h"
#include "graphics/bitmap.h"
#include "graphics/bitmap_decode.h"
#include "serial/frame.h"

namespace zotpx {

// A shape covers the whole screen.
inline constexpr int kCrossShapeWidth = kScreenWidth;
inline constexpr int kCrossShapeHeight = kScreenHeight;
inline constexpr std::size_t kCrossMaxShapes = 20;
// One shape packed: 256 rows of 48 bytes, bit 0 the leftmost pixel of each byte.
inline constexpr std::size_t kCrossSlotSize = 0x3000;
inline constexpr std::size_t kCrossHeaderOffset = 0x3C000;
inline constexpr std::size_t kCrossFileSize = 0x40000;
inline constexpr const char* kCrossFileName = "Cross.bin";

inline constexpr CatalogueText kCrossInvalidOriginText = "crosshair.invalid_origin";
inline constexpr CatalogueText kCrossNoShapesText = "crosshair.no_shapes";
inline constexpr CatalogueText kCrossTooManyShapesText = "crosshair.too_many_shapes";
inline constexpr CatalogueText kCrossDuplicateShapeText = "crosshair.duplicate_shape";
// A listed file that no longer decodes to a full-screen picture.
inline constexpr CatalogueText kCrossBadShapeText = "crosshair.bad_shape";
// The file could not be written where the user chose.
inline constexpr CatalogueText kCrossSaveFailedText = kSaveFailedText;

struct CrossOrigin {
  int x = 192;  // 0..383
  int y = 128;  // 0..255
};

// A shape file is taken into the list only when its header says 384 x 256 at 1 bit per pixel
// (the shared bitmap header check); the picture itself is read again at generation.
inline BitmapFileCheck CheckCrossShapeFile(const std::string& path) {
  return CheckBitmapFile(path, kScreenBitmapLimits);
}

// The origin as typed (X converted first), or nothing when it is not a point of the screen.
std::optional<CrossOrigin> ParseCrossOrigin(std::string_view x_text, std::string_view y_text);

// What a generation checks before it reads any shape: the origin first, then that the list
// has something in it. The failure message, or nothing.
std::optional<std::string> CheckCrossFileRequest(std::string_view x_text, std::string_view y_text,
                                                 std::size_t shape_count);

// Builds the file from scratch: all zero, then each packed shape in its slot, then the
// "PIC " header with the count and the origin (big-endian).
class CrossFileImage {
 public:
  CrossFileImage() : bytes_(kCrossFileSize, 0) {}
  // The slot of shape `index` (0-based), kCrossSlotSize bytes, for packing straight into.
  std::span<std::uint8_t> Slot(std::size_t index);
  // Fills in the header block; `shape_count` is 1..20.
  void Finish(std::size_t shape_count, const CrossOrigin& origin);
  const Bytes& bytes() const { return bytes_; }

 private:
  Bytes bytes_;
};

// How the shape files of a generation were chosen.
enum class CrossShapeList {
  // One by one through the add button, which checked each header then. At generation each is
  // read again and taken by colour, whatever its depth, provided it is 384 x 256.
  Listed,
  // All at once (the command line): each is first checked as the add button checks it, in
  // order: at most 20, readable, a 1-bit 384 x 256 header, not named twice.
  Given,
};

struct CrossFileBuild {
  std::optional<std::string> failure;       // the status-line message after the title
  bool undecodable = false;                 // `failed_shape` cannot be read: error display
  std::optional<std::size_t> failed_shape;  // the shape a failure is about (0-based)
  Bytes image;                              // kCrossFileSize bytes, when built
  DecodedBitmap last_read;                  // the last picture read, for a preview
  bool ok() const { return !failure && !undecodable; }
};

// The crosshair file from the shape paths in list order and the origin as typed: the origin
// first, then the list, then each shape decoded and packed into its slot, then the header.
// Nothing is written anywhere; a failure leaves `image` empty.
CrossFileBuild BuildCrossFile(std::span<const std::string> shapes, std::string_view x_text,
                              std::string_view y_text,
                              CrossShapeList list = CrossShapeList::Listed);

}  // namespace zotpx
