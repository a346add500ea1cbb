// `zotpx decode` of a communication log of 200,000 lines, as --log --log-time writes them: a
// production line's day of commands (rectangles, Chinese texts, a line left unanswered, a
// single-colour bitmap's data frames and control frame, crosshair moves). zotpx is timed as a
// whole program, its text output thrown away; the time on the processor is the figure judged,
// as other work shares the machine, and the wall-clock time is shown beside it. --json and
// --stats are shown too.
//
//   bench_decode_bench [--runs N] [--lines N]
//
// Goal: over 1,000,000 lines a second for the text output (median of the runs).
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/hex.h"
#include "base/log_time.h"
#include "cli_bench.h"
#include "serial/frame.h"

namespace {

using zotpx::Bytes;
using zotpx::MakeFrame;

struct Log {
  std::string text;
  std::size_t lines = 0;
  std::chrono::system_clock::time_point now{std::chrono::sys_days{std::chrono::year{2026} / 1 / 7}};

  void Line(const std::string& line, int after_us) {
    now += std::chrono::microseconds(after_us);
    text += zotpx::LogTimeText(now) + line + "\n";
    ++lines;
  }
  void Frame(const char* label, const Bytes& frame, int after_us) {
    Line(label + zotpx::HexText(frame.data(), frame.size()), after_us);
  }
  // One command's block: its frames, each acknowledged unless `answered` is false.
  void Block(const std::string& title, const std::vector<Bytes>& frames, bool answered = true) {
    Line("【" + title + "】", 40000);
    for (const Bytes& frame : frames) {
      Frame("发送：", frame, 300);
      if (answered) Frame("接收：", MakeFrame(frame[2], {0x00}), 2500);
    }
    now += std::chrono::microseconds(answered ? 200 : 1000000);
    text += zotpx::LogTimeText(now);
    text.back() = '\n';
    ++lines;
  }
};

std::string MakeLog(std::size_t lines) {
  Log log;
  // 你好，世界 in code page 936
  const Bytes hello = {0xC4, 0xE3, 0xBA, 0xC3, 0xA3, 0xAC, 0xCA, 0xC0, 0xBD, 0xE7};
  Bytes text = {0x22, 0x00, 0x05, 0x00, 0x32};
  text.insert(text.end(), hello.begin(), hello.end());
  std::vector<Bytes> bitmap;
  for (std::uint8_t block = 1; block <= 2; ++block) {
    Bytes data = {static_cast<std::uint8_t>(block << 3), 0x00, 0x10, 0x00, 0x10, 0x40, 0x30};
    for (int i = 0; i < 240; ++i) data.push_back(static_cast<std::uint8_t>(i * block * 37));
    bitmap.push_back(MakeFrame(0x1D, data));
  }
  bitmap.push_back(MakeFrame(0x1D, {0x00, 0x00, 0x10, 0x00, 0x10, 0x40, 0x30}));
  for (int n = 0; log.lines < lines; ++n) {
    const int x = n % 300;
    log.Block("矩形控制命令",
              {MakeFrame(0x1B, {0x08, 0, static_cast<std::uint8_t>(x), 0, 10, 1, 0x7F, 0, 0xFF})});
    log.Block("文本字符串命令", {MakeFrame(0x14, text)});
    log.Block("直线控制命令", {MakeFrame(0x1A, {0x09, 0, 5, 0, 20, 0, 200})}, n % 10 != 0);
    if (n % 4 == 0) log.Block("单色位图命令", bitmap);
    log.Block("十字线移动命令",
              {MakeFrame(0x1F, {0x01, static_cast<std::uint8_t>(x), 0x00, 0x80})});
  }
  return log.text;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 5;
  std::size_t lines = 200000;
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "--runs") == 0)
      runs = std::max(1, std::atoi(argv[++i]));
    else if (std::strcmp(argv[i], "--lines") == 0)
      lines = static_cast<std::size_t>(std::max(1, std::atoi(argv[++i])));
  }
  const std::string log = MakeLog(lines);
  char path[] = "/tmp/zotpx-bench-decode-XXXXXX";
  const int fd = mkstemp(path);
  const bool written =
      fd >= 0 && write(fd, log.data(), log.size()) == static_cast<ssize_t>(log.size());
  if (fd >= 0) close(fd);
  if (!written) {
    std::fprintf(stderr, "cannot write the log\n");
    return 1;
  }
  std::size_t count = 0;
  for (const char c : log) count += c == '\n';
  std::printf("zotpx decode of a %zu-line log (%.1f MiB), %d runs each: median\n", count,
              static_cast<double>(log.size()) / (1 << 20), runs);
  std::printf("%-22s %10s %10s %16s\n", "output", "wall s", "cpu s", "lines/s (cpu)");
  double text_rate = 0;
  bool ran = true;
  for (const auto& [name, args] : std::vector<std::pair<const char*, std::vector<std::string>>>{
           {"text", {"decode", path}},
           {"--json", {"--json", "decode", path}},
           {"--stats", {"decode", "--stats", path}}}) {
    std::vector<double> wall, cpu;
    for (int r = 0; r < runs; ++r) {
      const zotpx::bench::TimedRun run = zotpx::bench::RunZotpx(args);
      ran = ran && run.status == 0;
      wall.push_back(run.seconds);
      cpu.push_back(run.cpu_seconds);
    }
    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    const double rate = static_cast<double>(count) / std::max(cpu[cpu.size() / 2], 1e-9);
    if (std::string_view(name) == "text") text_rate = rate;
    std::printf("%-22s %10.3f %10.3f %16.0f\n", name, wall[wall.size() / 2], cpu[cpu.size() / 2],
                rate);
  }
  unlink(path);
  const bool met = ran && text_rate > 1e6;
  std::printf("%s\n", !ran  ? "zotpx decode FAILED"
                      : met ? "text output over 1,000,000 lines a second"
                            : "NOT over 1,000,000 lines a second for the text output");
  return met ? 0 : 1;
}
