// The command line's side of the reporting interface: the status line becomes the result
// the caller prints, the communication log goes to a file (appended, a whole block at a time)
// and, with --trace, to standard error as it happens; progress goes to a progress sink.
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

  void SetStatus(const std::string& text) override { status_ = text; }
  void LogBytes(const std::string& title, std::size_t count, const std::uint8_t* bytes) override;
  void SetFormEnabled(bool) override {}
  void ProcessEvents() override {}
  void Repaint() override {}
  void BringToFront() override {}
  void Progress(std::size_t done, std::size_t total) override;

  // The status line as the last command left it.
  const std::string& status() const { return status_; }
  // The last line a command logged that was not empty (a download's closing phase line).
  const std::string& last_log_line() const { return last_line_; }
  // Bytes written in the download under way or just ended.
  std::size_t progress_done() const { return done_; }

 private:
  void FlushLog();

  int log_fd_;
  bool trace_;
  std::string trace_prefix_;
  ProgressSink* progress_;
  std::string status_;
  std::string last_line_;
  std::string block_;
  std::size_t done_ = 0;
};

}  // namespace zotpx::cli
