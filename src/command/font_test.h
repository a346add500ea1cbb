// The hidden font test: clear the screen, then 8 rows of 12 double-byte characters sharing
// one lead byte, whose trail bytes run 0xA0..0xFF. It sends nothing itself: the window shows
// these values in the area and string groups and runs their commands.
#pragma once

#include <cstdint>

#include "command/values.h"

namespace zotpx {

inline constexpr int kFontTestRows = 8;
inline constexpr int kFontTestColumns = 12;
inline constexpr std::uint8_t kFontTestFirstLead = 0xB0;
inline constexpr int kFontTestBlocks = 72;  // lead bytes 0xB0..0xF7
inline constexpr int kFontTestLeft = 2;

// The lead byte that item `block_index` of the block list stands for.
std::uint8_t FontTestLead(int block_index);
// Row `row` (0..7): 24 bytes, lead byte and trail byte 0xA0 + 12 * row + column for each
// column. Raw bytes, some of which are no GB 2312 character (0xA0, 0xFF).
Bytes FontTestRow(std::uint8_t lead, int row);
// Y of row `row`: 2, 28, ... 184.
int FontTestRowTop(int row);

// The area command first: the whole screen on all layers, cleared.
Values FontTestArea();
// Then the string command for each row: the row's bytes at X 2 and its Y, in the foreground,
// 3 pixels apart, large font, normal size, shown (attribute byte 0x30).
Values FontTestString(std::uint8_t lead, int row);

// The block selected after a run, and whether the run wrapped from the last block to the first.
struct FontTestNext {
  int block_index;
  bool wrapped;
};
FontTestNext FontTestAdvance(int block_index, int block_count = kFontTestBlocks);

}  // namespace zotpx
