// The hidden font test: clear the screen, then 8 rows of 12 double-byte characters sharing
// one lead byte, whose trail bytes run 0xA0..0xFF. It sends nothing itself: it sets the area
// and string groups to these values and runs their commands.
#pragma once

#include <cstdint>

#include "base/attributes.h"
#include "serial/frame.h"
#include "text/char_area.h"

namespace zotpx {

inline constexpr int kFontTestRows = 8;
inline constexpr int kFontTestColumns = 12;
inline constexpr std::uint8_t kFontTestFirstLead = 0xB0;
inline constexpr int kFontTestBlocks = 72;  // lead bytes 0xB0..0xF7
inline constexpr int kFontTestLeft = 2;

// The whole screen on all layers, cleared.
inline const CharAreaValues kFontTestArea{"0", "0", "383", "255", 3, 1};
// Foreground, 3 pixels spacing, large font, normal size, show: attribute byte 0x30.
inline constexpr TextAttributes kFontTestAttributes{0, 2, 1, 0, 0};

// The lead byte that item `block_index` of the block list stands for.
std::uint8_t FontTestLead(int block_index);
// Row `row` (0..7): 24 bytes, lead byte and trail byte 0xA0 + 12 * row + column for each
// column. Raw bytes, some of which are no GB 2312 character (0xA0, 0xFF).
Bytes FontTestRow(std::uint8_t lead, int row);
// Y of row `row`: 2, 28, ... 184.
int FontTestRowTop(int row);

// The block selected after a run, and whether the run wrapped from the last block to the first.
struct FontTestNext {
  int block_index;
  bool wrapped;
};
FontTestNext FontTestAdvance(int block_index, int block_count = kFontTestBlocks);

}  // namespace zotpx
