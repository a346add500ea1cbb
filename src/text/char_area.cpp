#include "text/char_area.h"

#include <array>

#include "base/integer_rule.h"

namespace zotpx {

namespace {

struct Corners {
  int left, top, right, bottom;
};

// The four fields in their order; the first that is no integer ends the conversion.
std::optional<Corners> ParseCorners(const CharAreaValues& values) {
  std::array<int, 4> parsed{};
  const std::array<const std::string*, 4> texts{&values.left, &values.top, &values.right,
                                                &values.bottom};
  for (std::size_t i = 0; i < texts.size(); ++i) {
    const std::optional<int> value = ParseInteger(*texts[i]);
    if (!value) return std::nullopt;
    parsed[i] = *value;
  }
  return Corners{parsed[0], parsed[1], parsed[2], parsed[3]};
}

void PutWord(Bytes& data, int value) {
  data.push_back(static_cast<std::uint8_t>(value >> 8));
  data.push_back(static_cast<std::uint8_t>(value));
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
  const bool on_screen = c->left >= 0 && c->left <= 383 && c->top >= 0 && c->top <= 255 &&
                         c->right >= 0 && c->right <= 383 && c->bottom >= 0 && c->bottom <= 255;
  if (!on_screen || c->left > c->right || c->top > c->bottom) return kAreaCoordinateText;
  return std::nullopt;
}

Bytes CharAreaFrame(const CharAreaValues& values) {
  const Corners c = ParseCorners(values).value_or(Corners{0, 0, 0, 0});
  Bytes data;
  data.push_back(AreaAttributeByte(values.layer, values.clear));
  PutWord(data, c.left);
  PutWord(data, c.top);
  PutWord(data, c.right);
  PutWord(data, c.bottom);
  return MakeFrame(kCharAreaCommand, data);
}

}  // namespace zotpx
