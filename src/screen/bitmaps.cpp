#include <algorithm>

#include "graphics/bitmap.h"
#include "screen/draw.h"

namespace zotpx::screen {

Stamp PackedStamp(int x, int y, int width, int height, std::span<const std::uint8_t> bits,
                  bool edges) {
  Stamp stamp(x, y, width, height);
  const std::size_t row_bytes = RowBytes(static_cast<std::size_t>(width));
  // Rows past the screen, or past the bytes given, have nothing to show.
  const int rows =
      std::min({height, kScreenHeight + 1 - y, static_cast<int>(bits.size() / row_bytes)});
  for (int py = 0; py < rows; ++py) {
    for (std::size_t b = 0; b < row_bytes; ++b) {
      const std::uint8_t byte = bits[static_cast<std::size_t>(py) * row_bytes + b];
      if (!byte) continue;
      for (int bit = 0; bit < 8; ++bit) {
        if ((byte >> bit) & 1) stamp.SetInk(x + static_cast<int>(b) * 8 + bit, y + py);
      }
    }
  }
  if (edges) stamp.AddEdges();
  return stamp;
}

}  // namespace zotpx::screen
