// The command frame, its checksum, the byte-wise resynchronising reader and the log line.
#include <gtest/gtest.h>

#include <deque>

#include "serial/frame.h"
#include "serial/reporter.h"

using zotpx::Bytes;

namespace {

// A scripted line: bytes arrive in order; -1 is one silent read period.
struct ScriptedLine {
  std::deque<int> script;
  int silent_periods = 0;
  std::size_t taken = 0;
  zotpx::ByteSource Source() {
    return [this](std::uint8_t& byte) -> std::size_t {
      if (script.empty() || script.front() < 0) {
        if (!script.empty()) script.pop_front();
        ++silent_periods;
        return 0;
      }
      byte = static_cast<std::uint8_t>(script.front());
      script.pop_front();
      ++taken;
      return 1;
    };
  }
  void Add(const Bytes& bytes) { script.insert(script.end(), bytes.begin(), bytes.end()); }
  void Silence(int periods) { script.insert(script.end(), periods, -1); }
};

std::size_t Read(ScriptedLine& line, Bytes& out, int first = 1000, int inter = 500) {
  std::uint8_t buffer[300] = {};
  const std::size_t n = zotpx::ReadFrameFrom(line.Source(), buffer, first, inter);
  out.assign(buffer, buffer + n);
  return n;
}

const Bytes kReply = {0x55, 0xAA, 0x10, 0x01, 0x00, 0x11};

}  // namespace

TEST(Frame, ChecksumCoversCommandLengthAndDataAndWraps) {
  EXPECT_EQ(zotpx::MakeFrame(0x00, {0xFF}), (Bytes{0x55, 0xAA, 0x00, 0x01, 0xFF, 0x00}));
  EXPECT_EQ(zotpx::MakeFrame(0x10, {0x80, 0x00, 0x96}),
            (Bytes{0x55, 0xAA, 0x10, 0x03, 0x80, 0x00, 0x96, 0x29}));
  EXPECT_EQ(zotpx::MakeFrame(0x02, {}).size(), 5u);
}

TEST(Frame, ReadPeriodsRoundUpAndAreAtLeastOne) {
  const std::pair<int, int> cases[] = {{1000, 10}, {500, 5}, {5000, 50}, {150, 2}, {101, 2},
                                       {100, 1},   {1, 1},   {0, 1},     {-5, 1}};
  for (auto [ms, periods] : cases) EXPECT_EQ(zotpx::ReadPeriods(ms), periods) << ms;
}

TEST(ReadFrame, FindsReplyAfterNoiseAndAfterBrokenFrames) {
  struct Case {
    const char* what;
    Bytes before;
  } cases[] = {
      {"noise before the first 0x55", {0x00, 0x13, 0xFF, 0xAA}},
      {"55 55 AA does not sync on the second 55", {0x55, 0x55, 0xAA}},
      {"command byte 0x20 or more", {0x55, 0xAA, 0x20, 0x01, 0x00, 0x21}},
      {"bad checksum", {0x55, 0xAA, 0x10, 0x01, 0x00, 0x12}},
  };
  for (const Case& c : cases) {
    ScriptedLine line;
    line.Add(c.before);
    line.Add(kReply);
    Bytes got;
    EXPECT_EQ(Read(line, got), 6u) << c.what;
    EXPECT_EQ(got, kReply) << c.what;
  }
}

TEST(ReadFrame, FiveByteFrameIsAFrame) {
  ScriptedLine line;
  line.Add({0x55, 0xAA, 0x10, 0x00, 0x10});
  Bytes got;
  EXPECT_EQ(Read(line, got), 5u);
}

TEST(ReadFrame, FailingByteIsNotReexaminedAsSync) {
  // The second 55 fails the AA test and is dropped; the AA after it then fails the 55 test,
  // so the frame that started there is lost and the reader times out.
  ScriptedLine line;
  line.Add({0x55, 0x55, 0xAA, 0x10, 0x01, 0x00, 0x11});
  Bytes got;
  EXPECT_EQ(Read(line, got), 0u);
}

TEST(ReadFrame, CountsTimeoutsInReadPeriods) {
  {  // silence: exactly the first-byte count of periods, then give up
    ScriptedLine line;
    Bytes got;
    EXPECT_EQ(Read(line, got, 1000, 500), 0u);
    EXPECT_EQ(line.silent_periods, 10);
  }
  {  // a stall mid-frame: the inter-byte count
    ScriptedLine line;
    line.Add({0x55, 0xAA, 0x10});
    Bytes got;
    EXPECT_EQ(Read(line, got, 1000, 500), 0u);
    EXPECT_EQ(line.silent_periods, 5);
  }
  {  // four silent periods between bytes are tolerated at 500 ms
    ScriptedLine line;
    line.Add({0x55, 0xAA, 0x10});
    line.Silence(4);
    line.Add({0x01, 0x00, 0x11});
    Bytes got;
    EXPECT_EQ(Read(line, got, 1000, 500), 6u);
  }
  {  // a failed byte restores the first-byte count: 9 silent periods, then the reply, is fine
    ScriptedLine line;
    line.Add({0x55, 0x00});
    line.Silence(9);
    line.Add(kReply);
    Bytes got;
    EXPECT_EQ(Read(line, got, 1000, 500), 6u);
  }
}

TEST(ReadFrame, GivesUpOnABabblingLine) {
  std::size_t taken = 0;
  std::uint8_t buffer[300];
  const auto babble = [&](std::uint8_t& byte) -> std::size_t {
    byte = 0x55;  // never followed by AA
    ++taken;
    return 1;
  };
  EXPECT_EQ(zotpx::ReadFrameFrom(babble, buffer, 1000, 500), 0u);
  EXPECT_EQ(taken, zotpx::kReadFrameByteLimit + 1);
}

TEST(ReadFrame, LongestFrameFitsWithinTheBound) {
  ScriptedLine line;
  line.Add(Bytes(3000, 0x00));  // noise well below the bound...
  Bytes data(255, 0xAB);
  line.Add(zotpx::MakeFrame(0x1F, data));  // ...then a 260-byte frame
  Bytes got;
  EXPECT_EQ(Read(line, got), 260u);
}

TEST(LogLine, HexDigitsWithLeadingZeroAndTrailingSpace) {
  const Bytes bytes = {0x55, 0xAA, 0x10, 0x01, 0x00, 0x11};
  EXPECT_EQ(zotpx::FormatLogLine("接收：", bytes.size(), bytes.data()), "接收：55 AA 10 01 00 11 ");
  EXPECT_EQ(zotpx::FormatLogLine("【参数设置命令】", 0, nullptr), "【参数设置命令】");
  EXPECT_EQ(zotpx::FormatLogLine("", 0, nullptr), "");
  const Bytes frame(260, 0x05);
  EXPECT_EQ(zotpx::FormatLogLine("", frame.size(), frame.data()).size(), 780u);
}
