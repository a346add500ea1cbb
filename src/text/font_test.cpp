#include "text/font_test.h"

namespace zotpx {

std::uint8_t FontTestLead(int block_index) {
  return static_cast<std::uint8_t>(kFontTestFirstLead + block_index);
}

Bytes FontTestRow(std::uint8_t lead, int row) {
  Bytes text;
  text.reserve(2 * kFontTestColumns);
  for (int column = 0; column < kFontTestColumns; ++column) {
    text.push_back(lead);
    text.push_back(static_cast<std::uint8_t>(0xA0 + kFontTestColumns * row + column));
  }
  return text;
}

int FontTestRowTop(int row) {
  return 2 + 26 * row;
}

FontTestNext FontTestAdvance(int block_index, int block_count) {
  if (block_index + 1 >= block_count) return {0, true};
  return {block_index + 1, false};
}

}  // namespace zotpx
