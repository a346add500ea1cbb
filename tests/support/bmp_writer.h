// Windows bitmap files made in the test: any size, 1/4/8/24 bits per pixel, either palette
// order, bottom-up or top-down, from a predicate that says which pixels are dark.
//
//   auto bytes = zotpx::test::MakeBmp({.width = 16, .height = 8},
//                                     [](int x, int y) { return y == 0 && (x == 0 || x == 9); });
//   zotpx::test::WriteFileBytes(path, bytes);
//
// Pixels are "dark" or "light"; the colours of each are parameters, so a near-black palette is
// {.dark = 0x010101}. The 64-byte-header cases (63 bytes, not "BM") are made by editing or
// truncating the result.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "serial/frame.h"

namespace zotpx::test {

struct BmpLayout {
  int width = 8;
  int height = 8;
  int bits_per_pixel = 1;         // 1, 4, 8 (palette) or 24 (true colour)
  bool top_down = false;          // rows stored top first, height field negative
  bool dark_first = true;         // palette: dark at index 0 and light at 1, or the other way round
  std::uint32_t dark = 0x000000;  // 0xRRGGBB
  std::uint32_t light = 0xFFFFFF;  // 0xRRGGBB
};

using DarkPixel = std::function<bool(int x, int y)>;  // x from the left, y from the top

// The whole file: BITMAPFILEHEADER, BITMAPINFOHEADER, palette (2^bpp entries), rows padded to
// 4 bytes.
Bytes MakeBmp(const BmpLayout& layout, const DarkPixel& dark);
// A picture with no dark pixel.
Bytes MakeBmp(const BmpLayout& layout);

bool WriteFileBytes(const std::string& path, const Bytes& bytes);

}  // namespace zotpx::test
