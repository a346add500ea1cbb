#include "cli/reporter.h"

#include <cstdio>
#include <filesystem>

#include "base/console.h"
#include "base/file_names.h"
#include "base/log_time.h"
#include "base/paths.h"
#include "cli/interrupt.h"
#include "serial/memory_transfer.h"
#include "serial/port_name.h"
#include "serial/transaction.h"

namespace zotpx::cli {

namespace {

std::unique_ptr<AppendFile> OpenLog(const std::string& path) {
  auto file = std::make_unique<AppendFile>();
  file->Open(path);
  return file;
}

}  // namespace

std::string LogFileName(const std::string& port) {
  // "\\.\COM3" and "com3" are COM3.
  if (const PortName com = ParsePortName(port); com.kind == PortName::Kind::Com)
    return UsableFileName(com.text + ".log");
  std::string name = port.rfind("/dev/", 0) == 0 ? port.substr(5) : port;
  while (!name.empty() && (name.front() == '/' || name.rfind("./", 0) == 0))
    name.erase(0, name.front() == '/' ? 1 : 2);
  for (char& c : name)
    if (c == '/') c = '_';
  return UsableFileName(name + ".log");
}

LogFiles::LogFiles(const std::string& file, const std::string& folder,
                   const std::vector<std::string>& ports) {
  shared_name_ = file;
  folder_ = folder;
  if (!file.empty()) {
    shared_ = OpenLog(file);
    if (!shared_->error().empty()) {
      error_ = "--log " + file + ": " + shared_->error();
      return;
    }
  }
  if (folder.empty()) return;
  std::error_code made;
  std::filesystem::create_directories(SystemPath(folder), made);
  if (made) {
    error_ = "--log-dir " + folder + ": " + made.message();
    return;
  }
  for (const std::string& port : ports) {
    const std::string name = LogFileName(port);
    for (const auto& [other, unused] : own_)
      if (LogFileName(other) == name) {
        error_ = "--log-dir " + folder + ": " + other + " and " + port + " would share " + name;
        return;
      }
    std::unique_ptr<AppendFile> own = OpenLog(PathInFolder(folder, name));
    if (!own->error().empty()) {
      error_ = "--log-dir " + folder + ": " + name + ": " + own->error();
      return;
    }
    own_.emplace_back(port, std::move(own));
  }
}

std::vector<LogTarget> LogFiles::For(const std::string& port, bool shared_prefix) const {
  std::vector<LogTarget> targets;
  if (shared_) targets.push_back({shared_.get(), shared_prefix ? "[" + port + "] " : ""});
  for (const auto& [own_port, file] : own_)
    if (own_port == port) targets.push_back({file.get(), ""});
  return targets;
}

namespace {

// The lines of a block as a log file holds them: each after its time, and each but the blank one
// after its prefix.
template <typename Lines>
std::string BlockText(const Lines& lines, const std::string& prefix) {
  std::string text;
  for (const auto& [time, line] : lines) text += time + (line.empty() ? "" : prefix) + line + "\n";
  return text;
}

}  // namespace

std::string LogFiles::WriteFailures() const {
  std::string failures;
  const auto add = [&failures](const std::string& name, const AppendFile& file) {
    if (file.failed()) failures += (failures.empty() ? "" : "; ") + name + ": " + file.error();
  };
  if (shared_) add("--log " + shared_name_, *shared_);
  for (const auto& [port, file] : own_)
    add("--log-dir " + folder_ + ": " + LogFileName(port), *file);
  return failures;
}

void CliReporter::LogBytes(const std::string& title, std::size_t count, const std::uint8_t* bytes) {
  LogBytesAt(title, count, bytes, std::chrono::system_clock::now());
}

std::string CliReporter::TimeText(std::chrono::system_clock::time_point at, bool blank) const {
  if (!times_) return {};
  std::string time = LogTimeText(at);
  if (blank) time.pop_back();
  return time;
}

void CliReporter::LogBytesAt(const std::string& title, std::size_t count, const std::uint8_t* bytes,
                             std::chrono::system_clock::time_point at) {
  const std::string line = FormatLogLine(title, count, bytes);
  const std::string time = TimeText(at, line.empty());
  if (trace_) {
    PrintText(stderr, "%s%s%s\n", time.c_str(), line.empty() ? "" : trace_prefix_.c_str(),
              line.c_str());
    std::fflush(stderr);
  }
  if (logs_.empty() && !trace_) return;
  block_.push_back({time, line});
  // A block is appended in one write, so that workers sharing a file never cut into each
  // other's blocks.
  if (line.empty())
    FlushLog();
  else
    PrepareLastWords();
}

void CliReporter::FlushLog() {
  WriteInsteadOfLastWords([this] {
    for (const LogTarget& log : logs_)
      if (const std::string text = BlockText(block_, log.prefix); !text.empty())
        log.file->Append(text);
  });
  block_.clear();
  written_.reset();
}

void CliReporter::PrepareLastWords() {
  // The line the block would have ended with, had the command stopped at its next request.
  const std::string stopped =
      written_ ? InterruptedTransferText(*written_) : std::string(kInterruptedLogLine);
  const auto now = std::chrono::system_clock::now();
  std::vector<Line> lines = block_;
  if (lines.back().line != stopped) lines.push_back({TimeText(now, false), stopped});
  lines.push_back({TimeText(now, true), ""});
  auto words = std::make_unique<LastWords>();
  for (const LogTarget& log : logs_)
    words->logs.emplace_back(log.file, BlockText(lines, log.prefix));
  if (trace_)
    words->trace = BlockText(std::vector<Line>(lines.end() - 2, lines.end()), trace_prefix_);
  SetLastWords(std::move(words));
}

void CliReporter::Progress(std::size_t done, std::size_t total) {
  if (total != 0 && !block_.empty()) {
    written_ = done;
    PrepareLastWords();
  }
  if (!progress_) return;
  if (total == 0)
    progress_->Finish();
  else
    progress_->Update(done, total);
}

bool CliReporter::StopRequested() {
  return InterruptSignal() != 0;
}

}  // namespace zotpx::cli
