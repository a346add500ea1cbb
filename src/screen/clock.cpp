#include "screen/clock.h"

#include <cctype>
#include <cstdio>
#include <span>

namespace zotpx::screen {

namespace {

constexpr std::int64_t kDaySeconds = 86400;

// Days since 1970-01-01 of a proleptic Gregorian date, and back (H. Hinnant's algorithms).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2));
}

const std::int64_t kEpochDays = DaysFromCivil(2000, 1, 1);

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

bool StartsWith(std::string_view text, std::size_t at, std::string_view token) {
  if (at + token.size() > text.size()) return false;
  for (std::size_t i = 0; i < token.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[at + i])) != token[i]) return false;
  }
  return true;
}

std::string Digits(int value, int count) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*d", count, value);
  return text;
}

}  // namespace

void DeviceClock::Set(const LocalDateTime& at, std::int64_t now_ms) {
  seconds_at_set_ =
      (DaysFromCivil(at.year, static_cast<unsigned>(at.month), static_cast<unsigned>(at.day)) -
       kEpochDays) *
          kDaySeconds +
      at.hour * 3600 + at.minute * 60 + at.second;
  set_ms_ = now_ms;
}

std::int64_t DeviceClock::ElapsedSeconds(std::int64_t now_ms) const {
  return FloorDiv(now_ms - set_ms_, 1000);
}

LocalDateTime DeviceClock::Now(std::int64_t now_ms) const {
  const std::int64_t seconds = seconds_at_set_ + ElapsedSeconds(now_ms);
  const std::int64_t days = FloorDiv(seconds, kDaySeconds);
  const std::int64_t in_day = seconds - days * kDaySeconds;
  LocalDateTime at;
  CivilFromDays(days + kEpochDays, at.year, at.month, at.day);
  at.hour = static_cast<int>(in_day / 3600);
  at.minute = static_cast<int>(in_day / 60 % 60);
  at.second = static_cast<int>(in_day % 60);
  return at;
}

std::int64_t DeviceClock::NextSecondMs(std::int64_t now_ms) const {
  return set_ms_ + (ElapsedSeconds(now_ms) + 1) * 1000;
}

std::int64_t DeviceClock::NextDayMs(std::int64_t now_ms) const {
  const std::int64_t seconds = seconds_at_set_ + ElapsedSeconds(now_ms);
  const std::int64_t next_day = (FloorDiv(seconds, kDaySeconds) + 1) * kDaySeconds;
  return set_ms_ + (next_day - seconds_at_set_) * 1000;
}

std::string FormatClockField(std::string_view format, bool time, const LocalDateTime& at) {
  struct Token {
    std::string_view letters;
    int value;
    int digits;
  };
  const Token date_tokens[] = {
      {"yyyy", at.year, 4}, {"yy", at.year % 100, 2}, {"mm", at.month, 2}, {"dd", at.day, 2}};
  const Token time_tokens[] = {{"hh", at.hour, 2}, {"mm", at.minute, 2}, {"ss", at.second, 2}};
  const std::span<const Token> tokens =
      time ? std::span<const Token>(time_tokens) : std::span<const Token>(date_tokens);
  std::string text;
  for (std::size_t at_char = 0; at_char < format.size();) {
    bool matched = false;
    for (const Token& token : tokens) {
      if (StartsWith(format, at_char, token.letters)) {
        text += Digits(token.value, token.digits);
        at_char += token.letters.size();
        matched = true;
        break;
      }
    }
    if (!matched) text += format[at_char++];
  }
  return text;
}

}  // namespace zotpx::screen
