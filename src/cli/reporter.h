// The command line's side of the reporting interface: the communication log goes to a file
// (appended, a whole block at a time) and, with --trace, to standard error as it happens;
// progress goes to a progress sink. The status line is the runner's to read (StatusCapture).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "cli/progress.h"
#include "serial/reporter.h"

namespace zotpx::cli {

class CliReporter : public Reporter {
 public:
  // `log_fd`: an open file to append the log to, or -1. `trace_prefix` goes before each
  // traced line (the port, when several run at once).
  CliReporter(int log_fd, bool trace, std::string trace_prefix, ProgressSink* progress)
      : log_fd_(log_fd),
        trace_(trace),
        trace_prefix_(std::move(trace_prefix)),
        progress_(progress) {}
  ~CliReporter() override { FlushLog(); }

  void SetStatus(const std::string&) override {}
  void LogBytes(const std::string& title, std::size_t count, const std::uint8_t* bytes) override;
  void SetFormEnabled(bool) override {}
  void ProcessEvents() override {}
  void Repaint() override {}
  void BringToFront() override {}
  void Progress(std::size_t done, std::size_t total) override;
  // After an interrupt (Ctrl-C, SIGTERM, SIGHUP).
  bool StopRequested() override;

 private:
  void FlushLog();

  int log_fd_;
  bool trace_;
  std::string trace_prefix_;
  ProgressSink* progress_;
  std::string block_;
};

}  // namespace zotpx::cli
