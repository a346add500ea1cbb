#include <algorithm>

#include "screen/draw.h"
#include "text/cp936.h"
#include "text/font_library.h"

namespace zotpx::screen {

int LargeFontSize(std::span<const std::uint8_t> memory) {
  constexpr std::size_t kSizeCode = 15, kSizeCopy = 11;
  if (memory.size() < kFontBase + kFontHeaderSize) return 24;
  const std::uint8_t code = memory[kFontBase + kSizeCode];
  if (code != memory[kFontBase + kSizeCopy]) return 24;
  return code == 16 ? 16 : 24;
}

FontFace FaceFor(const TextStyle& style, int large_size) {
  if (!style.large) return FontFace::Small;
  return large_size == 16 ? FontFace::Large16 : FontFace::Large24;
}

Stamp TextStamp(int x, int y, std::span<const std::uint8_t> text, const TextStyle& style,
                FontFace face) {
  const std::vector<Cp936Cell> cells = Cp936Cells(text);
  const int scale = style.magnified ? 2 : 1;
  int width = 0;
  for (const Cp936Cell& cell : cells) width += CellWidth(face, cell.length == 2);
  if (!cells.empty()) width += style.spacing * static_cast<int>(cells.size() - 1);
  Stamp stamp(x, y, width * scale, CellHeight(face) * scale);
  if (!stamp.span_width()) return stamp;
  int cell_x = x;
  for (const Cp936Cell& cell : cells) {
    if (cell_x > kScreenWidth) break;  // nothing further can show or edge a visible pixel
    const Glyph glyph = CellGlyph(face, cell.code_point, cell.length == 2);
    for (int gy = 0; gy < glyph.height; ++gy) {
      for (int gx = 0; gx < glyph.width; ++gx) {
        if (!glyph.At(gx, gy)) continue;
        for (int s = 0; s < scale * scale; ++s) {
          stamp.SetInk(cell_x + gx * scale + s % scale, y + gy * scale + s / scale);
        }
      }
    }
    cell_x += (glyph.width + style.spacing) * scale;
  }
  stamp.AddEdges();
  return stamp;
}

}  // namespace zotpx::screen
