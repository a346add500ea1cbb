// Setting the device's real-time clock from the computer's local time.
#pragma once

#include "device/clock.h"
#include "serial/frame.h"

namespace zotpx {

inline constexpr std::uint8_t kClockCommand = 0x11;

// (year + 48) mod 256, i.e. year - 2000 for 2000..2255.
std::uint8_t ClockYearByte(int year);
// 55 AA 11 06, year, month, day, hour, minute, second, checksum. Milliseconds are dropped.
Bytes ClockFrame(const LocalDateTime& now);

}  // namespace zotpx
