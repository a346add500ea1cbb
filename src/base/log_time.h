// The time a line of the command line's communication log carries with --log-time: the local
// time with its offset from UTC, to the microsecond, then a blank:
// "2026-01-07T14:03:07.043125+08:00 ". The offset keeps a log that spans a change of summer
// time, or is read in another time zone, in order.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zotpx {

std::string LogTimeText(std::chrono::system_clock::time_point at);
// A line's leading time taken off it, as microseconds since 1970 (UTC); nothing, and the line
// left as it was, when it begins with none.
std::optional<std::int64_t> TakeLogTime(std::string_view& line);

}  // namespace zotpx
