// What the commands share about the overlay screen: its size, the one bounds check and the
// big-endian encoding of coordinates, lengths and addresses.
#pragma once

#include <cstdint>

namespace zotpx {

inline constexpr int kScreenWidth = 384;
inline constexpr int kScreenHeight = 256;
inline constexpr int kMaxX = kScreenWidth - 1;
inline constexpr int kMaxY = kScreenHeight - 1;

// A pixel of the screen: X 0..383, Y 0..255.
constexpr bool OnScreen(long long x, long long y) {
  return x >= 0 && x <= kMaxX && y >= 0 && y <= kMaxY;
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

}  // namespace zotpx
