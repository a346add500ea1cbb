// The simulated device's faults as the host's reader sees them, how a fault is aimed at a
// frame, repeated open/close cycles, the hang-up, pacing, and the COMn link in the port folder.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "serial/frame.h"
#include "serial/port.h"
#include "simulated_device.h"
#include "support/sim_fixture.h"

namespace {

using zotpx::Bytes;
using zotpx::MakeFrame;
using zotpx::sim::Fault;
using zotpx::sim::FaultRule;
using Clock = std::chrono::steady_clock;

const Bytes kRect = MakeFrame(0x1B, {0x01, 0x00, 0x10, 0x00, 0x10, 0x00, 0x20, 0x00, 0x20});
const Bytes kRectReply = MakeFrame(0x1B, {0x00});
const Bytes kWrite = MakeFrame(0x02, {0x80, 0x02, 0x00, 0x40, 0x00, 0xAB, 0xCD});
const Bytes kAck = {0x55, 0xAA, 0x02, 0x01, 0x01, 0x04};

// What ReadFrame returns for one request: the reply frame, or empty.
Bytes Exchange(zotpx::Port& port, const Bytes& request, int first_byte_ms = 300) {
  if (port.Write(request.data(), request.size()) != request.size()) return {};
  const std::size_t n = zotpx::ReadFrame(port, port.FrameBuffer, first_byte_ms, 200);
  return Bytes(port.FrameBuffer, port.FrameBuffer + n);
}

class SimFaultTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim_ = zotpx::test::StartSim();
    ASSERT_TRUE(port_.Open(sim_.link.port, sim_.link.baud));
  }
  void TearDown() override { port_.Close(); }
  zotpx::test::SimDevice sim_;
  zotpx::Port port_;
};

TEST_F(SimFaultTest, EachFaultReachesTheHostReaderAsExpected) {
  const struct Case {
    const char* what;
    Fault fault;
    Bytes request;
    Bytes seen;  // what ReadFrame delivers
  } cases[] = {
      {"no fault", Fault::None, kRect, kRectReply},
      {"noise is skipped by the reader", Fault::Noise, kRect, kRectReply},
      {"bad checksum", Fault::BadChecksum, kRect, {}},
      {"wrong echo", Fault::WrongEcho, kRect, MakeFrame(0x1A, {0x00})},
      {"short frame", Fault::ShortFrame, kRect, MakeFrame(0x1B, {})},
      {"stall", Fault::Stall, kRect, {}},
      {"silence", Fault::Silence, kRect, {}},
      {"refusal of a memory request", Fault::Refuse, kWrite, MakeFrame(0x02, {0x00})},
      {"ordinary command refused: still a valid reply", Fault::Refuse, kRect, kRectReply},
  };
  for (const Case& c : cases) {
    sim_->ClearFaults();
    sim_->AddFault({c.fault, 0, -1, 0});
    EXPECT_EQ(Exchange(port_, c.request), c.seen) << c.what;
  }
  EXPECT_EQ(sim_->Memory()[0x4000], 0xFF) << "a refused write changes nothing";
}

TEST_F(SimFaultTest, StallSendsHalfTheReplyThenNothing) {
  sim_->AddFault({Fault::Stall, 1, -1, 0});
  ASSERT_EQ(port_.Write(kRect.data(), kRect.size()), kRect.size());
  std::uint8_t got[16];
  EXPECT_EQ(port_.Read(got, sizeof got), 3u);
  EXPECT_EQ(Bytes(got, got + 3), Bytes(kRectReply.begin(), kRectReply.begin() + 3));
}

TEST_F(SimFaultTest, FaultsAreAimedByFrameNumberAndCommand) {
  sim_->AddFault({Fault::Silence, 2, -1, 0});      // the second frame, whatever it is
  sim_->AddFault({Fault::WrongEcho, 0, 0x02, 0});  // every memory request
  EXPECT_EQ(Exchange(port_, kRect), kRectReply);
  EXPECT_EQ(Exchange(port_, kRect), Bytes{});
  EXPECT_EQ(Exchange(port_, kRect), kRectReply);
  EXPECT_EQ(Exchange(port_, kWrite), MakeFrame(0x03, {0x01}));
  sim_->ClearFaults();  // and the count starts again
  sim_->AddFault({Fault::Silence, 1, -1, 0});
  EXPECT_EQ(Exchange(port_, kWrite), Bytes{});
  EXPECT_EQ(Exchange(port_, kWrite), kAck);
  EXPECT_EQ(sim_->ReceivedFrameCount(), 6u) << "unanswered frames are recorded too";
}

