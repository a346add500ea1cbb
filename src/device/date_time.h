// The date and time display fields: the device draws its own clock in a format the host
// gives, at a position, with the text attributes. One command for both, told apart by a selector.
#pragma once

#include <optional>
#include <string>

#include "base/attributes.h"
#include "serial/frame.h"

namespace zotpx {

enum class ClockField { Date = 0, Time = 1 };

struct DateTimeValues {
  ClockField field = ClockField::Date;
  std::string left;    // X text as typed, 0..383
  std::string top;     // Y text as typed, 0..255
  std::string format;  // passed to the device verbatim: 8 or 10 characters (date), 8 (time)
  TextAttributes attributes;
};

inline constexpr std::uint8_t kDateTimeCommand = 0x12;
inline constexpr const char* kInvalidCoordinateText = "失败：不合法的坐标值";
inline constexpr const char* kInvalidDateFormatText = "失败：不合法的日期格式";
inline constexpr const char* kInvalidTimeFormatText = "失败：不合法的时间格式";

// The first failing check's message: coordinates are integers, then in range, then the
// format's length, then its characters (printable ASCII without space and tilde).
std::optional<std::string> CheckDateTime(const DateTimeValues& values);
// 55 AA 12 19, selector, attributes, position, format length and text, checksum (30 bytes).
// Meant for values that passed the check.
Bytes DateTimeFrame(const DateTimeValues& values);

}  // namespace zotpx
