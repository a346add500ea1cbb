// Hexadecimal digits as the tool reads them wherever a user writes bytes: a log line, a static
// command text, `zotpx send` and `zotpx decode`.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/bytes.h"

namespace zotpx {

// 0..15 for 0-9, A-F, a-f; -1 for anything else.
constexpr int HexDigitValue(std::uint8_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The bytes of a text read the way the static command reader reads a line: two hex digits in a
// row make a byte; anything else (blanks, commas, "0x", a lone digit) is skipped one character
// at a time.
Bytes HexPairs(std::string_view text);

// Whether a text is bytes in hex and nothing else, as a user types them: groups of whole digit
// pairs between blanks and commas, each group perhaps after "0x" ("55 AA", "0x55,0xAA",
// "55AA10"), at least one byte. HexPairs then reads exactly those bytes.
bool IsHexBytes(std::string_view text);

// "55 AA 1B ": two upper-case digits and a blank per byte, as the communication log writes them.
std::string HexText(const std::uint8_t* bytes, std::size_t count);

}  // namespace zotpx
