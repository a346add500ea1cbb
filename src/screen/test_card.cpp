#include "screen/screen.h"

namespace zotpx::screen {

// Colour bars in the top two thirds, a grey ramp below, a white grid every 32 pixels and a
// small centre cross: enough to see where the overlay is transparent and how it lines up.
Picture TestCard() {
  static constexpr std::uint32_t kBars[8] = {Rgba(0xC0, 0xC0, 0xC0), Rgba(0xC0, 0xC0, 0x00),
                                             Rgba(0x00, 0xC0, 0xC0), Rgba(0x00, 0xC0, 0x00),
                                             Rgba(0xC0, 0x00, 0xC0), Rgba(0xC0, 0x00, 0x00),
                                             Rgba(0x00, 0x00, 0xC0), Rgba(0x10, 0x10, 0x10)};
  Picture card = Picture::Filled(kScreenWidth, kScreenHeight, kBars[7]);
  const int bars_end = kScreenHeight * 2 / 3;
  for (int y = 0; y < kScreenHeight; ++y) {
    for (int x = 0; x < kScreenWidth; ++x) {
      std::uint32_t colour;
      if (y < bars_end) {
        colour = kBars[x * 8 / kScreenWidth];
      } else {
        const auto level = static_cast<std::uint8_t>(x * 255 / (kScreenWidth - 1));
        colour = Rgba(level, level, level);
      }
      if (x % 32 == 0 || y % 32 == 0) colour = Rgba(0x60, 0x60, 0x60);
      if ((x == kScreenWidth / 2 && y > kScreenHeight / 2 - 8 && y < kScreenHeight / 2 + 8) ||
          (y == kScreenHeight / 2 && x > kScreenWidth / 2 - 8 && x < kScreenWidth / 2 + 8)) {
        colour = Rgba(0xFF, 0xFF, 0x00);
      }
      card.at(x, y) = colour;
    }
  }
  return card;
}

}  // namespace zotpx::screen
