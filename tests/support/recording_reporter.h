// A reporter that keeps everything a command tells the window, for tests without the window.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "serial/reporter.h"

namespace zotpx::test {

class RecordingReporter : public Reporter {
 public:
  std::vector<std::string> statuses;
  std::vector<std::string> log;
  std::vector<bool> enabled;  // every SetFormEnabled, in order
  int events = 0;
  int fronts = 0;
  std::size_t progress_calls = 0;
  std::pair<std::size_t, std::size_t> last_progress{1, 1};
  // Asks to stop from the (stop_after + 1)-th question on, as an interrupt would.
  std::size_t stop_after = static_cast<std::size_t>(-1);
  std::size_t stop_asks = 0;

  void SetStatus(const std::string& text) override { statuses.push_back(text); }
  void LogBytes(const std::string& title, std::size_t count, const std::uint8_t* bytes) override {
    log.push_back(FormatLogLine(title, count, bytes));
  }
  void SetFormEnabled(bool on) override { enabled.push_back(on); }
  void ProcessEvents() override { ++events; }
  void Repaint() override {}
  void BringToFront() override { ++fronts; }
  void Progress(std::size_t done, std::size_t total) override {
    ++progress_calls;
    last_progress = {done, total};
  }
  bool StopRequested() override { return ++stop_asks > stop_after; }
  std::string Status() const { return statuses.empty() ? std::string() : statuses.back(); }
};

}  // namespace zotpx::test
