#include "base/hex.h"

namespace zotpx {

Bytes HexPairs(std::string_view text) {
  Bytes bytes;
  for (std::size_t i = 0; i < text.size();) {
    const int high = HexDigitValue(static_cast<std::uint8_t>(text[i]));
    const int low =
        i + 1 < text.size() ? HexDigitValue(static_cast<std::uint8_t>(text[i + 1])) : -1;
    if (high >= 0 && low >= 0) {
      bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
      i += 2;
    } else {
      ++i;
    }
  }
  return bytes;
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
