#include "base/hex.h"

namespace zotpx {

namespace {

// HexDigitValue of every byte, looked up: logs are long.
struct DigitTable {
  signed char value[256];
  constexpr DigitTable() : value() {
    for (int c = 0; c < 256; ++c)
      value[c] = static_cast<signed char>(HexDigitValue(static_cast<std::uint8_t>(c)));
  }
};
constexpr DigitTable kDigits;

}  // namespace

Bytes HexPairs(std::string_view text) {
  Bytes bytes;
  bytes.reserve(text.size() / 3 + 1);
  const auto* p = reinterpret_cast<const std::uint8_t*>(text.data());
  for (std::size_t i = 0; i < text.size();) {
    const int high = kDigits.value[p[i]];
    const int low = i + 1 < text.size() ? kDigits.value[p[i + 1]] : -1;
    if (high >= 0 && low >= 0) {
      bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
      i += 2;
    } else {
      ++i;
    }
  }
  return bytes;
}

bool IsHexBytes(std::string_view text) {
  bool any = false;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] == ' ' || text[i] == ',' || text[i] == '\t') {
      ++i;
      continue;
    }
    if (text.substr(i, 2) == "0x" || text.substr(i, 2) == "0X") i += 2;
    std::size_t digits = 0;
    while (i < text.size() && HexDigitValue(static_cast<std::uint8_t>(text[i])) >= 0) {
      ++digits;
      ++i;
    }
    if (digits == 0 || digits % 2 != 0) return false;
    // A group ends at a separator or the text's end.
    if (i < text.size() && text[i] != ' ' && text[i] != ',' && text[i] != '\t') return false;
    any = true;
  }
  return any;
}

std::string HexText(const std::uint8_t* bytes, std::size_t count) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(count * 3);
  for (std::size_t i = 0; i < count; ++i) {
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 15];
    text += ' ';
  }
  return text;
}

}  // namespace zotpx
