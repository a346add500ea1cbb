#include "base/printable.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace zotpx {

namespace {

// The length of the well-formed UTF-8 character at `p` (with `left` bytes to the end), and its
// code point; 0 when the bytes there are none.
std::size_t CharacterAt(const unsigned char* p, std::size_t left, char32_t& code) {
  const unsigned char b0 = p[0];
  std::size_t length = 0;
  char32_t min = 0;
  if (b0 < 0x80) {
    code = b0;
    return 1;
  }
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    length = 2, code = b0 & 0x1F, min = 0x80;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    length = 3, code = b0 & 0x0F, min = 0x800;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    length = 4, code = b0 & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (left < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((p[i] & 0xC0) != 0x80) return 0;
    code = (code << 6) | (p[i] & 0x3F);
  }
  if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

const unsigned char* Bytes(std::string_view text) {
  return reinterpret_cast<const unsigned char*>(text.data());
}

// How far from `at` the bytes are plain printable ASCII, eight at a time: a byte below 0x20
// borrows into its top bit, 0x7F carries into it, and one of 0x80 or more has it set already.
// A neighbour's borrow or carry can only stop the run early, never let a byte through.
std::size_t PlainRun(const unsigned char* p, std::size_t size, std::size_t at) {
  constexpr std::uint64_t kOnes = 0x0101010101010101u;
  constexpr std::uint64_t kTops = 0x8080808080808080u;
  while (at + 8 <= size) {
    std::uint64_t w;
    std::memcpy(&w, p + at, 8);
    if (((w - 0x20 * kOnes) | w | (w + kOnes)) & kTops) break;
    at += 8;
  }
  while (at < size && p[at] >= 0x20 && p[at] < 0x7F) ++at;
  return at;
}

// The same for ASCII of any kind.
std::size_t AsciiRun(const unsigned char* p, std::size_t size, std::size_t at) {
  while (at + 8 <= size) {
    std::uint64_t w;
    std::memcpy(&w, p + at, 8);
    if (w & 0x8080808080808080u) break;
    at += 8;
  }
  while (at < size && p[at] < 0x80) ++at;
  return at;
}

bool Reorders(char32_t code) {
  return (code >= 0x202A && code <= 0x202E) || (code >= 0x2066 && code <= 0x2069);
}

bool Harmless(char32_t code) {
  return code >= 0x20 && code != 0x7F && !(code >= 0x80 && code <= 0x9F) && !Reorders(code);
}

void AddByte(std::string& out, std::uint8_t byte) {
  char escaped[8];
  std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
  out += escaped;
}

}  // namespace

bool IsUtf8(std::string_view text) {
  const unsigned char* p = Bytes(text);
  const std::size_t size = text.size();
  for (std::size_t at = 0; at < size;) {
    if (p[at] < 0x80) {
      at = AsciiRun(p, size, at);
      continue;
    }
    char32_t code = 0;
    const std::size_t length = CharacterAt(p + at, size - at, code);
    if (length == 0) return false;
    at += length;
  }
  return true;
}

bool IsPrintableText(std::string_view text) {
  const unsigned char* p = Bytes(text);
  const std::size_t size = text.size();
  for (std::size_t at = 0; at < size;) {
    if (p[at] >= 0x20 && p[at] < 0x7F) {
      at = PlainRun(p, size, at);
      continue;
    }
    char32_t code = 0;
    const std::size_t length = CharacterAt(p + at, size - at, code);
    if (length == 0 || !Harmless(code)) return false;
    at += length;
  }
  return true;
}

std::string PrintableText(std::string_view text) {
  if (IsPrintableText(text)) return std::string(text);
  const unsigned char* p = Bytes(text);
  std::string out;
  out.reserve(text.size() + 16);
  for (std::size_t at = 0; at < text.size();) {
    char32_t code = 0;
    const std::size_t length = CharacterAt(p + at, text.size() - at, code);
    if (length == 0) {
      AddByte(out, p[at++]);
      continue;
    }
    if (Reorders(code)) {
      char escaped[12];
      std::snprintf(escaped, sizeof escaped, "\\u%04X", static_cast<unsigned>(code));
      out += escaped;
    } else if (Harmless(code)) {
      out.append(text.substr(at, length));
    } else {
      for (std::size_t i = 0; i < length; ++i) AddByte(out, p[at + i]);
    }
    at += length;
  }
  return out;
}

std::string QuotedText(std::string_view text) {
  std::string quoted;
  quoted.reserve(text.size() + 2);
  for (const char c : text) {
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return "\"" + PrintableText(quoted) + "\"";
}

}  // namespace zotpx