TEST_F(SimFaultTest, LateReplyComesAfterItsDelay) {
  sim_->AddFault({Fault::Late, 1, -1, 700});
  const auto start = Clock::now();
  EXPECT_EQ(Exchange(port_, kWrite, 300), Bytes{}) << "given up before it came";
  EXPECT_EQ(Exchange(port_, kWrite, 1000), kAck) << "the late reply meets the next read";
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(700));
}

TEST_F(SimFaultTest, HangUpDropsTheLineAndARestartServesAgain) {
  sim_->AddFault({Fault::HangUp, 1, -1, 0});
  const auto start = Clock::now();
  EXPECT_EQ(Exchange(port_, kRect, 1000), Bytes{});
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(900)) << "no waiting on a dead line";
  EXPECT_TRUE(sim_->HungUp());
  port_.Close();
  EXPECT_FALSE(port_.Open(sim_.link.port, sim_.link.baud));
  sim_->ClearFaults();
  ASSERT_TRUE(sim_.Restart());
  EXPECT_FALSE(sim_->HungUp());
  ASSERT_TRUE(port_.Open(sim_.link.port, sim_.link.baud));
  EXPECT_EQ(Exchange(port_, kRect), kRectReply);
}

TEST_F(SimFaultTest, InjectedBytesReachTheHostUnasked) {
  sim_->Inject(kRectReply);
  EXPECT_EQ(zotpx::ReadFrame(port_, port_.FrameBuffer, 300, 200), kRectReply.size());
}

// Every command opens and closes the port; the pty must take that any number of times, also
// for a user who is not root (the exclusive-use flag must not outlive the close).
int OpenCloseCycles(const std::string& name, int baud) {
  zotpx::Port port;
  int ok = 0;
  for (int i = 0; i < 20; ++i) {
    if (!port.Open(name, baud)) break;
    ok += Exchange(port, kRect) == kRectReply;
    port.Close();
  }
  return ok;
}

TEST(SimPortCycles, OpenCloseManyTimesInARow) {
  // As root, the same again as an ordinary user, in a child forked before the device's thread
  // starts: a child forked beside it could inherit a lock that thread holds and never return.
  const bool as_root = geteuid() == 0;
  int path_pipe[2] = {-1, -1};
  pid_t child = -1;
  if (as_root && pipe(path_pipe) == 0) child = fork();
  if (child == 0) {
    close(path_pipe[1]);
    std::string port;
    char c = 0;
    while (read(path_pipe[0], &c, 1) == 1) port += c;
    const bool dropped = setgid(65534) == 0 && setuid(65534) == 0;
    _exit(port.empty() ? 101 : dropped ? OpenCloseCycles(port, 9600) : 100);
  }
  if (as_root) {
    ASSERT_GE(child, 0);
  }
  if (path_pipe[0] >= 0) close(path_pipe[0]);
  auto sim = zotpx::test::StartSim({.baud = 9600});
  EXPECT_EQ(OpenCloseCycles(sim.link.port, sim.link.baud), 20);
  if (child < 0) return;
  const bool shared = chmod(sim.link.port.c_str(), 0666) == 0;
  if (shared) (void)!write(path_pipe[1], sim.link.port.data(), sim.link.port.size());
  close(path_pipe[1]);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(shared);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 20)
      << "cycles that worked as an ordinary user: the exclusive-use flag outlived the close";
}

