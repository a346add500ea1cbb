// Signals to the real zotpx program in the middle of its work: a download stopped by SIGINT,
// SIGTERM or SIGHUP ends at the next request with its log block finished, the port's settings
// back and the status and --json saying how far it got; a second signal ends it at once, port
// settings still restored; a layout stops between objects; station mode passes the signal on
// and still reports every port.
#include <gtest/gtest.h>
#include <signal.h>
#include <termios.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>

#include "base/texts.h"
#include "cli/zotpx_run.h"
#include "serial/transaction.h"
#include "support/sim_fixture.h"
#include "support/temp_folder.h"
#include "text/static_file.h"

namespace {

using zotpx::Bytes;
using zotpx::test::RunZotpx;
using zotpx::test::StartSim;

std::string TempPath(const std::string& name) {
  return zotpx::test::TestFolder() + "zotpx_interrupt_" + std::to_string(getpid()) + "_" + name;
}

std::vector<std::string> Lines(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// A slow device: paced at 9600 baud, a write request takes about a quarter of a second.
zotpx::test::SimDevice SlowSim() {
  return StartSim({.model = zotpx::DeviceModel::PA, .baud = 9600, .pacing = true});
}

// The device's port as the test found it: open on the side zotpx opens, set to settings of its
// own (raw, so the device's replies are not echoed, but at another rate and read timing than
// zotpx's), so that "restored" means something.
class PortSettings {
 public:
  explicit PortSettings(const std::string& path)
      : fd_(open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {
    termios t{};
    tcgetattr(fd_, &t);
    cfsetspeed(&t, B1200);
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 7;
    t.c_cflag |= HUPCL;
    tcsetattr(fd_, TCSANOW, &t);
    before_ = Now();
  }
  ~PortSettings() { close(fd_); }
  termios Now() const {
    termios t{};
    tcgetattr(fd_, &t);
    return t;
  }
  // Every field zotpx changes when it opens the port.
  bool Restored() const {
    const termios now = Now();
    const bool rate =
        cfgetispeed(&now) == cfgetispeed(&before_) && cfgetospeed(&now) == cfgetospeed(&before_);
    // What a Windows program sets and puts back is the rate and the character frame; Wine
    // writes the line's other fields its own way.
    const tcflag_t frame = CSIZE | PARENB | CSTOPB;
    if (zotpx::test::TestsWindowsProgram())
      return rate && (now.c_cflag & frame) == (before_.c_cflag & frame);
    return rate && now.c_iflag == before_.c_iflag && now.c_oflag == before_.c_oflag &&
           now.c_cflag == before_.c_cflag && now.c_lflag == before_.c_lflag &&
           std::equal(std::begin(now.c_cc), std::end(now.c_cc), std::begin(before_.c_cc));
  }

 private:
  int fd_;
  termios before_{};
};

// Sends `signals` once every device has received `frames` frames.
zotpx::test::ZotpxWatch SignalAfter(std::vector<const zotpx::test::SimDevice*> sims,
                                    std::size_t frames, std::vector<int> signals) {
  auto sent = std::make_shared<bool>(false);
  return [=](pid_t pid, const zotpx::test::ZotpxRun&) {
    if (*sent) return;
    for (const auto* sim : sims)
      if ((*sim)->ReceivedFrameCount() < frames) return;
    *sent = true;
    for (const int sig : signals) kill(pid, sig);
  };
}

std::string StaticText() {
  const std::string path = TempPath("static.txt");
  std::ofstream(path, std::ios::binary) << "55 AA 14 08 22 00 05 00 32 41 42 43 3B 00\r\n";
  return path;
}

// Write requests the device received, and the bytes they carried.
std::size_t WrittenBytes(const zotpx::test::SimDevice& sim) {
  std::size_t bytes = 0;
  for (const Bytes& frame : sim->ReceivedFrames())
    if (frame.size() > 9 && frame[2] == 0x02 && frame[4] == 0x80) bytes += frame[5];
  return bytes;
}

struct SignalRow {
  std::string name;
  std::vector<int> signals;  // sent together, once the write phase has begun
};

void PrintTo(const SignalRow& row, std::ostream* out) {
  *out << row.name;
}

class DownloadInterruptTest : public ::testing::TestWithParam<SignalRow> {};

TEST_P(DownloadInterruptTest, StopsAtTheNextRequestAndRestoresThePort) {
  const SignalRow& row = GetParam();
  // Ctrl-C reaches a Windows program as its console's event; SIGTERM and SIGHUP from outside
  // end Wine's own process, with nothing for the program to catch.
  if (zotpx::test::TestsWindowsProgram() && row.signals != std::vector<int>{SIGINT})
    GTEST_SKIP() << "no such signal for a Windows program";
  const std::string text = StaticText(), log = TempPath(row.name + ".log");
  std::remove(log.c_str());
  auto sim = SlowSim();
  PortSettings port(sim->path());
  // Identification, erase and two writes in: the transfer is well under way.
  const auto run = RunZotpx(
      {"-p", sim.link.port, "-b", "9600", "--json", "--log", log, "download", "static", text},
      std::chrono::seconds(90), SignalAfter({&sim}, 4, row.signals));
  EXPECT_TRUE(port.Restored()) << "the port's settings were not put back";

  if (row.signals.size() > 1) {
    // The second signal ends it at once, by that signal, its log block still finished with
    // what the device had acknowledged.
    EXPECT_EQ(run.status, -1);
    EXPECT_TRUE(run.signal == row.signals[0] || run.signal == row.signals[1]) << run.signal;
    const std::vector<std::string> lines = Lines(log);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines.back(), "");
    const std::string how_far = lines[lines.size() - 2];
    ASSERT_EQ(how_far.rfind("用户中断，已写入 ", 0), 0u) << how_far;
    EXPECT_LE(std::stoul(how_far.substr(std::string("用户中断，已写入 ").size())),
              WrittenBytes(sim));
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "【下载静态命令】"), 1);
  } else {
    ASSERT_EQ(run.status, 128 + row.signals[0]) << run.err;
    const nlohmann::json j = nlohmann::json::parse(run.out);
    const std::size_t written = WrittenBytes(sim);
    EXPECT_EQ(j["result"], "interrupted");
    EXPECT_EQ(j["bytes"], written);
    EXPECT_GT(written, 0u);
    EXPECT_LT(written, zotpx::kStaticImageSize);
    const std::string how_far = "用户中断，已写入 " + std::to_string(written) + " 字节";
    EXPECT_EQ(j["status"], std::string(zotpx::Text("caption.BtnStaticCmd")) + "失败：" + how_far);
    const std::vector<std::string> lines = Lines(log);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[lines.size() - 2], how_far);
    EXPECT_EQ(lines.back(), "");
  }
  std::remove(text.c_str());
  std::remove(log.c_str());
}

