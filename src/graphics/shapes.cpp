#include "graphics/shapes.h"

#include <array>
#include <initializer_list>

#include "base/coordinates.h"

namespace zotpx {

namespace {

bool Within(long long value, long long low, long long high) {
  return value >= low && value <= high;
}

std::optional<std::array<int, 3>> ParseLine(const LineValues& v) {
  return ParseFields<3>({&v.x, &v.y, &v.length});
}
std::optional<std::array<int, 4>> ParseRect(const RectValues& v) {
  return ParseFields<4>({&v.left, &v.top, &v.right, &v.bottom});
}
std::optional<std::array<int, 2>> ParseCentre(const CircleValues& v) {
  return ParseFields<2>({&v.x, &v.y});
}

int Radius(const CircleValues& v) {
  return v.radius_index + kCircleRadiusOffset;
}

// The part every shape frame shares: attribute byte, then 16-bit values high byte first.
Bytes ShapeData(const ShapeStyle& style, std::initializer_list<int> coordinates) {
  Bytes data{ShapeAttributeByte(style)};
  for (int value : coordinates) PutCoordinate(data, value);
  return data;
}

}  // namespace

std::uint8_t ShapeAttributeByte(const ShapeStyle& style) {
  return static_cast<std::uint8_t>((style.colour & 7) | (style.thickness & 3) << 3 |
                                   (style.mode & 1) << 6 | (style.show & 1) << 7);
}

std::optional<std::string> CheckLine(const LineValues& values) {
  const auto v = ParseLine(values);
  if (!v || !OnScreen((*v)[0], (*v)[1]) || !Within((*v)[2], 0, kScreenWidth))
    return kLineInvalidText;
  return std::nullopt;
}

std::optional<std::string> CheckRect(const RectValues& values) {
  const auto v = ParseRect(values);
  if (!v) return kShapeInvalidText;
  const auto [left, top, right, bottom] = *v;
  if (!OnScreen(left, top) || !OnScreen(right, bottom) || left > right || top > bottom)
    return kShapeInvalidText;
  return std::nullopt;
}

std::optional<std::string> CheckCircle(const CircleValues& values) {
  const auto v = ParseCentre(values);
  const long long r = Radius(values);
  if (!v || !Within(r, kCircleRadiusOffset, kCircleMaxRadius)) return kShapeInvalidText;
  const long long x = (*v)[0];
  const long long y = (*v)[1];
  if (r > x || x + r > kMaxX || r > y || y + r > kMaxY) return kShapeInvalidText;
  return std::nullopt;
}

Bytes LineFrame(const LineValues& values) {
  const auto v = ParseLine(values).value_or(std::array<int, 3>{});
  return MakeFrame(kLineCommand, ShapeData(values.style, {v[0], v[1], v[2]}));
}

Bytes RectFrame(const RectValues& values) {
  const auto v = ParseRect(values).value_or(std::array<int, 4>{});
  return MakeFrame(kRectCommand, ShapeData(values.style, {v[0], v[1], v[2], v[3]}));
}

Bytes CircleFrame(const CircleValues& values) {
  const auto v = ParseCentre(values).value_or(std::array<int, 2>{});
  Bytes data = ShapeData(values.style, {v[0], v[1]});
  data.push_back(static_cast<std::uint8_t>(Radius(values)));
  return MakeFrame(kCircleCommand, data);
}

}  // namespace zotpx