// A lower bound only: the reply cannot come before both frames' line time and the processing.
TEST(SimPacing, ReplyWaitsForTheLineTimeAndProcessing) {
  zotpx::Port port;
  zotpx::sim::DeviceConfig config;
  config.pacing = true;
  config.processing_us = 30000;
  auto sim = zotpx::test::StartSim(config);
  ASSERT_TRUE(port.Open(sim.link.port, sim.link.baud));
  const auto start = Clock::now();
  EXPECT_EQ(Exchange(port, kRect, 1000), kRectReply);
  port.Close();
  const auto line =
      std::chrono::microseconds((kRect.size() + kRectReply.size()) * 10 * 1000000 / 9600);
  EXPECT_GE(Clock::now() - start, line + std::chrono::microseconds(30000));
}

// Everything that reaches the host after a request, until the line stays quiet for 300 ms.
Bytes LineAfter(zotpx::Port& port, const Bytes& request) {
  EXPECT_EQ(port.Write(request.data(), request.size()), request.size());
  Bytes line;
  std::uint8_t got[64];
  for (int quiet = 0; quiet < 3;) {
    const std::size_t n = port.Read(got, sizeof got);
    line.insert(line.end(), got, got + n);
    quiet = n ? 0 : quiet + 1;
  }
  return line;
}

// The trace names each fault and tells what went on the line, as the host received it.
TEST(SimTrace, EachFaultIsNamedAndToldAsItWentOnTheLine) {
  const Bytes identify = MakeFrame(0x00, {0xFF});
  Bytes dropped = kRect;
  dropped.back() ^= 0x01;
  const Bytes identification = zotpx::sim::DefaultIdentifyReply(zotpx::DeviceModel::PA, "");
  const std::string rect_ack = "reply to 矩形控制命令: acknowledged (status 00); checksum ok";
  const struct Case {
    const char* fault;  // --fault's words
    Bytes request;
    Bytes line;                     // what the host receives
    std::vector<std::string> told;  // the device's lines of the trace
  } cases[] = {
      {"", kRect, kRectReply, {rect_ack}},
      {"", dropped, {}, {"no answer"}},
      {"noise",
       kRect,
       Bytes{0x55, 0x13, 0xFF, 0x00, 0xAA, 0x55, 0xAA, 0x1B, 0x01, 0x00, 0x1C},
       {"fault noise: 5 bytes that are no frame: 55 13 FF 00 AA", rect_ack}},
      {"bad-checksum",
       kRect,
       Bytes{0x55, 0xAA, 0x1B, 0x01, 0x00, 0x1D},
       {"fault bad-checksum: reply to 矩形控制命令: not accepted (status 00); checksum wrong "
        "(should be 1C): dropped by the reader"}},
      {"wrong-echo",
       kRect,
       MakeFrame(0x1A, {0x00}),
       {"fault wrong-echo: reply with the code of 直线控制命令, not of 矩形控制命令; checksum ok"}},
      {"wrong-echo",
       identify,
       identification,
       {"identification: model ZOT-PA, version \"V2.1 build 2026-11\"; fault wrong-echo leaves "
        "the identification as it is"}},
      {"short-frame",
       kRect,
       MakeFrame(0x1B, {}),
       {"fault short-frame: reply to 矩形控制命令 with 0 data bytes where one status byte belongs; "
        "checksum ok"}},
      {"stall", kRect, Bytes{0x55, 0xAA, 0x1B}, {"fault stall: a frame cut short: 3 bytes"}},
      {"silence", kRect, {}, {"fault silence: no answer"}},
      {"refuse",
       kWrite,
       MakeFrame(0x02, {0x00}),
       {"fault refuse: reply to 写入存储器: refused (status 00); checksum ok"}},
      {"refuse",
       identify,
       MakeFrame(0x00, {0x00}),
       {"fault refuse: a reply frame (status 00) in place of the identification; checksum ok"}},
      {"hang-up", kRect, {}, {"fault hang-up: hangs up the line"}},
      {"late", kRect, kRectReply, {"fault late: after 50 ms: " + rect_ack}},
  };
  for (const Case& c : cases) {
    const std::string what = std::string(c.fault) + " to " + std::to_string(c.request[2]);
    auto sim = zotpx::test::StartSim();
    if (*c.fault) sim->AddFault({*zotpx::sim::FaultFromName(c.fault), 0, -1, 50});
    std::mutex mutex;
    std::vector<std::string> told;
    sim->SetTrace([&](const zotpx::sim::TraceLine& line) {
      std::lock_guard lock(mutex);
      if (!line.from_host) told.push_back(line.text);
    });
    zotpx::Port port;
    ASSERT_TRUE(port.Open(sim.link.port, sim.link.baud));
    EXPECT_EQ(LineAfter(port, c.request), c.line) << what;
    port.Close();
    std::lock_guard lock(mutex);
    EXPECT_EQ(told, c.told) << what;
  }
}