INSTANTIATE_TEST_SUITE_P(Signals, DownloadInterruptTest,
                         ::testing::Values(SignalRow{"SIGINT", {SIGINT}},
                                           SignalRow{"SIGTERM", {SIGTERM}},
                                           SignalRow{"SIGHUP", {SIGHUP}},
                                           SignalRow{"SecondSignal", {SIGINT, SIGTERM}}),
                         [](const auto& info) { return info.param.name; });

// An ordinary command stops at a frame boundary too: here between two objects of a layout, on
// one device or, in station mode, on two; each says how far it got.
TEST(LayoutInterruptTest, ApplyStopsBeforeTheNextObjectAndSaysHowFarItGot) {
  const std::string layout = TempPath("rects.toml"), log = TempPath("apply.log");
  {
    std::ofstream out(layout);
    for (int i = 0; i < 40; ++i) out << "[[rect]]\nleft = " << i << "\n";
  }
  for (const std::size_t devices : {1u, 2u}) {
    SCOPED_TRACE(devices);
    std::remove(log.c_str());
    std::vector<zotpx::test::SimDevice> sims;
    for (std::size_t d = 0; d < devices; ++d) sims.push_back(SlowSim());
    PortSettings port(sims.front()->path());
    std::string ports = sims.front().link.port;
    if (devices == 2) ports += "," + sims.back().link.port;
    std::vector<const zotpx::test::SimDevice*> watched;
    for (const auto& sim : sims) watched.push_back(&sim);
    const auto run = RunZotpx({"-p", ports, "-b", "9600", "--json", "--log", log, "apply", layout},
                              std::chrono::seconds(90), SignalAfter(watched, 2, {SIGINT}));
    EXPECT_EQ(run.status, 130) << run.err;
    const std::string title(zotpx::Text("caption.BtnRectCmd"));
    std::istringstream objects(run.out);
    for (const auto& sim : sims) {
      std::string line;
      ASSERT_TRUE(std::getline(objects, line)) << run.out;
      const nlohmann::json j = nlohmann::json::parse(line);
      const std::size_t sent = sim->ReceivedFrameCount();
      EXPECT_LT(sent, 40u);
      EXPECT_EQ(j["result"], "interrupted");
      EXPECT_EQ(j["status"], layout + ": " + std::to_string(sent) + " of 40 objects sent; " +
                                 title + zotpx::kInterruptedText);
      EXPECT_EQ(j["objects_sent"], sent);
      EXPECT_EQ(j["objects"], 40);
    }
    const std::vector<std::string> lines = Lines(log);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[lines.size() - 2].find(zotpx::kInterruptedLogLine) != std::string::npos, true);
    if (devices == 1) {
      EXPECT_EQ(lines[lines.size() - 3], "【" + title + "】");
      EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                              [](const std::string& l) { return l.rfind("发送：", 0) == 0; }),
                static_cast<std::ptrdiff_t>(sims.front()->ReceivedFrameCount()));
      EXPECT_TRUE(port.Restored());
    }
  }
  std::remove(layout.c_str());
  std::remove(log.c_str());
}

