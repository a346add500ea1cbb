// How far a download has got, and at what pace: the figures the window's progress bar and the
// command line's progress lines show.
#pragma once

#include <cstddef>

namespace zotpx {

struct ProgressEstimate {
  int percent = 0;
  bool timed = false;  // the rate and the time left are known (something written, time passed)
  double bytes_per_second = 0;
  long seconds_left = 0;
};

inline ProgressEstimate EstimateProgress(std::size_t done, std::size_t total,
                                         double elapsed_seconds) {
  ProgressEstimate e;
  e.percent = total == 0 ? 0 : static_cast<int>(done * 100 / total);
  if (done > 0 && elapsed_seconds > 0) {
    e.timed = true;
    e.bytes_per_second = static_cast<double>(done) / elapsed_seconds;
    e.seconds_left =
        static_cast<long>(static_cast<double>(total - done) / e.bytes_per_second + 0.5);
  }
  return e;
}

}  // namespace zotpx
