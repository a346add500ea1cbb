#include "device/clock.h"

#include <ctime>

namespace zotpx {

LocalDateTime LocalTimeOf(std::chrono::sys_seconds instant) {
  // The count itself: the system clock counts seconds since 1970 as time_t does, and going
  // through the clock's own finer time point would overflow for years past 2262.
  const auto seconds = static_cast<std::time_t>(instant.time_since_epoch().count());
  std::tm local{};
  localtime_r(&seconds, &local);
  LocalDateTime t;
  t.year = local.tm_year + 1900;
  t.month = local.tm_mon + 1;
  t.day = local.tm_mday;
  t.hour = local.tm_hour;
  t.minute = local.tm_min;
  t.second = local.tm_sec;
  return t;
}

std::uint8_t ClockYearByte(int year) {
  return static_cast<std::uint8_t>(((year + 48) % 256 + 256) % 256);
}

LocalDateTime NowLocal() {
  using namespace std::chrono;
  const auto now = system_clock::now();
  LocalDateTime t = LocalTimeOf(floor<seconds>(now));
  t.millisecond =
      static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
  return t;
}

}  // namespace zotpx
