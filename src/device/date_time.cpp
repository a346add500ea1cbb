#include "device/date_time.h"

#include <algorithm>

#include "base/coordinates.h"

namespace zotpx {

namespace {

constexpr std::size_t kFormatSlots = 10;

bool FormatLengthAllowed(ClockField field, std::size_t length) {
  return length == 8 || (field == ClockField::Date && length == 10);
}

// Bytes 33..125 only: no space, tilde, DEL, and nothing outside ASCII.
bool FormatCharactersAllowed(const std::string& format) {
  for (const char c : format) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 33 || byte > 125) return false;
  }
  return true;
}

}  // namespace

std::optional<std::string> CheckDateTime(const DateTimeValues& values) {
  const std::optional<int> x = ParseInteger(values.left);
  const std::optional<int> y = ParseInteger(values.top);
  if (!x || !y) return kInvalidCoordinateText;
  if (!OnScreen(*x, *y)) return kInvalidCoordinateText;
  const char* format_message =
      values.field == ClockField::Date ? kInvalidDateFormatText : kInvalidTimeFormatText;
  // A non-ASCII character takes more than one byte here, but it fails the character check
  // with the same message whatever its length, so counting bytes decides exactly as
  // counting characters would.
  if (!FormatLengthAllowed(values.field, values.format.size())) return format_message;
  if (!FormatCharactersAllowed(values.format)) return format_message;
  return std::nullopt;
}

Bytes DateTimeFrame(const DateTimeValues& values) {
  const int x = ParseInteger(values.left).value_or(0);
  const int y = ParseInteger(values.top).value_or(0);
  Bytes data(25, 0);
  data[0] = static_cast<std::uint8_t>(values.field);
  data[1] = TextAttributeByte(values.attributes);
  PutBigEndian(&data[5], static_cast<std::uint32_t>(x), 2);
  PutBigEndian(&data[7], static_cast<std::uint32_t>(y), 2);
  const std::size_t length = std::min(values.format.size(), kFormatSlots);
  data[13] = static_cast<std::uint8_t>(length);
  for (std::size_t i = 0; i < length; ++i)
    data[14 + i] = static_cast<std::uint8_t>(values.format[i]);
  return MakeFrame(kDateTimeCommand, data);
}

}  // namespace zotpx
