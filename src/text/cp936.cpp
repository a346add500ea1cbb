#include "text/cp936.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <optional>
#include <unordered_map>

#include "text/cp936_convert.h"

namespace zotpx {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD
// What a character code page 936 cannot hold counts toward a byte limit.
constexpr std::size_t kUnrepresentableWeight = 2;

// One converter each way for the thread's life: opening one costs more than converting a text.
Cp936Converter& ConverterFor(Cp936Direction direction) {
  thread_local Cp936Converter to(Cp936Direction::ToCp936);
  thread_local Cp936Converter from(Cp936Direction::FromCp936);
  return direction == Cp936Direction::ToCp936 ? to : from;
}

bool IsContinuation(unsigned char byte) {
  return (byte & 0xC0) == 0x80;
}

// Bytes of the UTF-8 character at the start of `s` (not empty): 2..4 for a well-formed lead
// byte with its continuation bytes, else 1 (ASCII, or a stray byte that will not convert).
std::size_t CharacterLength(std::string_view s) {
  const auto lead = static_cast<unsigned char>(s[0]);
  std::size_t length = 1;
  if (lead >= 0xC2 && lead <= 0xDF)
    length = 2;
  else if (lead >= 0xE0 && lead <= 0xEF)
    length = 3;
  else if (lead >= 0xF0 && lead <= 0xF4)
    length = 4;
  if (length > s.size()) return 1;
  for (std::size_t i = 1; i < length; ++i) {
    if (!IsContinuation(static_cast<unsigned char>(s[i]))) return 1;
  }
  return length;
}

// Code page 936 bytes of one UTF-8 character, or nothing.
std::optional<std::string> CharacterToCp936(Cp936Converter& converter, std::string_view character) {
  if (static_cast<unsigned char>(character[0]) < 0x80) return std::string(character);
  return converter.Convert(character);
}

std::size_t CharacterWeight(Cp936Converter& converter, std::string_view character) {
  if (static_cast<unsigned char>(character[0]) < 0x80) return 1;
  const std::optional<std::string> bytes = converter.Convert(character);
  return bytes ? bytes->size() : kUnrepresentableWeight;
}

// A lead byte and anything that stands in a trail byte's place make one double-byte cell.
std::size_t CellLength(std::span<const std::uint8_t> bytes, std::size_t at) {
  const std::uint8_t lead = bytes[at];
  if (lead >= 0x81 && lead <= 0xFE && at + 1 < bytes.size() && bytes[at + 1] >= 0x40 &&
      bytes[at + 1] != 0x7F) {
    return 2;
  }
  return 1;
}

// The code point of one well-formed UTF-8 character (as iconv writes them).
char32_t DecodeUtf8(std::string_view s) {
  const auto lead = static_cast<unsigned char>(s[0]);
  const std::size_t length = CharacterLength(s);
  if (length == 1) return lead < 0x80 ? lead : 0;
  char32_t code = lead & (0xFFu >> (length + 1));
  for (std::size_t i = 1; i < length; ++i) {
    code = (code << 6) | (static_cast<unsigned char>(s[i]) & 0x3Fu);
  }
  return code;
}

// One cell (1 or 2 bytes from `at`) in UTF-8, or nothing when it is no character. Cells are
// remembered: a log holds the same few characters again and again.
const std::optional<std::string>& CellToUtf8(std::span<const std::uint8_t> bytes, std::size_t at,
                                             std::size_t length) {
  thread_local std::unordered_map<std::uint32_t, std::optional<std::string>> known;
  const std::uint32_t key =
      length == 2 ? (std::uint32_t{bytes[at]} << 8 | bytes[at + 1]) : 0x10000u | bytes[at];
  const auto found = known.find(key);
  if (found != known.end()) return found->second;
  return known[key] = ConverterFor(Cp936Direction::FromCp936)
                          .Convert(std::string_view(
                              reinterpret_cast<const char*>(bytes.data() + at), length));
}

}  // namespace

Cp936Text Utf8ToCp936(std::string_view utf8) {
  Cp936Converter& converter = ConverterFor(Cp936Direction::ToCp936);
  Cp936Text result;
  for (std::size_t at = 0; at < utf8.size();) {
    const std::string_view character = utf8.substr(at, CharacterLength(utf8.substr(at)));
    const std::optional<std::string> bytes = CharacterToCp936(converter, character);
    if (!bytes) {
      result.bytes.clear();
      result.unrepresentable = std::string(character);
      return result;
    }
    result.bytes.insert(result.bytes.end(), bytes->begin(), bytes->end());
    at += character.size();
  }
  return result;
}

