// The window's checks, one per command, against the table's fields, and the messages they give
// after the command's title.
#pragma once

#include <optional>
#include <string>

#include "base/texts.h"
#include "command/values.h"

namespace zotpx {

// A check's message: its text in the process's language, read where a C string is wanted.
class CheckMessage {
 public:
  // NOLINTNEXTLINE(google-explicit-constructor): written as the text's id.
  constexpr CheckMessage(TextId id) : id_(id) {}
  TextId id() const { return id_; }
  // The catalogue's texts are literals, each ending in a NUL.
  // NOLINTNEXTLINE(google-explicit-constructor)
  operator const char*() const { return Text(id_).data(); }

 private:
  TextId id_;
};
// A title and the message after it.
std::string operator+(std::string title, const CheckMessage& message);

// Date, time, text, the bitmaps and the crosshair.
inline constexpr CheckMessage kInvalidCoordinateText{"command.invalid_coordinate"};
// The area, the rectangle and the circle; the line's names its length too.
inline constexpr CheckMessage kEnterCoordinatesText{"command.enter_coordinates"};
inline constexpr CheckMessage kEnterCoordinatesAndLengthText{
    "command.enter_coordinates_and_length"};
inline constexpr CheckMessage kClockInvalidText{"command.invalid_clock"};
inline constexpr CheckMessage kInvalidDateFormatText{"command.invalid_date_format"};
inline constexpr CheckMessage kInvalidTimeFormatText{"command.invalid_time_format"};
inline constexpr CheckMessage kEmptyStringText{"command.empty_string"};
// Only a caller other than the window can get past the edit box's limit.
inline constexpr CheckMessage kStringTooLongText{"command.string_too_long"};
inline constexpr CheckMessage kBitmapNotLoadedText{"command.bitmap_not_loaded"};
inline constexpr CheckMessage kBitmapBlocksText{"command.bitmap_blocks"};

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
