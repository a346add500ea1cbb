// The text string: a string in code page 936 placed on the overlay screen at a position, with
// the text attributes, or removed again.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "base/attributes.h"
#include "serial/frame.h"

namespace zotpx {

struct TextStringValues {
  Bytes text;        // code page 936 bytes, sent as they are, no terminator
  std::string left;  // X text as typed, 0..383
  std::string top;   // Y text as typed, 0..255
  TextAttributes attributes;
};

inline constexpr std::uint8_t kTextStringCommand = 0x14;
// The edit box holds this many code page 936 bytes, so the length byte (n + 5) always fits.
inline constexpr std::size_t kTextStringMaxBytes = 200;

inline constexpr const char* kEmptyStringText = "失败：待叠加字符串不能为空";
inline constexpr const char* kStringCoordinateText = "失败：不合法的坐标值";
// Only a caller other than the window can get past the edit box's limit.
inline constexpr const char* kStringTooLongText = "失败：待叠加字符串超过200字节";
// Title + this + the character: the text cannot be sent as code page 936.
inline constexpr const char* kUnrepresentableText = "失败：字符串含有无法转换为GBK编码的字符";

// The first failing check's message: the text is not empty (whatever the coordinates), fits
// the limit, then X and Y are integers, then in range.
std::optional<std::string> CheckTextString(const TextStringValues& values);
// 55 AA 14 n+5, attributes, X and Y high byte first, the text, checksum (n + 10 bytes).
// Meant for values that passed the check.
Bytes TextStringFrame(const TextStringValues& values);

// The status message (after the title) for a text that will not convert: names the first
// character that code page 936 cannot hold, in quotes and by its code point.
std::string UnrepresentableMessage(const std::string& character);

// The text as the operator typed it (UTF-8) into `values.text`, in code page 936. The failure
// message (UnrepresentableMessage) when a character will not convert; `values` is then as it was.
std::optional<std::string> SetTextFromUtf8(TextStringValues& values, std::string_view utf8);

}  // namespace zotpx
