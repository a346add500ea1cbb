#include "crosshair/cross_cmd.h"

#include "base/coordinates.h"
#include "device/date_time.h"

namespace zotpx {

namespace {

struct Point {
  int x = 0;
  int y = 0;
};

// X is converted first; the message is the same whichever of the two fails.
std::optional<Point> ScreenPoint(const std::string& x_text, const std::string& y_text) {
  const auto p = ParseFields<2>({&x_text, &y_text});
  if (!p || !OnScreen((*p)[0], (*p)[1])) return std::nullopt;
  return Point{(*p)[0], (*p)[1]};
}

void AppendPoint(Bytes& data, const Point& p) {
  PutCoordinate(data, p.x);
  PutCoordinate(data, p.y);
}

}  // namespace

std::uint8_t CrossModeByte(int colour, int enable) {
  return static_cast<std::uint8_t>((colour & 1) | (enable & 1) << 7);
}

std::optional<std::string> CheckCrossSettings(const CrossSettings& values) {
  if (!ScreenPoint(values.text_left, values.text_top)) return kInvalidCoordinateText;
  return std::nullopt;
}

std::optional<std::string> CheckCrossMove(const CrossMove& values) {
  if (!ScreenPoint(values.x, values.y)) return kInvalidCoordinateText;
  return std::nullopt;
}

Bytes CrossSettingsFrame(const CrossSettings& values) {
  Bytes data = {CrossModeByte(values.colour, values.enable),
                static_cast<std::uint8_t>(values.shape + 1),
                static_cast<std::uint8_t>(values.key_step + 2), TextAttributeByte(values.text)};
  AppendPoint(data, ScreenPoint(values.text_left, values.text_top).value_or(Point{}));
  return MakeFrame(kCrossSettingsCommand, data);
}

Bytes CrossMoveFrame(const CrossMove& values) {
  Bytes data;
  AppendPoint(data, ScreenPoint(values.x, values.y).value_or(Point{}));
  return MakeFrame(kCrossMoveCommand, data);
}

}  // namespace zotpx
