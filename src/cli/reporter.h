// The command line's side of the reporting interface: the communication log goes to files
// (appended, a whole block at a time) and, with --trace, to standard error as it happens;
// progress goes to a progress sink. The status line is the runner's to read (StatusCapture).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/append_file.h"
#include "cli/progress.h"
#include "serial/reporter.h"

namespace zotpx::cli {

// A file one port's log blocks go to, and what each of their lines starts with there: the
// port ("[/dev/ttyUSB0] ", as --trace shows it) in a file several ports share, nothing in a
// file of its own, which reads as the window's log.
struct LogTarget {
  AppendFile* file = nullptr;
  std::string prefix;
};

// The communication logs of one run, opened before any port: --log FILE, shared by every
// port, and --log-dir DIR, one file per port named by LogFileName (DIR made when missing).
class LogFiles {
 public:
  LogFiles(const std::string& file, const std::string& folder,
           const std::vector<std::string>& ports);
  LogFiles(const LogFiles&) = delete;
  LogFiles& operator=(const LogFiles&) = delete;

  // Why a log cannot be written ("--log-dir logs: Permission denied"); empty when all are open.
  const std::string& error() const { return error_; }
  // Where `port`'s blocks go; `shared_prefix`: whether the --log file takes the port's name.
  std::vector<LogTarget> For(const std::string& port, bool shared_prefix) const;
  // The logs a block could not be written to, and why ("--log x.log: No space left on
  // device"), "; " between them; empty while every block went in.
  std::string WriteFailures() const;

 private:
  std::unique_ptr<AppendFile> shared_;
  std::string shared_name_;
  std::vector<std::pair<std::string, std::unique_ptr<AppendFile>>> own_;  // port, its file
  std::string folder_;
  std::string error_;
};

// The name of a port's log file in --log-dir: "COM3" gives "COM3.log" (on Windows, where that
// name is the port itself, "COM3_.log"; COM10 and above are free); a path loses a leading
// "/dev/" and has its other slashes made "_": "/dev/ttyUSB0" gives "ttyUSB0.log",
// "/dev/serial/by-id/usb-X" "serial_by-id_usb-X.log", "/tmp/sim/tty" "tmp_sim_tty.log".
std::string LogFileName(const std::string& port);

class CliReporter : public Reporter {
 public:
  // `trace_prefix` goes before each traced line (the port, when several run at once); with
  // `times` every line starts with its time (base/log_time.h).
  CliReporter(std::vector<LogTarget> logs, bool trace, std::string trace_prefix,
              ProgressSink* progress, bool times = false)
      : logs_(std::move(logs)),
        trace_(trace),
        trace_prefix_(std::move(trace_prefix)),
        progress_(progress),
        times_(times) {}
  ~CliReporter() override { FlushLog(); }

  void SetStatus(const std::string&) override {}
  void LogBytes(const std::string& title, std::size_t count, const std::uint8_t* bytes) override;
  void LogBytesAt(const std::string& title, std::size_t count, const std::uint8_t* bytes,
                  std::chrono::system_clock::time_point at) override;
  void SetFormEnabled(bool) override {}
  void ProcessEvents() override {}
  void Repaint() override {}
  void BringToFront() override {}
  void Progress(std::size_t done, std::size_t total) override;
  // After an interrupt (Ctrl-C, SIGTERM, SIGHUP).
  bool StopRequested() override;

 private:
  // A line of the block: its time (empty without times) and the line.
  struct Line {
    std::string time;
    std::string line;
  };

  void FlushLog();
  // The block so far, as it would end if a second interrupt came now (cli/interrupt.h).
  void PrepareLastWords();
  // The time a line starts with, or nothing without times; a blank line keeps no blank after it.
  std::string TimeText(std::chrono::system_clock::time_point at, bool blank) const;

  std::vector<LogTarget> logs_;
  bool trace_;
  std::string trace_prefix_;
  ProgressSink* progress_;
  bool times_;
  std::vector<Line> block_;
  std::optional<std::size_t> written_;  // in a memory transfer: the bytes acknowledged so far
};

}  // namespace zotpx::cli
