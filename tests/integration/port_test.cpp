// The real port code on a pseudo-terminal: line settings, arbitrary rates, restore at close,
// exclusive use, the purge and its bound, and why an open failed.
#include <asm/termbits.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "serial/frame.h"
#include "serial/port.h"
#include "serial/port_list.h"

namespace {


class Pty : public ::testing::Test {
 protected:
  void SetUp() override {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master_, 0);
    ASSERT_EQ(grantpt(master_), 0);
    ASSERT_EQ(unlockpt(master_), 0);
    char name[128];
    ASSERT_EQ(ptsname_r(master_, name, sizeof name), 0);
    path_ = name;
    // Keep the terminal side open so the pty does not hang up between opens.
    keep_ = open(path_.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(keep_, 0);
  }
  void TearDown() override {
    zotpx::ClosePort();
    close(keep_);
    close(master_);
  }
  termios2 Settings() const {
    termios2 t{};
    ioctl(keep_, TCGETS2, &t);
    return t;
  }
  int master_ = -1;
  int keep_ = -1;
  std::string path_;
};

}  // namespace

TEST_F(Pty, OpensRaw8N1AtAnyRateAndRestoresAtClose) {
  const termios2 before = Settings();
  ASSERT_TRUE(zotpx::OpenPort(path_, 345600));
  termios2 open_settings = Settings();
  EXPECT_EQ(open_settings.c_ospeed, 345600u);
  EXPECT_EQ(open_settings.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_FALSE(open_settings.c_cflag & (PARENB | CSTOPB | CRTSCTS));
  EXPECT_FALSE(open_settings.c_iflag & (IXON | IXOFF | ICRNL));
  EXPECT_FALSE(open_settings.c_lflag & (ICANON | ECHO | ISIG));
  ASSERT_TRUE(zotpx::SetPortBaud(460800));
  EXPECT_EQ(Settings().c_ospeed, 460800u);
  zotpx::ClosePort();
  zotpx::ClosePort();  // twice is harmless
  const termios2 after = Settings();
  EXPECT_EQ(after.c_cflag, before.c_cflag);
  EXPECT_EQ(after.c_lflag, before.c_lflag);
  EXPECT_EQ(after.c_ospeed, before.c_ospeed);
  EXPECT_EQ(zotpx::PortHandle, zotpx::kInvalidHandle);
}

TEST_F(Pty, BytesSentBeforeTheOpenNeverReachTheReader) {
  const std::uint8_t stale[] = {0x55, 0xAA, 0x10, 0x01, 0x00, 0x11};
  ASSERT_EQ(write(master_, stale, sizeof stale), 6);
  ASSERT_TRUE(zotpx::OpenPort(path_, 9600));
  EXPECT_EQ(zotpx::ReadFrame(zotpx::FrameBuffer, 100, 100), 0u);
}

// A reply is fetched with one read; whatever came with it must still be handed out in order,
// across calls and frames, and never outlive the port it arrived on.
TEST_F(Pty, BytesArrivingTogetherAreReadInOrderAndDroppedAtClose) {
  ASSERT_TRUE(zotpx::OpenPort(path_, 115200));
  const std::uint8_t two_acks_and_more[] = {0x55, 0xAA, 0x02, 0x01, 0x01, 0x04,
                                            0x55, 0xAA, 0x02, 0x01, 0x00, 0x03, 'x', 'y', 'z'};
  ASSERT_EQ(write(master_, two_acks_and_more, sizeof two_acks_and_more), 15);
  ASSERT_EQ(zotpx::ReadFrame(zotpx::FrameBuffer, 100, 100), 6u);
  EXPECT_EQ(zotpx::FrameBuffer[4], 0x01);
  ASSERT_EQ(zotpx::ReadFrame(zotpx::FrameBuffer, 100, 100), 6u);
  EXPECT_EQ(zotpx::FrameBuffer[4], 0x00);
  std::uint8_t byte = 0;
  ASSERT_EQ(zotpx::PortRead(&byte, 1), 1u);
  EXPECT_EQ(byte, 'x');

  // "y" and "z" are already in: the reopen must not hand them to the next command.
  zotpx::ClosePort();
  ASSERT_TRUE(zotpx::OpenPort(path_, 115200));
  ASSERT_EQ(write(master_, "N", 1), 1);
  std::uint8_t next[2] = {};
  ASSERT_EQ(zotpx::PortRead(next, 2), 1u);
  EXPECT_EQ(next[0], 'N');
}

// The command line's hold: one opening for a whole invocation. A close keeps the port, a reopen
// at the same rate drops what is waiting (without the purge's wait), the release puts the
// settings back, and a line that has gone is let go at once.
TEST_F(Pty, HeldPortIsKeptAcrossCommandsAndRestoredAtRelease) {
  const termios2 before = Settings();
  zotpx::HoldPort();
  ASSERT_TRUE(zotpx::OpenPort(path_, 115200));
  const int fd = zotpx::PortHandle;
  zotpx::ClosePort();
  EXPECT_EQ(zotpx::PortHandle, fd);
  EXPECT_EQ(Settings().c_ospeed, 115200u);
  const std::uint8_t stale[] = {0x55, 0xAA, 0x10, 0x01, 0x00, 0x11};
  ASSERT_EQ(write(master_, stale, sizeof stale), 6);
  pollfd arrived{fd, POLLIN, 0};
  ASSERT_EQ(poll(&arrived, 1, 1000), 1);
  ASSERT_TRUE(zotpx::OpenPort(path_, 115200));
  EXPECT_EQ(zotpx::PortHandle, fd);
  EXPECT_EQ(zotpx::ReadFrame(zotpx::FrameBuffer, 100, 100), 0u);
  zotpx::ReleasePort();
  EXPECT_EQ(zotpx::PortHandle, zotpx::kInvalidHandle);
  EXPECT_EQ(Settings().c_cflag, before.c_cflag);
  EXPECT_EQ(Settings().c_lflag, before.c_lflag);
  EXPECT_EQ(Settings().c_ospeed, before.c_ospeed);

  zotpx::HoldPort();
  ASSERT_TRUE(zotpx::OpenPort(path_, 115200));
  close(master_);
  master_ = -1;
  zotpx::ClosePort();
  EXPECT_EQ(zotpx::PortHandle, zotpx::kInvalidHandle);
  zotpx::ReleasePort();
}

TEST_F(Pty, PurgeStopsOnABabblingLine) {
  std::atomic<bool> stop{false};
  std::thread babble([&] {
    const std::uint8_t junk[64] = {};
    while (!stop) {
      (void)!write(master_, junk, sizeof junk);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  });
  const auto start = std::chrono::steady_clock::now();
  const bool opened = zotpx::OpenPort(path_, 9600);
  const auto took = std::chrono::steady_clock::now() - start;
  stop = true;
  babble.join();
  EXPECT_TRUE(opened);
  EXPECT_LT(took, std::chrono::seconds(3));
}

TEST_F(Pty, SecondOpenOfAHeldPortFailsAndNamesTheHolder) {
  const int held = open(path_.c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(held, 0);
  ASSERT_EQ(flock(held, LOCK_EX | LOCK_NB), 0);
  EXPECT_FALSE(zotpx::OpenPort(path_, 9600));
  EXPECT_EQ(zotpx::LastPortFailure().error, zotpx::PortError::Busy);
  const std::string text = zotpx::OpenFailureText();
  EXPECT_EQ(text.rfind(zotpx::kOpenFailureText, 0), 0u) << text;
  EXPECT_NE(text.find("已被其他程序占用"), std::string::npos) << text;
  EXPECT_NE(text.find("进程 " + std::to_string(getpid())), std::string::npos) << text;
  close(held);
  EXPECT_TRUE(zotpx::OpenPort(path_, 9600));
}

TEST(PortOpenFailure, SaysWhyTheOpenFailed) {
  EXPECT_FALSE(zotpx::OpenPort("/dev/zotpx-no-such-port", 9600));
  EXPECT_EQ(zotpx::LastPortFailure().error, zotpx::PortError::NotFound);
  EXPECT_EQ(zotpx::OpenFailureText(),
            std::string(zotpx::kOpenFailureText) + "（设备 /dev/zotpx-no-such-port 不存在）");
  EXPECT_FALSE(zotpx::OpenPort("/dev/null", 9600));
  EXPECT_EQ(zotpx::LastPortFailure().error, zotpx::PortError::NotSerial);
  // A number that once wrapped round to COM1: refused as a name, nothing opened.
  EXPECT_FALSE(zotpx::OpenPort("COM4294967297", 9600));
  EXPECT_EQ(zotpx::LastPortFailure().error, zotpx::PortError::BadName);
  EXPECT_EQ(zotpx::OpenFailureText(), std::string(zotpx::kOpenFailureText) +
                                          "（“COM4294967297”不是串口名，串口名为 COM1 至 "
                                          "COM256 或设备路径）");
  EXPECT_EQ(zotpx::PortHandle, zotpx::kInvalidHandle);
}

TEST(PortNames, ComNamesResolveToTtySWithoutALink) {
  EXPECT_EQ(zotpx::ResolvePort("COM9").path, "/dev/ttyS8");
  EXPECT_EQ(zotpx::ResolvePort("COM16").path, "/dev/ttyS15");
  EXPECT_EQ(zotpx::ResolvePort("/dev/ttyUSB0").path, "/dev/ttyUSB0");
  const auto names = zotpx::ListPortNames();
  ASSERT_GE(names.size(), 16u);
  EXPECT_EQ(names[0], "COM1");
  EXPECT_EQ(names[15], "COM16");
}

TEST(Delay, NonPositiveReturnsAtOnceAndPositiveWaits) {
  EXPECT_TRUE(zotpx::DelayMicroseconds(0));
  EXPECT_TRUE(zotpx::DelayMicroseconds(-5));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(zotpx::DelayMicroseconds(2000));
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::microseconds(2000));
}
