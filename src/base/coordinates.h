// What the commands share about the overlay screen: its size, the one bounds check, the 16-bit
// coordinate encoding (high byte first) and converting typed fields in their order.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "base/bytes.h"
#include "base/integer_rule.h"

namespace zotpx {

inline constexpr int kScreenWidth = 384;
inline constexpr int kScreenHeight = 256;
inline constexpr int kMaxX = kScreenWidth - 1;
inline constexpr int kMaxY = kScreenHeight - 1;

// A pixel of the screen: X 0..383, Y 0..255.
constexpr bool OnScreen(long long x, long long y) {
  return x >= 0 && x <= kMaxX && y >= 0 && y <= kMaxY;
}

inline void PutCoordinate(Bytes& data, int value) {
  data.push_back(static_cast<std::uint8_t>(value >> 8));
  data.push_back(static_cast<std::uint8_t>(value));
}

// Big-endian values inside a frame's data, 16 bits (coordinates, lengths) or 24 (addresses).
inline void PutBigEndian(std::uint8_t* at, std::uint32_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i, value >>= 8) at[i] = static_cast<std::uint8_t>(value);
}
inline std::uint32_t GetBigEndian(const std::uint8_t* at, int bytes) {
  std::uint32_t value = 0;
  for (int i = 0; i < bytes; ++i) value = value << 8 | at[i];
  return value;
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
