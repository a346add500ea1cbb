#include "text/char_area.h"

#include <array>

#include "base/coordinates.h"

namespace zotpx {

namespace {

struct Corners {
  int left, top, right, bottom;
};

// The four fields in their order; the first that is no integer ends the conversion.
std::optional<Corners> ParseCorners(const CharAreaValues& values) {
  const auto parsed = ParseFields<4>({&values.left, &values.top, &values.right, &values.bottom});
  if (!parsed) return std::nullopt;
  return Corners{(*parsed)[0], (*parsed)[1], (*parsed)[2], (*parsed)[3]};
}

}  // namespace

std::uint8_t LayerMask(int layer_index) {
  constexpr std::array<std::uint8_t, 4> kMasks{0x01, 0x02, 0x04, 0x07};
  if (layer_index < 0 || layer_index >= static_cast<int>(kMasks.size())) return 0;
  return kMasks[static_cast<std::size_t>(layer_index)];
}

std::uint8_t AreaAttributeByte(int layer_index, int clear) {
  return static_cast<std::uint8_t>(LayerMask(layer_index) | ((clear & 1) << 7));
}

std::optional<std::string> CheckCharArea(const CharAreaValues& values) {
  const std::optional<Corners> c = ParseCorners(values);
  if (!c) return kAreaCoordinateText;
  if (!OnScreen(c->left, c->top) || !OnScreen(c->right, c->bottom) || c->left > c->right ||
      c->top > c->bottom)
    return kAreaCoordinateText;
  return std::nullopt;
}

Bytes CharAreaFrame(const CharAreaValues& values) {
  const Corners c = ParseCorners(values).value_or(Corners{0, 0, 0, 0});
  Bytes data;
  data.push_back(AreaAttributeByte(values.layer, values.clear));
  for (const int value : {c.left, c.top, c.right, c.bottom}) PutCoordinate(data, value);
  return MakeFrame(kCharAreaCommand, data);
}

}  // namespace zotpx
