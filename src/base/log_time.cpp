#include "base/log_time.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace zotpx {

namespace {

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(int year, int month, int day) {
  return std::chrono::sys_days(std::chrono::year(year) /
                               std::chrono::month(static_cast<unsigned>(month)) /
                               std::chrono::day(static_cast<unsigned>(day)))
      .time_since_epoch()
      .count();
}

bool Digits(const char* text, std::size_t count, int& value) {
  value = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const unsigned digit = static_cast<unsigned char>(text[i]) - '0';
    if (digit > 9) return false;
    value = value * 10 + static_cast<int>(digit);
  }
  return true;
}

}  // namespace

std::string LogTimeText(std::chrono::system_clock::time_point at) {
  using namespace std::chrono;
  const auto us = duration_cast<microseconds>(at.time_since_epoch()).count();
  const std::time_t seconds =
      static_cast<std::time_t>(us >= 0 ? us / 1000000 : (us - 999999) / 1000000);
  const auto fraction = static_cast<int>(us - static_cast<std::int64_t>(seconds) * 1000000);
  std::tm local{};
  localtime_r(&seconds, &local);
  // The offset is what the local fields read as UTC are ahead of the instant.
  const std::int64_t as_utc =
      DaysFromCivil(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) * 86400 +
      local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec;
  const auto offset_minutes = static_cast<long>((as_utc - seconds) / 60);
  const long away = offset_minutes < 0 ? -offset_minutes : offset_minutes;
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%06d%c%02ld:%02ld ",
                local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                local.tm_sec, fraction, offset_minutes < 0 ? '-' : '+', away / 60, away % 60);
  return text;
}

std::optional<std::int64_t> TakeLogTime(std::string_view& line) {
  // 2026-01-07T14:03:07.043125+08:00 and a blank: 33 characters.
  constexpr std::size_t kLength = 33;
  if (line.size() < kLength - 1 || line[4] != '-' || line[10] != 'T') return std::nullopt;
  const char* t = line.data();
  int year, month, day, hour, minute, second, micro, off_hours, off_minutes;
  if (!Digits(t, 4, year) || !Digits(t + 5, 2, month) || t[7] != '-' || !Digits(t + 8, 2, day) ||
      !Digits(t + 11, 2, hour) || t[13] != ':' || !Digits(t + 14, 2, minute) || t[16] != ':' ||
      !Digits(t + 17, 2, second) || t[19] != '.' || !Digits(t + 20, 6, micro) ||
      (t[26] != '+' && t[26] != '-') || !Digits(t + 27, 2, off_hours) || t[29] != ':' ||
      !Digits(t + 30, 2, off_minutes) || (line.size() >= kLength && t[32] != ' '))
    return std::nullopt;
  if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60)
    return std::nullopt;
  const std::int64_t offset = (off_hours * 60 + off_minutes) * (line[26] == '-' ? -1 : 1);
  const std::int64_t seconds =
      DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second - offset * 60;
  line.remove_prefix(std::min(line.size(), kLength));
  return seconds * 1000000 + micro;
}

}  // namespace zotpx
