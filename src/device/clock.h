// The computer's local date and time, split the way the clock command sends it.
#pragma once

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

LocalDateTime NowLocal();

}  // namespace zotpx
