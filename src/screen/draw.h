// Inside the screen model: each kind of object turned into a stamp (screen/plane.h).
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "screen/glyphs.h"
#include "screen/plane.h"

namespace zotpx::screen {

// The text attributes of date, time, text string and crosshair read-out.
struct TextStyle {
  int colour = 0;      // 0..7
  int spacing = 1;     // pixels between characters, 1..4
  bool large = false;  // large font
  bool magnified = false;
  bool hide = false;
};

// The large font is 16 or 24 pixels as the font library in memory says (bytes 11 and 15 of
// its header, equal), else 24.
int LargeFontSize(std::span<const std::uint8_t> memory);
FontFace FaceFor(const TextStyle& style, int large_size);

// A code page 936 string from its top-left corner, left to right, each character in its cell,
// `spacing` pixels apart; magnified, everything doubles (spacing too) but the edge stays one
// pixel. Nothing wraps: what runs past the screen is clipped.
Stamp TextStamp(int x, int y, std::span<const std::uint8_t> text, const TextStyle& style,
                FontFace face);

// A packed 1-bit picture (bit 0 the leftmost pixel, 1 = ink) of width x height at (x, y).
// `edges` adds the one-pixel outline the edge colour modes paint.
Stamp PackedStamp(int x, int y, int width, int height, std::span<const std::uint8_t> bits,
                  bool edges);

// Lines grow right (horizontal) or down (vertical) from their start by their thickness.
Stamp LineStamp(int x, int y, int length, int thickness, bool vertical);
// The corners are the outside of the frame; an outline grows inwards.
Stamp RectStamp(int left, int top, int right, int bottom, int thickness, bool filled);
// Every pixel whose centre lies within radius + 1/2 of the centre; an outline keeps the
// outermost `thickness` rings.
Stamp CircleStamp(int cx, int cy, int radius, int thickness, bool filled);

}  // namespace zotpx::screen
