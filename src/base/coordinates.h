// What the graphics commands share about the overlay screen: its size, the 16-bit coordinate
// encoding (high byte first) and converting typed fields in their order.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "base/integer_rule.h"
#include "serial/frame.h"

namespace zotpx {

inline constexpr int kScreenWidth = 384;
inline constexpr int kScreenHeight = 256;

inline void PutCoordinate(Bytes& data, int value) {
  data.push_back(static_cast<std::uint8_t>(value >> 8));
  data.push_back(static_cast<std::uint8_t>(value));
}

// The fields converted in order; the first text that is not an integer ends the conversion.
template <std::size_t N>
std::optional<std::array<int, N>> ParseFields(const std::array<const std::string*, N>& texts) {
  std::array<int, N> values{};
  for (std::size_t i = 0; i < N; ++i) {
    const std::optional<int> value = ParseInteger(*texts[i]);
    if (!value) return std::nullopt;
    values[i] = *value;
  }
  return values;
}

}  // namespace zotpx
