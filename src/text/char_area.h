// The character area: fill or clear a rectangle of the overlay screen on one colour layer or
// on all of them.
#pragma once

#include <optional>
#include <string>

#include "serial/frame.h"

namespace zotpx {

struct CharAreaValues {
  std::string left;  // texts as typed; corners inclusive
  std::string top;
  std::string right;
  std::string bottom;
  int layer = 3;  // ComboAreaLayer index: foreground, background, transparent, all
  int clear = 1;  // ComboAreaShow index: 0 fill, 1 clear
};

inline constexpr std::uint8_t kCharAreaCommand = 0x16;
inline constexpr const char* kAreaCoordinateText = "失败：请输入合法的坐标数值";

// The layer list is a bit set, one bit a layer, not the index: 0x01, 0x02, 0x04, 0x07.
std::uint8_t LayerMask(int layer_index);
// Layer mask + fill/clear * 128.
std::uint8_t AreaAttributeByte(int layer_index, int clear);

// The message when the four corners are not integers in this order, out of the screen, or
// the wrong way round.
std::optional<std::string> CheckCharArea(const CharAreaValues& values);
// 55 AA 16 09, attribute, left, top, right, bottom (high byte first), checksum: 14 bytes.
// Meant for values that passed the check.
Bytes CharAreaFrame(const CharAreaValues& values);

}  // namespace zotpx
