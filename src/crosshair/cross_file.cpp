#include "crosshair/cross_file.h"

#include <algorithm>
#include <stdexcept>

#include "base/integer_rule.h"

namespace zotpx {

std::optional<CrossOrigin> ParseCrossOrigin(std::string_view x_text, std::string_view y_text) {
  const std::optional<int> x = ParseInteger(x_text);
  if (!x) return std::nullopt;
  const std::optional<int> y = ParseInteger(y_text);
  if (!y) return std::nullopt;
  if (*x < 0 || *x >= kCrossShapeWidth || *y < 0 || *y >= kCrossShapeHeight) return std::nullopt;
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
  header[5] = static_cast<std::uint8_t>(origin.x >> 8);
  header[6] = static_cast<std::uint8_t>(origin.x);
  header[7] = static_cast<std::uint8_t>(origin.y >> 8);
  header[8] = static_cast<std::uint8_t>(origin.y);
}

}  // namespace zotpx
