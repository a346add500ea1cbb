// The window's checks, one per command, against the table's fields, and the messages they give
// after the command's title.
#pragma once

#include <optional>
#include <string>

#include "command/values.h"

namespace zotpx {

// Date, time, text, the bitmaps and the crosshair.
inline constexpr const char* kInvalidCoordinateText = "失败：不合法的坐标值";
// The area, the rectangle and the circle; the line's names its length too.
inline constexpr const char* kEnterCoordinatesText = "失败：请输入合法的坐标数值";
inline constexpr const char* kEnterCoordinatesAndLengthText = "失败：请输入合法的坐标数值和长度";
inline constexpr const char* kClockInvalidText = "失败：不合法的日期时间";
inline constexpr const char* kInvalidDateFormatText = "失败：不合法的日期格式";
inline constexpr const char* kInvalidTimeFormatText = "失败：不合法的时间格式";
inline constexpr const char* kEmptyStringText = "失败：待叠加字符串不能为空";
// Only a caller other than the window can get past the edit box's limit.
inline constexpr const char* kStringTooLongText = "失败：待叠加字符串超过200字节";
// Then the character: the text cannot be sent as code page 936.
inline constexpr const char* kUnrepresentableText = "失败：字符串含有无法转换为GBK编码的字符";
inline constexpr const char* kBitmapNotLoadedText = "失败：请先选择一个位图文件";
inline constexpr const char* kBitmapBlocksText = "失败：不合法的位图";

// The message for a text that will not convert: names the first character that code page 936
// cannot hold, in quotes and by its code point.
std::string UnrepresentableMessage(const std::string& character);

namespace checks {

std::optional<std::string> Clock(const Values& values);
std::optional<std::string> DateTime(const Values& values);
std::optional<std::string> TextString(const Values& values);
std::optional<std::string> Corners(const Values& values);  // area, rectangle
std::optional<std::string> Edits(const Values& values);    // line, crosshair: the edit boxes only
std::optional<std::string> Circle(const Values& values);
std::optional<std::string> Bitmap(const Values& values);

}  // namespace checks

}  // namespace zotpx
