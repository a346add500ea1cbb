// The computer's local date and time, split the way the clock command sends it.
#pragma once

#include <chrono>
#include <cstdint>

namespace zotpx {

struct LocalDateTime {
  int year = 2000;
  int month = 1;
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

// The years the device's clock holds: it keeps year - 2000 in one byte, so a year outside
// these would come back as another.
inline constexpr int kClockFirstYear = 2000;
inline constexpr int kClockLastYear = 2255;
// What the clock command sends for a year: (year + 48) mod 256, i.e. year - 2000 for 2000..2255.
std::uint8_t ClockYearByte(int year);

LocalDateTime NowLocal();
// An instant as the computer's time zone shows it.
LocalDateTime LocalTimeOf(std::chrono::sys_seconds instant);

}  // namespace zotpx
