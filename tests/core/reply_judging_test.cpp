// Replies judged against their requests, and frames with every fault said: frames computed by
// hand from the frame rules (55 AA, code, length, data, sum of code..data), never by the
// encoder.
#include <gtest/gtest.h>

#include "command/codec.h"
#include "command/explain.h"
#include "support/hex.h"

namespace {

using zotpx::test::Hex;

struct ReplyCase {
  std::optional<std::uint8_t> request;
  std::string reply;
  std::string words;
  bool accepted;
};

TEST(ReplyJudgingTest, EveryReasonAReplyIsNotTakenIsSaid) {
  const std::vector<ReplyCase> cases = {
      {0x1B, "55 AA 1B 01 00 1C", "reply to 矩形控制命令: acknowledged (status 00); checksum ok",
       true},
      {0x1B, "55 AA 1A 01 00 1B",
       "reply to 矩形控制命令: not accepted (status 00); its code 0x1A is not the request's "
       "0x1B; checksum ok",
       false},
      // Two faults at once: neither hides the other.
      {0x1B, "55 AA 1A 01 00 1C",
       "reply to 矩形控制命令: not accepted (status 00); its code 0x1A is not the request's "
       "0x1B; checksum wrong (should be 1B): dropped by the reader",
       false},
      {0x1B, "55 AA 1B 00 1B",
       "reply to 矩形控制命令: not accepted (status 00); a reply has 1 data byte, this one 0; "
       "checksum ok",
       false},
      {std::nullopt, "55 AA 05 01 00 06",
       "reply to code 05: not accepted (status 00); no command of the device has code 0x05; "
       "checksum ok",
       false},
      {std::nullopt, "55 AA 25 01 00 26",
       "reply to code 25: not accepted (status 00); code 0x25 is above 0x1F: never a frame; "
       "checksum ok",
       false},
      {0x02, "55 AA 02 01 01 04", "reply to 擦除存储器/写入存储器: done; checksum ok", true},
      {0x02, "55 AA 02 01 00 03",
       "reply to 擦除存储器/写入存储器: refused (status 00); checksum ok", false},
      {0x02, "55 AA 1B 01 01 1D",
       "reply to 擦除存储器/写入存储器: not accepted (status 01); its code 0x1B is not the "
       "request's 0x02; checksum ok",
       false},
  };
  for (const ReplyCase& c : cases) {
    const zotpx::ReplyMeaning reply = zotpx::ReadReply(Hex(c.reply), c.request);
    EXPECT_EQ(zotpx::DescribeReply(reply), c.words) << c.reply;
    EXPECT_EQ(reply.accepted, c.accepted) << c.reply;
  }
}

TEST(ReplyJudgingTest, AFrameSaysEveryFaultAndTheRefusalBeside) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"55 AA 25 01 00 00",
       "code 0x25 is above 0x1F: never a frame; checksum wrong (should be 26): dropped"},
      // A radius of 200 is no item, and a circle of it centred at (30, 200) leaves the screen.
      {"55 AA 1C 06 08 00 1E 00 C8 C8 D8",
       "圆形控制命令 circle colour=fg thickness=2 x=30 y=200 radius=200; radius: code 200 is no "
       "item of its "
       "list; checksum ok; refused: 圆形控制命令失败：请输入合法的坐标数值"},
  };
  for (const auto& [frame, words] : cases)
    EXPECT_EQ(zotpx::DescribeFrame(zotpx::DecodeFrame(Hex(frame))), words) << frame;
}

}  // namespace
