// The simulated device's answers as the host sees them through the real port code: the probe
// at its own rate only, identification, ordinary replies, memory erase and write, refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "base/attributes.h"
#include "serial/frame.h"
#include "serial/port.h"
#include "simulated_device.h"
#include "support/sim_fixture.h"

namespace {

using zotpx::Bytes;
using zotpx::MakeFrame;
constexpr std::size_t kMemorySize = zotpx::kDeviceMemorySize;

const Bytes kAck = {0x55, 0xAA, 0x02, 0x01, 0x01, 0x04};
const Bytes kRefusal = {0x55, 0xAA, 0x02, 0x01, 0x00, 0x03};

Bytes Erase(std::size_t address) {
  return MakeFrame(0x02, {0x40, 0x00, std::uint8_t(address >> 16), std::uint8_t(address >> 8),
                          std::uint8_t(address)});
}

Bytes Write(std::size_t address, const Bytes& data) {
  Bytes body(5 + data.size());
  body[0] = 0x80;
  body[1] = std::uint8_t(data.size());
  body[2] = std::uint8_t(address >> 16);
  body[3] = std::uint8_t(address >> 8);
  body[4] = std::uint8_t(address);
  std::copy(data.begin(), data.end(), body.begin() + 5);
  return MakeFrame(0x02, body);
}

// Sends raw bytes (a bad checksum stays bad) and reads one reply frame; empty when none.
Bytes Exchange(zotpx::Port& port, const Bytes& request, int first_byte_ms = 1000) {
  if (port.Write(request.data(), request.size()) != request.size()) return {};
  const std::size_t n = zotpx::ReadFrame(port, port.FrameBuffer, first_byte_ms, 500);
  return Bytes(port.FrameBuffer, port.FrameBuffer + n);
}

// Everything the device sends until the line falls silent for one read period.
Bytes ReadUntilSilent(zotpx::Port& port) {
  Bytes got;
  std::uint8_t byte;
  while (got.size() < 1024 && port.Read(&byte, 1) == 1) got.push_back(byte);
  return got;
}

class SimDeviceTest : public ::testing::Test {
 protected:
  void TearDown() override { port_.Close(); }
  zotpx::Port port_;
};

TEST_F(SimDeviceTest, ProbeIsAnsweredOnlyAtTheDevicesOwnRate) {
  for (int own : {9600, 345600}) {
    auto sim = zotpx::test::StartSim({.baud = own});
    sim->SetProbeAnswer(19200, 0x3C);
    ASSERT_TRUE(port_.Open(sim.link.port, 9600));
    for (int rate : zotpx::kBaudRateList) {
      ASSERT_TRUE(port_.SetRate(rate));
      const std::uint8_t probe = 0x5A;
      ASSERT_EQ(port_.Write(&probe, 1), 1u);
      const Bytes answer = ReadUntilSilent(port_);
      const Bytes expected = rate == own ? Bytes{0xA5} : rate == 19200 ? Bytes{0x3C} : Bytes{};
      EXPECT_EQ(answer, expected) << "device at " << own << ", host at " << rate;
    }
    port_.Close();
    EXPECT_EQ(sim->ReceivedFrameCount(), 0u) << "the probe is not a frame";
  }
}

TEST_F(SimDeviceTest, FramesAtAnotherRateGoUnanswered) {
  auto sim = zotpx::test::StartSim({.baud = 115200});
  ASSERT_TRUE(port_.Open(sim.link.port, 57600));
  EXPECT_TRUE(Exchange(port_, MakeFrame(0x10, {1, 2}), 200).empty());
  EXPECT_EQ(sim->ReceivedFrameCount(), 0u);
  ASSERT_TRUE(port_.SetRate(115200));
  EXPECT_EQ(Exchange(port_, MakeFrame(0x10, {1, 2})), MakeFrame(0x10, {0x00}));
}

TEST_F(SimDeviceTest, IdentifyAnswersWithLengthAndModelText) {
  const Bytes custom = {5, 'Z', 'O', 'T', '-', 'X', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  struct Case {
    zotpx::sim::DeviceConfig config;
    Bytes replaced;  // SetIdentifyReply, when not empty
    std::string text;
    std::size_t size;
  } cases[] = {
      {{.model = zotpx::DeviceModel::PA}, {}, "ZOT-PA V2.1 build 2026-11", 26},
      {{.model = zotpx::DeviceModel::PB, .version = "V1"}, {}, "ZOT-PB V1", 21},  // padded to 21
      {{.model = zotpx::DeviceModel::PB, .version = std::string(300, 'v')},
       {},
       "ZOT-PB " + std::string(246, 'v'),
       254},
      {{}, custom, "ZOT-X", custom.size()},
  };
  for (const Case& c : cases) {
    auto sim = zotpx::test::StartSim(c.config);
    if (!c.replaced.empty()) sim->SetIdentifyReply(c.replaced);
    ASSERT_TRUE(port_.Open(sim.link.port, sim.link.baud));
    const Bytes request = {0x55, 0xAA, 0x00, 0x01, 0xFF, 0x00};
    ASSERT_EQ(port_.Write(request.data(), request.size()), request.size());
    const Bytes reply = ReadUntilSilent(port_);
    port_.Close();
    ASSERT_EQ(reply.size(), c.size) << c.text;
    ASSERT_EQ(reply[0], c.text.size());
    EXPECT_EQ(std::string(reply.begin() + 1, reply.begin() + 1 + reply[0]), c.text);
    EXPECT_EQ(sim->ReceivedFrames(), std::vector<Bytes>{request});
  }
}

TEST_F(SimDeviceTest, OrdinaryCommandsAreEchoedWithAStatusByte) {
  auto sim = zotpx::test::StartSim();
  ASSERT_TRUE(port_.Open(sim.link.port, sim.link.baud));
  std::vector<Bytes> sent;
  for (std::uint8_t code :
       {0x10, 0x11, 0x12, 0x14, 0x15, 0x16, 0x17, 0x1A, 0x1B, 0x1C, 0x1D, 0x1E, 0x1F}) {
    sent.push_back(MakeFrame(code, Bytes(code, 0x33)));
    EXPECT_EQ(Exchange(port_, sent.back()), MakeFrame(code, {0x00})) << int(code);
  }
  EXPECT_EQ(sim->ReceivedFrames(), sent);
}

TEST_F(SimDeviceTest, EraseAndWriteReachTheMemory) {
  auto sim = zotpx::test::StartSim();
  ASSERT_TRUE(port_.Open(sim.link.port, sim.link.baud));
  EXPECT_EQ(sim->Memory(), Bytes(kMemorySize, 0xFF));
  Bytes block(240);
  for (std::size_t i = 0; i < block.size(); ++i) block[i] = std::uint8_t(i);
  EXPECT_EQ(Exchange(port_, Write(0x37F80, block)), kAck);  // straddles the 0x38000 region start
  Bytes memory = sim->Memory();
  EXPECT_EQ(Bytes(memory.begin() + 0x37F80, memory.begin() + 0x37F80 + 240), block);
  EXPECT_EQ(Exchange(port_, Erase(0x18000), 5000), kAck);
  memory = sim->Memory();
  EXPECT_EQ(memory[0x37FFF], 0xFF);
  EXPECT_EQ(memory[0x38000], block[0x80]) << "the next region is untouched";
}

TEST_F(SimDeviceTest, BadOrOutOfRangeMemoryRequestsAreRefusedAndChangeNothing) {
  Bytes bad_checksum = Write(0x100, {1, 2, 3});
  bad_checksum.back() ^= 0x01;
  Bytes short_count = Write(0x100, {1, 2, 3});
  short_count[5] = 2;  // n disagrees with the frame's length
  short_count.back() = zotpx::FrameChecksum(short_count.data(), short_count.size());
  const struct {
    const char* what;
    Bytes request;
    Bytes reply;
  } cases[] = {
      {"bad checksum: dropped, no answer", bad_checksum, {}},
      {"erase past the end", Erase(kMemorySize), kRefusal},
      {"write past the end", Write(kMemorySize - 2, {1, 2, 3}), kRefusal},
      {"count disagrees with length", short_count, kRefusal},
      {"unknown sub-code", MakeFrame(0x02, {0x20, 0x00, 0x00, 0x01, 0x00}), kRefusal},
      {"no address", MakeFrame(0x02, {0x40}), kRefusal},
  };
  auto sim = zotpx::test::StartSim();
  ASSERT_TRUE(port_.Open(sim.link.port, sim.link.baud));
  for (const auto& c : cases) EXPECT_EQ(Exchange(port_, c.request), c.reply) << c.what;
  EXPECT_EQ(sim->Memory(), Bytes(kMemorySize, 0xFF));
  EXPECT_EQ(sim->ReceivedFrameCount(), std::size(cases));
}

// The erase regions, straight on the model: 16 KiB below 0x8000, 64 KiB below 0x18000, then
// 128 KiB, clipped at the end of the memory.
TEST(SimDeviceModel, EraseClearsTheRegionItStartsAndNothingAround) {
  const std::pair<std::size_t, std::size_t> regions[] = {{0x0, 0x4000},      {0x4000, 0x8000},
                                                         {0x8000, 0x18000},  {0x18000, 0x38000},
                                                         {0x58000, 0x78000}, {0x70000, 0x78000}};
  for (const auto& [start, end] : regions) {
    zotpx::sim::SimulatedDevice model({});
    long long t = 0;
    auto feed = [&](const Bytes& frame) {
      std::optional<zotpx::sim::Reply> reply;
      for (std::uint8_t b : frame) reply = model.Feed(b, 9600, t += 100);
      return reply ? reply->bytes : Bytes{};
    };
    for (std::size_t a : {start - 1, start, end - 1, end}) {
      if (a < kMemorySize) {
        ASSERT_EQ(feed(Write(a, {0x00})), kAck);
      }
    }
    ASSERT_EQ(feed(Erase(start)), kAck);
    const Bytes& m = model.memory();
    EXPECT_EQ(m[start], 0xFF) << std::hex << start;
    EXPECT_EQ(m[end - 1], 0xFF) << std::hex << start;
    if (start > 0) {
      EXPECT_EQ(m[start - 1], 0x00) << std::hex << start;
    }
    if (end < kMemorySize) {
      EXPECT_EQ(m[end], 0x00) << std::hex << start;
    }
  }
}

TEST(SimDeviceModel, AFrameLeftUnfinishedIsAbandoned) {
  zotpx::sim::SimulatedDevice model({});
  const Bytes frame = MakeFrame(0x10, {1, 2, 3});
  for (std::size_t i = 0; i < 4; ++i) EXPECT_FALSE(model.Feed(frame[i], 9600, 1000));
  std::optional<zotpx::sim::Reply> reply;
  for (std::uint8_t b : frame) reply = model.Feed(b, 9600, 200000);  // 0.2 s later
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->bytes, MakeFrame(0x10, {0x00}));
  EXPECT_EQ(model.received(), std::vector<Bytes>{frame});
}

}  // namespace
