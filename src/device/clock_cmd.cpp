#include "device/clock_cmd.h"

namespace zotpx {

std::uint8_t ClockYearByte(int year) {
  return static_cast<std::uint8_t>(((year + 48) % 256 + 256) % 256);
}

Bytes ClockFrame(const LocalDateTime& now) {
  auto b = [](int v) { return static_cast<std::uint8_t>(v); };
  return MakeFrame(kClockCommand, {ClockYearByte(now.year), b(now.month), b(now.day), b(now.hour),
                                   b(now.minute), b(now.second)});
}

}  // namespace zotpx
