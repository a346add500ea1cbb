// Text for the device is code page 936 (GBK): one byte for ASCII, two for a Chinese character.
// Inside the tool text is UTF-8; these functions are the one place where the two meet.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "serial/frame.h"

namespace zotpx {

struct Cp936Text {
  Bytes bytes;                  // the whole text, when every character converted
  std::string unrepresentable;  // else the first character that did not (UTF-8), or the
                                // offending bytes of malformed UTF-8
  bool ok() const { return unrepresentable.empty(); }
};

// UTF-8 to code page 936. Nothing is replaced or dropped: a character code page 936 cannot
// hold makes the result not ok(), and `bytes` is then empty.
Cp936Text Utf8ToCp936(std::string_view utf8);

// Code page 936 to UTF-8 for showing on screen. A byte or pair that is no character (a lone
// lead byte, a trail byte 0xFF) becomes one U+FFFD, so a row of double-byte cells keeps its
// count of characters.
std::string Cp936ToUtf8Lossy(const Bytes& bytes);

// One character cell of a code page 936 byte string, split as Cp936ToUtf8Lossy splits it: a
// byte below 0x80 is one cell; a lead byte with anything that stands in a trail byte's place
// is one double-byte cell; any other byte is a cell of its own.
struct Cp936Cell {
  std::size_t length = 1;   // 1 or 2 bytes
  char32_t code_point = 0;  // the character, or 0 when the bytes are none
};
std::vector<Cp936Cell> Cp936Cells(std::span<const std::uint8_t> bytes);

// Where code page 936 bytes hold something that is no character: the first such cell (its
// bytes and where it starts) and how many there are in all. Nothing when every cell is one.
struct Cp936Fault {
  Bytes bytes;
  std::size_t offset = 0;
  std::size_t count = 0;
};
std::optional<Cp936Fault> FindCp936Fault(std::span<const std::uint8_t> bytes);
// The whole text in UTF-8, or nothing when any cell of it is no character.
std::optional<std::string> Cp936ToUtf8(std::span<const std::uint8_t> bytes);

// Bytes the UTF-8 text takes in code page 936. A character code page 936 cannot hold counts
// two bytes, so that a limit stays a limit even for text that will be refused later.
std::size_t Cp936ByteCount(std::string_view utf8);

// The longest start of the UTF-8 text, in whole characters, that takes at most `max_bytes`
// bytes in code page 936 (counted as Cp936ByteCount does).
std::string CutToCp936Bytes(std::string_view utf8, std::size_t max_bytes);

// "U+1F600": how a character is named where it might not show.
std::string CodePointName(std::string_view utf8_character);

}  // namespace zotpx
