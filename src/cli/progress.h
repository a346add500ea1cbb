// Download progress on the command line: a bar redrawn in place on a terminal, plain
// percentage lines anywhere else, and the text both share (per cent, KB/s, time left).
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <string>

namespace zotpx::cli {

// "45%  42.1 KB/s  0:12 left" after `done` of `total` bytes in `elapsed`.
std::string ProgressFigures(std::size_t done, std::size_t total,
                            std::chrono::steady_clock::duration elapsed);
// "[##########..........]" of `width` cells.
std::string ProgressBar(std::size_t done, std::size_t total, int width);

// Whoever shows progress: Update for each block written, Finish once the download has ended.
class ProgressSink {
 public:
  virtual ~ProgressSink() = default;
  virtual void Update(std::size_t done, std::size_t total) = 0;
  virtual void Finish() = 0;
};

// One line on a terminal, redrawn in place; ends with a line break.
class TerminalProgress : public ProgressSink {
 public:
  explicit TerminalProgress(std::FILE* out) : out_(out) {}
  void Update(std::size_t done, std::size_t total) override;
  void Finish() override;

 private:
  std::FILE* out_;
  std::chrono::steady_clock::time_point started_{};
  int shown_ = -1;
  bool drawn_ = false;
};

// "45%" lines, one each time the whole per cent changes: safe for files and pipes.
class PlainProgress : public ProgressSink {
 public:
  PlainProgress(std::FILE* out, std::string prefix) : out_(out), prefix_(std::move(prefix)) {}
  void Update(std::size_t done, std::size_t total) override;
  void Finish() override {}

 private:
  std::FILE* out_;
  std::string prefix_;
  int shown_ = -1;
};

}  // namespace zotpx::cli
