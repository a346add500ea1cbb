#include "cli/progress.h"

#include <algorithm>

#include "base/console.h"
#include "serial/progress.h"

namespace zotpx::cli {

namespace {

int Percent(std::size_t done, std::size_t total) {
  return EstimateProgress(done, total, 0).percent;
}

}  // namespace

std::string ProgressFigures(std::size_t done, std::size_t total,
                            std::chrono::steady_clock::duration elapsed) {
  const ProgressEstimate e =
      EstimateProgress(done, total, std::chrono::duration<double>(elapsed).count());
  std::string text = std::to_string(e.percent) + "%";
  if (e.timed) {
    char figures[64];
    std::snprintf(figures, sizeof figures, "  %.1f KB/s  %ld:%02ld left",
                  e.bytes_per_second / 1024.0, e.seconds_left / 60, e.seconds_left % 60);
    text += figures;
  }
  return text;
}

std::string ProgressBar(std::size_t done, std::size_t total, int width) {
  const int filled =
      total == 0 ? 0 : static_cast<int>(done * static_cast<std::size_t>(width) / total);
  std::string bar(static_cast<std::size_t>(width) + 2, '.');
  bar.front() = '[';
  bar.back() = ']';
  std::fill_n(bar.begin() + 1, filled, '#');
  return bar;
}

void TerminalProgress::Update(std::size_t done, std::size_t total) {
  if (!drawn_) started_ = std::chrono::steady_clock::now();
  const int percent = Percent(done, total);
  if (drawn_ && percent == shown_) return;
  shown_ = percent;
  drawn_ = true;
  const std::string line =
      ProgressBar(done, total, 30) + " " +
      ProgressFigures(done, total, std::chrono::steady_clock::now() - started_);
  PrintText(out_, "\r%s\033[K", line.c_str());
  std::fflush(out_);
}

void TerminalProgress::Finish() {
  if (drawn_) WriteText(out_, "\n");
  drawn_ = false;
  shown_ = -1;
}

void PlainProgress::Update(std::size_t done, std::size_t total) {
  const int percent = Percent(done, total);
  if (percent == shown_) return;
  shown_ = percent;
  PrintText(out_, "%s%d%%\n", prefix_.c_str(), percent);
  std::fflush(out_);
}

}  // namespace zotpx::cli
