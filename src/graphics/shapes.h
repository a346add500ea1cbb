// Lines, rectangles and circles: one family of commands that share the attribute byte, the
// coordinate encoding and the reply check, and differ in command, fields and range checks.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "serial/frame.h"

namespace zotpx {

// The four drop-downs every shape has, as selected indexes.
struct ShapeStyle {
  int colour = 0;     // 0 foreground, 1 background
  int thickness = 1;  // pixels - 1
  int mode = 0;       // line: 0 horizontal, 1 vertical; rectangle, circle: 0 outline, 1 filled
  int show = 0;       // 0 draw, 1 delete
};

struct LineValues {
  std::string x = "5";  // texts as typed
  std::string y = "20";
  std::string length = "200";
  ShapeStyle style{1, 1, 0, 0};
};

struct RectValues {
  std::string left = "0";  // corners inclusive
  std::string top = "0";
  std::string right = "383";
  std::string bottom = "255";
  ShapeStyle style;
};

struct CircleValues {
  std::string x = "30";  // centre
  std::string y = "200";
  int radius_index = 20;  // ComboCircleRadius: radius = index + 5
  ShapeStyle style;
};

inline constexpr std::uint8_t kLineCommand = 0x1A;
inline constexpr std::uint8_t kRectCommand = 0x1B;
inline constexpr std::uint8_t kCircleCommand = 0x1C;

inline constexpr const char* kLineInvalidText = "失败：请输入合法的坐标数值和长度";
inline constexpr const char* kShapeInvalidText = "失败：请输入合法的坐标数值";

inline constexpr int kCircleRadiusOffset = 5;
inline constexpr int kCircleMaxRadius = 127;

// colour | thickness * 8 | mode * 64 | show * 128.
std::uint8_t ShapeAttributeByte(const ShapeStyle& style);

// The failure message after the title, or nothing when the command may be sent.
// Line: X 0..383, Y 0..255, length 0..384 whatever the direction (the end is not checked).
std::optional<std::string> CheckLine(const LineValues& values);
// Rectangle: both corners on the screen, left <= right, top <= bottom.
std::optional<std::string> CheckRect(const RectValues& values);
// Circle: wholly on the screen.
std::optional<std::string> CheckCircle(const CircleValues& values);

// Frames for values that passed their check (checksum filled in).
// 55 AA 1A 07, attribute, X, Y, length: 12 bytes.
Bytes LineFrame(const LineValues& values);
// 55 AA 1B 09, attribute, left, top, right, bottom: 14 bytes.
Bytes RectFrame(const RectValues& values);
// 55 AA 1C 06, attribute, X, Y, radius (one byte): 11 bytes.
Bytes CircleFrame(const CircleValues& values);

}  // namespace zotpx
