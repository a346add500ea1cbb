#include "crosshair/cross_file.h"

#include <algorithm>
#include <stdexcept>

#include "base/coordinates.h"
#include "base/integer_rule.h"

namespace zotpx {

std::optional<CrossOrigin> ParseCrossOrigin(std::string_view x_text, std::string_view y_text) {
  const std::optional<int> x = ParseInteger(x_text);
  if (!x) return std::nullopt;
  const std::optional<int> y = ParseInteger(y_text);
  if (!y || !OnScreen(*x, *y)) return std::nullopt;
  return CrossOrigin{*x, *y};
}

std::optional<std::string> CheckCrossFileRequest(std::string_view x_text, std::string_view y_text,
                                                 std::size_t shape_count) {
  if (!ParseCrossOrigin(x_text, y_text)) return kCrossInvalidOriginText;
  if (shape_count == 0) return kCrossNoShapesText;
  return std::nullopt;
}

std::span<std::uint8_t> CrossFileImage::Slot(std::size_t index) {
  if (index >= kCrossMaxShapes) throw std::out_of_range("crosshair shape slot");
  return std::span<std::uint8_t>(bytes_).subspan(index * kCrossSlotSize, kCrossSlotSize);
}

void CrossFileImage::Finish(std::size_t shape_count, const CrossOrigin& origin) {
  std::uint8_t* header = bytes_.data() + kCrossHeaderOffset;
  std::fill(header, bytes_.data() + bytes_.size(), std::uint8_t{0});
  const char magic[] = "PIC ";
  std::copy(magic, magic + 4, header);
  header[4] = static_cast<std::uint8_t>(shape_count);
  PutBigEndian(header + 5, static_cast<std::uint32_t>(origin.x), 2);
  PutBigEndian(header + 7, static_cast<std::uint32_t>(origin.y), 2);
}

namespace {

// The add button's checks, for a list given all at once.
std::optional<std::string> CheckGivenShape(std::span<const std::string> shapes, std::size_t n) {
  const BitmapFileCheck check = CheckCrossShapeFile(shapes[n]);
  if (check.status != BitmapFileStatus::Ok) return BitmapFileMessage(check.status);
  if (std::find(shapes.begin(), shapes.begin() + static_cast<std::ptrdiff_t>(n), shapes[n]) !=
      shapes.begin() + static_cast<std::ptrdiff_t>(n))
    return kCrossDuplicateShapeText;
  return std::nullopt;
}

}  // namespace

CrossFileBuild BuildCrossFile(std::span<const std::string> shapes, std::string_view x_text,
                              std::string_view y_text, CrossShapeList list) {
  CrossFileBuild built;
  built.failure = CheckCrossFileRequest(x_text, y_text, shapes.size());
  if (!built.failure && shapes.size() > kCrossMaxShapes) built.failure = kCrossTooManyShapesText;
  if (built.failure) return built;
  if (list == CrossShapeList::Given) {
    for (std::size_t n = 0; n < shapes.size(); ++n) {
      if ((built.failure = CheckGivenShape(shapes, n))) {
        built.failed_shape = n;
        return built;
      }
    }
  }
  CrossFileImage file;
  for (std::size_t n = 0; n < shapes.size(); ++n) {
    std::optional<DecodedBitmap> picture = DecodeBitmapFile(shapes[n]);
    if (!picture) {
      built.undecodable = true;
      built.failed_shape = n;
      return built;
    }
    built.last_read = std::move(*picture);
    if (built.last_read.width != kCrossShapeWidth || built.last_read.height != kCrossShapeHeight) {
      built.failure = kCrossBadShapeText;
      built.failed_shape = n;
      return built;
    }
    PackBlackPixels(built.last_read, file.Slot(n));
  }
  file.Finish(shapes.size(), *ParseCrossOrigin(x_text, y_text));
  built.image = file.bytes();
  return built;
}

}  // namespace zotpx