// Two devices at once: SIGINT to the parent alone reaches both workers, each stops at its next
// request, and each port's line and the summary are still printed.
TEST(StationInterruptTest, EveryWorkerStopsAndEveryPortIsReported) {
  const std::string text = StaticText();
  auto a = SlowSim(), b = SlowSim();
  PortSettings port_a(a->path()), port_b(b->path());
  const auto run =
      RunZotpx({"-p", a.link.port + "," + b.link.port, "-b", "9600", "download", "static", text},
               std::chrono::seconds(90), SignalAfter({&a, &b}, 3, {SIGINT}));
  EXPECT_EQ(run.status, 130) << run.err;
  for (const auto* sim : {&a, &b}) {
    const std::string port = sim->link.port;
    const std::string how_far = "用户中断，已写入 " + std::to_string(WrittenBytes(*sim)) + " 字节";
    std::istringstream summary(run.out), progress(run.err);
    std::string row, line;
    while (std::getline(summary, line))
      if (line.rfind(port + " ", 0) == 0) row = line;
    EXPECT_NE(row.find(" interrupted "), std::string::npos) << run.out;
    EXPECT_NE(row.find(how_far), std::string::npos) << row;
    bool reported = false;
    while (std::getline(progress, line))
      reported = reported ||
                 (line.rfind(port + " ", 0) == 0 && line.find("interrupted") != std::string::npos);
    EXPECT_TRUE(reported) << run.err;
  }
  EXPECT_TRUE(port_a.Restored());
  EXPECT_TRUE(port_b.Restored());
  std::remove(text.c_str());
}

// A reader that went away (`zotpx ... | head -3`) stops nothing: the download runs to its end,
// its log block is finished and the port restored; a result that could not be printed on
// standard output fails the run (exit status 4), a closed standard error does not.
struct ClosedRow {
  std::string name;
  unsigned closed;
  int status;
};

void PrintTo(const ClosedRow& row, std::ostream* out) {
  *out << row.name;
}

class ClosedStreamTest : public ::testing::TestWithParam<ClosedRow> {};

TEST_P(ClosedStreamTest, DownloadRunsToItsEndAndTheStatusSaysWhatWasLost) {
  const ClosedRow& row = GetParam();
  const std::string text = StaticText(), log = TempPath(row.name + ".log");
  std::remove(log.c_str());
  auto sim = StartSim({.model = zotpx::DeviceModel::PA, .baud = 115200});
  PortSettings port(sim->path());
  const auto run =
      RunZotpx({"-p", sim.link.port, "-b", "115200", "--log", log, "download", "static", text},
               std::chrono::seconds(90), {}, {}, row.closed);
  EXPECT_EQ(run.signal, 0);
  EXPECT_EQ(run.status, row.status) << run.err;
  if (row.closed == zotpx::test::kOutClosed) {
    EXPECT_NE(run.err.find("standard output could not be written"), std::string::npos) << run.err;
  }
  EXPECT_EQ(WrittenBytes(sim), zotpx::kStaticImageSize);
  const std::vector<std::string> lines = Lines(log);
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[lines.size() - 2], zotpx::StaticTransferPlan("").success_log_line);
  EXPECT_EQ(lines.back(), "");
  EXPECT_TRUE(port.Restored());
  std::remove(text.c_str());
  std::remove(log.c_str());
}

INSTANTIATE_TEST_SUITE_P(
    Streams, ClosedStreamTest,
    ::testing::Values(ClosedRow{"StandardOutput", zotpx::test::kOutClosed, 4},
                      ClosedRow{"StandardError", zotpx::test::kErrClosed, 0},
                      ClosedRow{"Both", zotpx::test::kOutClosed | zotpx::test::kErrClosed, 4}),
    [](const auto& info) { return info.param.name; });

}  // namespace