// A pty takes a host's bytes at once, whatever rate the host set: line time the host never spent
// on them (a slow rate left behind, more than a serial driver holds) must not keep the replies
// to later requests waiting.
TEST(SimPacing, LineTimeTheHostNeverSpentHoldsNoLaterReplyBack) {
  const struct Case {
    const char* what;
    int device_baud, host_baud;
    std::size_t bytes;  // of garbage, then a request at the device's rate
  } cases[] = {
      {"40 s at 50 baud, then the device's rate", 9600, 50, 200},
      {"5.7 s at the device's rate, in one write", 115200, 115200, 65536},
  };
  for (const Case& c : cases) {
    auto sim = zotpx::test::StartSim({.baud = c.device_baud, .pacing = true});
    zotpx::Port port;
    ASSERT_TRUE(port.Open(sim.link.port, c.host_baud));
    const Bytes garbage(c.bytes, 0x00);
    EXPECT_EQ(port.Write(garbage.data(), garbage.size()), garbage.size()) << c.what;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // taken at the host's rate
    port.Close();
    ASSERT_TRUE(port.Open(sim.link.port, c.device_baud));
    EXPECT_EQ(Exchange(port, kRect, 2000), kRectReply) << c.what;
    port.Close();
  }
}

// Two simulators with one COMn name would take the link from each other, and the first to end
// would remove the other's: the name is refused while a live simulator holds it.
TEST(SimPortLink, ANameALiveSimulatorHoldsIsRefused) {
  const std::string link = zotpx::PortFolder() + "/COM14";
  const zotpx::sim::DeviceConfig config{.link_name = "COM14"};
  auto first = zotpx::test::StartSim(config);
  {
    zotpx::sim::SimServer second(config);
    EXPECT_FALSE(second.Start());
    EXPECT_EQ(second.error(), "COM14 is in use by another simulator (process " +
                                  std::to_string(getpid()) + "); give this one another name");
  }
  char target[256] = {};
  ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0) << "the first lost its link";
  EXPECT_EQ(std::string(target), first->path());
  first.server.reset();
  zotpx::sim::SimServer third(config);
  EXPECT_TRUE(third.Start()) << "the name is free again: " << third.error();
  third.Stop();
  struct stat st {};
  EXPECT_NE(lstat((zotpx::PortFolder() + "/.COM14.lock").c_str(), &st), 0) << "lock left behind";
}

TEST(SimPortLink, ComNameIsLinkedWhileServingAndRemovedAtStop) {
  zotpx::Port port;
  const std::string link = zotpx::PortFolder() + "/COM15";
  zotpx::sim::DeviceConfig config;
  config.link_name = "COM15";
  unlink(link.c_str());
  ASSERT_EQ(symlink("/dev/null", link.c_str()) == 0 || errno == ENOENT, true);  // a stale one
  {
    auto sim = zotpx::test::StartSim(config);
    char target[256] = {};
    ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(std::string(target), sim->path());
    ASSERT_TRUE(port.Open("COM15", 9600)) << port.OpenFailureText();
    EXPECT_EQ(Exchange(port, kRect), kRectReply);
    port.Close();
    struct stat folder {};
    ASSERT_EQ(stat(zotpx::PortFolder().c_str(), &folder), 0);
    EXPECT_EQ(folder.st_mode & 0077, 0u) << "the port folder is private";
  }
  struct stat st {};
  EXPECT_NE(lstat(link.c_str(), &st), 0) << "link left behind";
}

}  // namespace
