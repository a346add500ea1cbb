#include "cli/reporter.h"

#include <unistd.h>

#include <cstdio>

#include "cli/interrupt.h"

namespace zotpx::cli {

namespace {

void WriteAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

}  // namespace

void CliReporter::LogBytes(const std::string& title, std::size_t count, const std::uint8_t* bytes) {
  const std::string line = FormatLogLine(title, count, bytes);
  if (trace_) {
    std::fprintf(stderr, "%s%s\n", line.empty() ? "" : trace_prefix_.c_str(), line.c_str());
    std::fflush(stderr);
  }
  if (log_fd_ < 0) return;
  block_ += line + "\n";
  // A block is appended in one write, so that workers sharing the file never cut into
  // each other's blocks.
  if (line.empty()) FlushLog();
}

void CliReporter::FlushLog() {
  if (log_fd_ >= 0 && !block_.empty()) WriteAll(log_fd_, block_);
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
