// Inside the screen model: the device's clock and the date and time fields drawn from it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "device/clock.h"

namespace zotpx::screen {

// Runs on from the moment it was set, whole seconds, years 2000..2255 as the clock command
// carries them (and on past 2255, should it run that long).
class DeviceClock {
 public:
  void Set(const LocalDateTime& at, std::int64_t now_ms);
  LocalDateTime Now(std::int64_t now_ms) const;
  // The next moment the seconds (or the date) change after now_ms.
  std::int64_t NextSecondMs(std::int64_t now_ms) const;
  std::int64_t NextDayMs(std::int64_t now_ms) const;

 private:
  std::int64_t ElapsedSeconds(std::int64_t now_ms) const;
  std::int64_t seconds_at_set_ = 0;  // since 2000-01-01 00:00:00
  std::int64_t set_ms_ = 0;
};

// The field's text from its format: in a date "yyyy" (year), "yy" (last two digits), "mm"
// (month), "dd" (day); in a time "hh", "mm" (minutes), "ss". Letters either case; every other
// character stands for itself.
std::string FormatClockField(std::string_view format, bool time, const LocalDateTime& at);

}  // namespace zotpx::screen
