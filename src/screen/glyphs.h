// Inside the screen model: the device's fonts, taken from packaged fonts. The small font and
// the 16-pixel large font come from GNU Unifont, the 24-pixel large font is rasterised in
// monochrome from WenQuanYi Zen Hei with FreeType. Each source is loaded once per process, on
// first use; a missing one draws nothing and is reported once (TakeFontMessages).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zotpx::screen {

enum class FontFace { Small, Large16, Large24 };

// One character cell's ink, width x height, rows top first.
struct Glyph {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> ink;  // 0 or 1 per pixel
  bool At(int x, int y) const { return ink[static_cast<std::size_t>(y) * width + x] != 0; }
};

// Cell sizes: a single-byte character takes a half-width cell, a double-byte one a full cell.
int CellHeight(FontFace face);
int CellWidth(FontFace face, bool double_byte);

// The glyph of `code_point` in its cell (half or full width as `double_byte` says); an empty
// cell when the font lacks the character or could not be loaded. Thread-safe.
Glyph CellGlyph(FontFace face, char32_t code_point, bool double_byte);

// Where the fonts are read from: Debian's font packages on Linux, the fonts folder beside the
// programs on Windows (font_files*.cpp).
std::string UnifontPath();
std::string CjkFontPath();

}  // namespace zotpx::screen
