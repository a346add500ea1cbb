// The window's checks, one per command, against the table's fields, and the messages they give
// after the command's title.
#pragma once

#include <optional>
#include <string>

#include "base/catalogue_text.h"
#include "command/values.h"

namespace zotpx {

// Date, time, text, the bitmaps and the crosshair.
inline constexpr CatalogueText kInvalidCoordinateText{"command.invalid_coordinate"};
// The area, the rectangle and the circle; the line's names its length too.
inline constexpr CatalogueText kEnterCoordinatesText{"command.enter_coordinates"};
inline constexpr CatalogueText kEnterCoordinatesAndLengthText{
    "command.enter_coordinates_and_length"};
inline constexpr CatalogueText kClockInvalidText{"command.invalid_clock"};
inline constexpr CatalogueText kInvalidDateFormatText{"command.invalid_date_format"};
inline constexpr CatalogueText kInvalidTimeFormatText{"command.invalid_time_format"};
inline constexpr CatalogueText kEmptyStringText{"command.empty_string"};
// Only a caller other than the window can get past the edit box's limit.
inline constexpr CatalogueText kStringTooLongText{"command.string_too_long"};
inline constexpr CatalogueText kBitmapNotLoadedText{"command.bitmap_not_loaded"};
inline constexpr CatalogueText kBitmapBlocksText{"command.bitmap_blocks"};

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
