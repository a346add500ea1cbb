#include "cli/reporter.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "cli/interrupt.h"

namespace zotpx::cli {

namespace {

void WriteAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

int OpenLog(const std::string& path) {
  return open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOCTTY, 0666);
}

}  // namespace

std::string LogFileName(const std::string& port) {
  std::string name = port.rfind("/dev/", 0) == 0 ? port.substr(5) : port;
  while (!name.empty() && (name.front() == '/' || name.rfind("./", 0) == 0))
    name.erase(0, name.front() == '/' ? 1 : 2);
  for (char& c : name)
    if (c == '/') c = '_';
  return name + ".log";
}

LogFiles::LogFiles(const std::string& file, const std::string& folder,
                   const std::vector<std::string>& ports) {
  if (!file.empty() && (shared_ = OpenLog(file)) < 0) {
    error_ = "--log " + file + ": " + std::strerror(errno);
    return;
  }
  if (folder.empty()) return;
  std::error_code made;
  std::filesystem::create_directories(folder, made);
  if (made) {
    error_ = "--log-dir " + folder + ": " + made.message();
    return;
  }
  for (const std::string& port : ports) {
    const std::string name = LogFileName(port);
    for (const auto& [other, fd] : own_)
      if (LogFileName(other) == name) {
        error_ = "--log-dir " + folder + ": " + other + " and " + port + " would share " + name;
        return;
      }
    const std::string path = folder + "/" + name;
    const int fd = OpenLog(path);
    if (fd < 0) {
      error_ = "--log-dir " + folder + ": " + name + ": " + std::strerror(errno);
      return;
    }
    own_.emplace_back(port, fd);
  }
}

LogFiles::~LogFiles() {
  if (shared_ >= 0) close(shared_);
  for (const auto& [port, fd] : own_) close(fd);
}

std::vector<LogTarget> LogFiles::For(const std::string& port, bool shared_prefix) const {
  std::vector<LogTarget> targets;
  if (shared_ >= 0) targets.push_back({shared_, shared_prefix ? "[" + port + "] " : ""});
  for (const auto& [own_port, fd] : own_)
    if (own_port == port) targets.push_back({fd, ""});
  return targets;
}

void CliReporter::LogBytes(const std::string& title, std::size_t count, const std::uint8_t* bytes) {
  const std::string line = FormatLogLine(title, count, bytes);
  if (trace_) {
    std::fprintf(stderr, "%s%s\n", line.empty() ? "" : trace_prefix_.c_str(), line.c_str());
    std::fflush(stderr);
  }
  if (logs_.empty()) return;
  block_.push_back(line);
  // A block is appended in one write, so that workers sharing a file never cut into each
  // other's blocks.
  if (line.empty()) FlushLog();
}

void CliReporter::FlushLog() {
  for (const LogTarget& log : logs_) {
    std::string text;
    for (const std::string& line : block_) text += (line.empty() ? "" : log.prefix) + line + "\n";
    if (!text.empty()) WriteAll(log.fd, text);
  }
  block_.clear();
}

void CliReporter::Progress(std::size_t done, std::size_t total) {
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
