#include "command/font_test.h"

#include "base/coordinates.h"
#include "command/words.h"

namespace zotpx {

namespace {

Values WithWords(std::string_view command, const std::vector<GivenWord>& words) {
  Values values(*FindRow(command));
  SetFieldWords(values, words, Spelling::Keys);
  return values;
}

}  // namespace

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

Values FontTestArea() {
  return WithWords("area", {{"left", "0"},
                            {"top", "0"},
                            {"right", std::to_string(kMaxX)},
                            {"bottom", std::to_string(kMaxY)},
                            {"layer", "all"},
                            {"clear", "true"}});
}

Values FontTestString(std::uint8_t lead, int row) {
  Values text = WithWords("text", {{"x", std::to_string(kFontTestLeft)},
                                   {"y", std::to_string(FontTestRowTop(row))},
                                   {"colour", "fg"},
                                   {"spacing", "3"},
                                   {"font", "large"},
                                   {"size", "1"},
                                   {"delete", "false"}});
  text["text"].bytes = FontTestRow(lead, row);
  return text;
}

FontTestNext FontTestAdvance(int block_index, int block_count) {
  if (block_index + 1 >= block_count) return {0, true};
  return {block_index + 1, false};
}

}  // namespace zotpx
