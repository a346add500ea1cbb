// Connecting over a pseudo-terminal to the simulated device: the rate scan, the identify reply
// rules, the collection bound, and the status texts and log blocks of every outcome.
#include "device/connect.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "base/attributes.h"
#include "serial/frame.h"
#include "serial/port.h"
#include "support/recording_reporter.h"
#include "support/sim_fixture.h"

namespace {

using zotpx::Bytes;
using zotpx::ConnectOutcome;

const std::string kTitle = "连接设备";
const std::string kFailed = kTitle + "失败：请检查产品是否正确连接到计算机串口";
const std::string kFound = kTitle + "成功：产品型号和通信速率已自动匹配";
const std::vector<std::string> kHeaderOnly = {"【连接设备】", ""};

using zotpx::test::RecordingReporter;

int RateIndex(int baud) {
  const auto* rates = std::begin(zotpx::kBaudRateList);
  return static_cast<int>(std::find(rates, std::end(zotpx::kBaudRateList), baud) - rates);
}

Bytes IdentifyReply(std::size_t length_byte, const std::string& text, std::size_t total) {
  Bytes reply(1 + text.size());
  reply[0] = static_cast<std::uint8_t>(length_byte);
  std::copy(text.begin(), text.end(), reply.begin() + 1);
  reply.resize(total, 0);
  return reply;
}

struct RateCase {
  zotpx::DeviceModel model;
  int baud;
  const char* version;
};

class ConnectAtRate : public ::testing::TestWithParam<RateCase> {};

TEST_P(ConnectAtRate, FindsTheRateAndIdentifiesTheModel) {
  zotpx::Port port;
  const RateCase& c = GetParam();
  auto sim = zotpx::test::StartSim({.model = c.model, .baud = c.baud, .version = c.version});
  RecordingReporter reporter;
  const zotpx::ConnectResult result = zotpx::ConnectDevice(port, reporter, kTitle, sim.link.port);

  EXPECT_EQ(result.outcome, ConnectOutcome::Identified);
  EXPECT_EQ(result.rate_index, RateIndex(c.baud));
  EXPECT_EQ(result.model, c.model);
  EXPECT_EQ(result.version, std::string(zotpx::ModelName(c.model)) + " " + c.version);
  EXPECT_EQ(reporter.Status(), kFound);
  EXPECT_EQ(reporter.log, kHeaderOnly);
  // The identify request is the only frame; the probes are single bytes.
  EXPECT_EQ(sim->ReceivedFrames(), (std::vector<Bytes>{{0x55, 0xAA, 0x00, 0x01, 0xFF, 0x00}}));
  EXPECT_FALSE(port.IsOpen());
}

INSTANTIATE_TEST_SUITE_P(Rates, ConnectAtRate,
                         ::testing::Values(RateCase{zotpx::DeviceModel::PA, 9600, "V1.0"},
                                           RateCase{zotpx::DeviceModel::PB, 115200,
                                                    "V2.3 2026-11-30"},
                                           RateCase{zotpx::DeviceModel::PA, 345600, "build 77"},
                                           RateCase{zotpx::DeviceModel::PB, 460800, "V9.9.9"}));

TEST(Connect, StrayByteAtOneRateDoesNotStopTheScan) {
  zotpx::Port port;
  auto sim = zotpx::test::StartSim({.model = zotpx::DeviceModel::PB, .baud = 115200});
  sim->SetProbeAnswer(19200, 0x5B);
  sim->SetProbeAnswer(57600, 0x00);
  RecordingReporter reporter;
  const zotpx::ConnectResult result = zotpx::ConnectDevice(port, reporter, kTitle, sim.link.port);
  EXPECT_EQ(result.outcome, ConnectOutcome::Identified);
  EXPECT_EQ(result.rate_index, 4);
  EXPECT_EQ(result.model, zotpx::DeviceModel::PB);
}

TEST(Connect, NoRateAnsweringLogsNothing) {
  zotpx::Port port;
  auto sim = zotpx::test::StartSim({.model = zotpx::DeviceModel::PA, .baud = 1200});
  RecordingReporter reporter;
  const zotpx::ConnectResult result = zotpx::ConnectDevice(port, reporter, kTitle, sim.link.port);
  EXPECT_EQ(result.outcome, ConnectOutcome::NoAnswer);
  EXPECT_EQ(result.rate_index, -1);
  EXPECT_EQ(reporter.statuses, std::vector<std::string>{kFailed});
  EXPECT_TRUE(reporter.log.empty());
  EXPECT_TRUE(sim->ReceivedFrames().empty());
  EXPECT_FALSE(port.IsOpen());
}

// A stop asked for during the scan ends it before the next rate: nothing more is probed or sent,
// the port is closed and the status says the user stopped it.
TEST(Connect, StopDuringTheScanEndsItBeforeTheNextRate) {
  zotpx::Port port;
  auto sim = zotpx::test::StartSim({.model = zotpx::DeviceModel::PA, .baud = 460800});
  RecordingReporter reporter;
  reporter.stop_after = 3;
  const zotpx::ConnectResult result = zotpx::ConnectDevice(port, reporter, kTitle, sim.link.port);
  EXPECT_EQ(result.outcome, ConnectOutcome::Interrupted);
  // Asked before the first four rates and once more after the scan; not before all eight.
  EXPECT_EQ(reporter.stop_asks, 5u);
  EXPECT_EQ(reporter.statuses, std::vector<std::string>{kTitle + zotpx::kInterruptedText});
  EXPECT_TRUE(reporter.log.empty());
  EXPECT_TRUE(sim->ReceivedFrames().empty());
  EXPECT_FALSE(port.IsOpen());
}

TEST(Connect, PortThatCannotBeOpenedShowsTheCommunicationFailure) {
  zotpx::Port port;
  RecordingReporter reporter;
  const zotpx::ConnectResult result =
      zotpx::ConnectDevice(port, reporter, kTitle, "/nonexistent/zotpx-no-such-port");
  EXPECT_EQ(result.outcome, ConnectOutcome::OpenFailed);
  ASSERT_EQ(reporter.statuses.size(), 1u);
  EXPECT_EQ(reporter.Status().rfind(zotpx::kOpenFailureText, 0), 0u) << reporter.Status();
  EXPECT_TRUE(reporter.log.empty());
}

struct ReplyCase {
  const char* what;
  Bytes reply;
  int model;  // 0: refused
};

class IdentifyReplyOverTheLine : public ::testing::TestWithParam<ReplyCase> {};

TEST_P(IdentifyReplyOverTheLine, IsJudgedByItsLengthsAndModelWord) {
  zotpx::Port port;
  const ReplyCase& c = GetParam();
  auto sim = zotpx::test::StartSim({.model = zotpx::DeviceModel::PA, .baud = 57600});
  sim->SetIdentifyReply(c.reply);
  RecordingReporter reporter;
  const zotpx::ConnectResult result = zotpx::ConnectDevice(port, reporter, kTitle, sim.link.port);

  EXPECT_EQ(result.rate_index, 3) << c.what;
  EXPECT_EQ(reporter.log, kHeaderOnly) << c.what;
  if (c.model == 0) {
    EXPECT_EQ(result.outcome, ConnectOutcome::NotIdentified) << c.what;
    EXPECT_EQ(static_cast<int>(result.model), 0) << c.what;
    EXPECT_EQ(reporter.Status(), kFailed) << c.what;
  } else {
    EXPECT_EQ(result.outcome, ConnectOutcome::Identified) << c.what;
    EXPECT_EQ(static_cast<int>(result.model), c.model) << c.what;
    EXPECT_EQ(reporter.Status(), kFound) << c.what;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Replies, IdentifyReplyOverTheLine,
    ::testing::Values(ReplyCase{"20 bytes", IdentifyReply(19, "ZOT-PA 0123456789ab", 20), 0},
                      ReplyCase{"21 bytes, L 20", IdentifyReply(20, "ZOT-PA 0123456789abc", 21), 1},
                      ReplyCase{"254 bytes", IdentifyReply(11, "ZOT-PB V1.0", 254), 2},
                      ReplyCase{"255 bytes", IdentifyReply(11, "ZOT-PB V1.0", 255), 0},
                      ReplyCase{"L 4", IdentifyReply(4, "ZOT-", 24), 0},
                      ReplyCase{"L equal to the reply", IdentifyReply(24, "ZOT-PA V1.0", 24), 0},
                      ReplyCase{"no space", IdentifyReply(7, "ZOT-PBX", 24), 2},
                      ReplyCase{"unknown model word", IdentifyReply(11, "ZOT-PX V1.0", 24), 0}));

TEST(Connect, SilentIdentifyLogsHeaderAndEmptyLineOnly) {
  zotpx::Port port;
  auto sim = zotpx::test::StartSim({.model = zotpx::DeviceModel::PB, .baud = 230400});
  sim->AddFault({.fault = zotpx::sim::Fault::Silence, .nth = 1, .command = 0x00});
  RecordingReporter reporter;
  const zotpx::ConnectResult result = zotpx::ConnectDevice(port, reporter, kTitle, sim.link.port);
  EXPECT_EQ(result.outcome, ConnectOutcome::NotIdentified);
  EXPECT_EQ(result.rate_index, 5);
  EXPECT_EQ(reporter.Status(), kFailed);
  EXPECT_EQ(reporter.log, kHeaderOnly);
}

TEST(Connect, EndlessReplyIsCutAtTheCollectionBound) {
  zotpx::Port port;
  auto sim = zotpx::test::StartSim({.model = zotpx::DeviceModel::PA, .baud = 9600});
  sim->SetIdentifyReply(IdentifyReply(11, "ZOT-PA V1.0", 2000));
  // What lies past the bound must be untouched by the collection.
  std::memset(port.FrameBuffer, 0xEE, 1024);
  RecordingReporter reporter;
  const zotpx::ConnectResult result = zotpx::ConnectDevice(port, reporter, kTitle, sim.link.port);
  EXPECT_EQ(result.outcome, ConnectOutcome::NotIdentified);
  EXPECT_EQ(reporter.Status(), kFailed);
  EXPECT_EQ(port.FrameBuffer[zotpx::kIdentifyCollectLimit - 1], 0x00);
  EXPECT_EQ(port.FrameBuffer[zotpx::kIdentifyCollectLimit], 0xEE);
}

}  // namespace