std::string Cp936ToUtf8Lossy(const Bytes& bytes) {
  std::string text;
  for (std::size_t at = 0; at < bytes.size();) {
    const std::uint8_t lead = bytes[at];
    if (lead < 0x80) {
      text += static_cast<char>(lead);
      ++at;
      continue;
    }
    const std::size_t length = CellLength(bytes, at);
    const std::optional<std::string>& decoded = CellToUtf8(bytes, at, length);
    text += decoded ? std::string_view(*decoded) : kReplacement;
    at += length;
  }
  return text;
}

std::vector<Cp936Cell> Cp936Cells(std::span<const std::uint8_t> bytes) {
  std::vector<Cp936Cell> cells;
  for (std::size_t at = 0; at < bytes.size();) {
    Cp936Cell cell;
    if (bytes[at] < 0x80) {
      cell.code_point = bytes[at];
    } else {
      cell.length = CellLength(bytes, at);
      const std::optional<std::string>& decoded = CellToUtf8(bytes, at, cell.length);
      if (decoded) cell.code_point = DecodeUtf8(*decoded);
    }
    cells.push_back(cell);
    at += cell.length;
  }
  return cells;
}

std::optional<Cp936Fault> FindCp936Fault(std::span<const std::uint8_t> bytes) {
  // ASCII alone, as most texts are, needs no converter.
  if (std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b < 0x80; }))
    return std::nullopt;
  std::optional<Cp936Fault> fault;
  std::size_t at = 0;
  for (const Cp936Cell& cell : Cp936Cells(bytes)) {
    if (cell.code_point == 0 && bytes[at] >= 0x80) {
      if (!fault)
        fault = Cp936Fault{Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                                 bytes.begin() + static_cast<std::ptrdiff_t>(at + cell.length)),
                           at, 0};
      ++fault->count;
    }
    at += cell.length;
  }
  return fault;
}

std::optional<std::string> Cp936ToUtf8(std::span<const std::uint8_t> bytes) {
  std::string text;
  for (std::size_t at = 0; at < bytes.size();) {
    if (bytes[at] < 0x80) {
      text += static_cast<char>(bytes[at++]);
      continue;
    }
    const std::size_t length = CellLength(bytes, at);
    const std::optional<std::string>& decoded = CellToUtf8(bytes, at, length);
    if (!decoded) return std::nullopt;
    text += *decoded;
    at += length;
  }
  return text;
}

std::size_t Cp936ByteCount(std::string_view utf8) {
  Cp936Converter& converter = ConverterFor(Cp936Direction::ToCp936);
  std::size_t count = 0;
  for (std::size_t at = 0; at < utf8.size();) {
    const std::size_t length = CharacterLength(utf8.substr(at));
    count += CharacterWeight(converter, utf8.substr(at, length));
    at += length;
  }
  return count;
}

std::string CutToCp936Bytes(std::string_view utf8, std::size_t max_bytes) {
  Cp936Converter& converter = ConverterFor(Cp936Direction::ToCp936);
  std::size_t count = 0;
  std::size_t at = 0;
  while (at < utf8.size()) {
    const std::size_t length = CharacterLength(utf8.substr(at));
    const std::size_t weight = CharacterWeight(converter, utf8.substr(at, length));
    if (count + weight > max_bytes) break;
    count += weight;
    at += length;
  }
  return std::string(utf8.substr(0, at));
}

std::string CodePointName(std::string_view utf8_character) {
  if (utf8_character.empty()) return {};
  const std::size_t length = CharacterLength(utf8_character);
  const auto lead = static_cast<unsigned char>(utf8_character[0]);
  unsigned long code = lead;
  if (length > 1) {
    code = lead & (0xFFu >> (length + 1));
    for (std::size_t i = 1; i < length; ++i) {
      code = (code << 6) | (static_cast<unsigned char>(utf8_character[i]) & 0x3Fu);
    }
  } else if (lead >= 0x80) {
    // Not a character at all: name the byte.
    char name[8];
    std::snprintf(name, sizeof name, "0x%02X", lead);
    return name;
  }
  char name[16];
  std::snprintf(name, sizeof name, "U+%04lX", code);
  return name;
}

}  // namespace zotpx
