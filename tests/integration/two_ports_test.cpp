// Two ports in one process: each holds its own line, frame buffer, hold and failure, so
// commands to two devices interleave without one touching the other, and the signal handler's
// restore reaches every line open at that moment and no other.
#include <asm/termbits.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "serial/memory_transfer.h"
#include "serial/port.h"
#include "serial/transaction.h"
#include "support/recording_reporter.h"
#include "support/sim_fixture.h"

namespace {

using zotpx::Bytes;
using zotpx::MakeFrame;

TEST(TwoPorts, CommandsToTwoDevicesInterleaveEachOnItsOwnLine) {
  auto first = zotpx::test::StartSim({.model = zotpx::DeviceModel::PA, .baud = 115200});
  auto second = zotpx::test::StartSim({.model = zotpx::DeviceModel::PB, .baud = 460800});
  zotpx::Port a;
  zotpx::Port b;
  a.Hold();
  b.Hold();
  zotpx::test::RecordingReporter reporter;
  std::vector<Bytes> to_first, to_second;
  for (std::uint8_t i = 0; i < 4; ++i) {
    to_first.push_back(MakeFrame(0x1A, {i, 1, 2, 3}));
    to_second.push_back(MakeFrame(0x1B, {i, 9}));
    const auto send = [&](zotpx::Port& port, const zotpx::Link& link, const Bytes& frame) {
      return zotpx::RunCommandFrames(port, reporter, "t", link,
                                     [&] { return std::vector<Bytes>{frame}; });
    };
    ASSERT_EQ(send(a, first.link, to_first.back()), zotpx::TxResult::Ok) << reporter.Status();
    ASSERT_EQ(send(b, second.link, to_second.back()), zotpx::TxResult::Ok) << reporter.Status();
    // Each reply stays in its own port's frame buffer.
    EXPECT_EQ(Bytes(a.FrameBuffer, a.FrameBuffer + 6), MakeFrame(0x1A, {0x00}));
    EXPECT_EQ(Bytes(b.FrameBuffer, b.FrameBuffer + 6), MakeFrame(0x1B, {0x00}));
  }
  // A download on one between two commands on the other.
  const Bytes data(500, 0x5C);
  zotpx::MemoryData source(data);
  ASSERT_TRUE(b.Open(second.link.port, second.link.baud));
  ASSERT_EQ(zotpx::ExchangeFrame(b, reporter, to_second.front()), zotpx::TxResult::Ok);
  EXPECT_EQ(
      zotpx::DownloadToDevice(a, reporter, first.link,
                              zotpx::MakeTransferPlan("c", "t", 0x4000, data.size(), ""), source),
      zotpx::TransferResult::Done);
  ASSERT_EQ(zotpx::ExchangeFrame(b, reporter, to_second.back()), zotpx::TxResult::Ok);
  const Bytes last = to_second.back();
  to_second.push_back(to_second.front());
  to_second.push_back(last);

  std::vector<Bytes> first_frames = first->ReceivedFrames();
  first_frames.resize(to_first.size());
  EXPECT_EQ(first_frames, to_first);
  EXPECT_EQ(second->ReceivedFrames(), to_second);
  const Bytes memory = first->Memory();
  EXPECT_EQ(Bytes(memory.begin() + 0x4000, memory.begin() + 0x4000 + 500), data);
  EXPECT_EQ(second->Memory(), Bytes(zotpx::kDeviceMemorySize, 0xFF));
  // One port's failure is its own.
  zotpx::Port c;
  EXPECT_FALSE(c.Open("/dev/zotpx-no-such-port", 9600));
  EXPECT_EQ(c.LastFailure().error, zotpx::PortError::NotFound);
  EXPECT_EQ(a.LastFailure().error, zotpx::PortError::None);
  EXPECT_TRUE(a.IsOpen() && b.IsOpen());
}

// A pseudo-terminal whose terminal side the test keeps open, to read the settings a port left.
struct Pty {
  int master = -1;
  int keep = -1;
  std::string path;
  Pty() {
    master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return;
    char name[128];
    if (ptsname_r(master, name, sizeof name) != 0) return;
    path = name;
    keep = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  }
  ~Pty() {
    close(keep);
    close(master);
  }
  termios2 Settings() const {
    termios2 t{};
    ioctl(keep, TCGETS2, &t);
    return t;
  }
};

bool Same(const termios2& x, const termios2& y) {
  return x.c_cflag == y.c_cflag && x.c_lflag == y.c_lflag && x.c_iflag == y.c_iflag &&
         x.c_ospeed == y.c_ospeed;
}

TEST(TwoPorts, AnInterruptRestoresEveryOpenLineAndNoClosedOne) {
  Pty one, two;
  ASSERT_FALSE(one.path.empty() || two.path.empty());
  const termios2 before_one = one.Settings();
  const termios2 before_two = two.Settings();
  zotpx::Port a;
  {
    zotpx::Port b;
    ASSERT_TRUE(a.Open(one.path, 460800));
    ASSERT_TRUE(b.Open(two.path, 345600));
    ASSERT_FALSE(Same(one.Settings(), before_one));
    zotpx::RestorePortsAtOnce();
    EXPECT_TRUE(Same(one.Settings(), before_one));
    EXPECT_TRUE(Same(two.Settings(), before_two));
  }
  // The line closed with its port is no longer the handler's to touch, even when someone else
  // has set it since.
  termios2 other = two.Settings();
  other.c_lflag ^= ECHO;
  ASSERT_EQ(ioctl(two.keep, TCSETS2, &other), 0);
  ASSERT_TRUE(a.SetRate(115200));
  zotpx::RestorePortsAtOnce();
  EXPECT_TRUE(Same(two.Settings(), other));
  EXPECT_TRUE(Same(one.Settings(), before_one));
}

}  // namespace
