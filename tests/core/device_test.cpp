// The device's side of connecting and of its clock: the identification reply rules and the
// clock's year byte. (The commands' frames and checks are the command table's: frame table,
// command_checks_test.)
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>

#include "device/clock.h"
#include "device/connect.h"
#include "serial/frame.h"

namespace {

using zotpx::Bytes;

// Years past 2255 come back as others: the one byte wraps.
TEST(ClockYearByte, IsTheYearAfter2000AndWraps) {
  EXPECT_EQ(zotpx::ClockYearByte(2000), 0x00);
  EXPECT_EQ(zotpx::ClockYearByte(2026), 0x1A);
  EXPECT_EQ(zotpx::ClockYearByte(2255), 0xFF);
  EXPECT_EQ(zotpx::ClockYearByte(2256), 0x00);
  EXPECT_EQ(zotpx::ClockYearByte(1999), 0xFF);
}

// Identification replies: L, the text, then zero padding up to `total` bytes.
Bytes Reply(std::size_t length_byte, const std::string& text, std::size_t total) {
  Bytes reply(1 + text.size());
  reply[0] = static_cast<std::uint8_t>(length_byte);
  std::copy(text.begin(), text.end(), reply.begin() + 1);
  reply.resize(total, 0);
  return reply;
}

struct IdentifyCase {
  const char* what;
  Bytes reply;
  int model;  // 0: refused
  const char* version;
};

class IdentifyReplyTest : public ::testing::TestWithParam<IdentifyCase> {};

TEST_P(IdentifyReplyTest, AcceptsOnlyWellFormedKnownModels) {
  const IdentifyCase& c = GetParam();
  const auto found = zotpx::AcceptIdentifyReply(c.reply.data(), c.reply.size());
  if (c.model == 0) {
    EXPECT_FALSE(found.has_value()) << c.what;
    return;
  }
  ASSERT_TRUE(found.has_value()) << c.what;
  EXPECT_EQ(static_cast<int>(found->model), c.model) << c.what;
  EXPECT_EQ(found->version, c.version) << c.what;
}

Bytes Filled(std::size_t length_byte, const std::string& text, std::size_t total,
             std::uint8_t fill) {
  Bytes reply = Reply(length_byte, text, length_byte + 1);
  reply.resize(total, fill);
  return reply;
}

INSTANTIATE_TEST_SUITE_P(
    Replies, IdentifyReplyTest,
    ::testing::Values(
        IdentifyCase{"21 bytes, L 20", Reply(20, "ZOT-PA V1.0 20261207", 21), 1,
                     "ZOT-PA V1.0 20261207"},
        IdentifyCase{"20 bytes", Reply(19, "ZOT-PA V1.0 2026120", 20), 0, ""},
        IdentifyCase{"254 bytes", Reply(12, "ZOT-PB V3.2a", 254), 2, "ZOT-PB V3.2a"},
        IdentifyCase{"255 bytes", Reply(12, "ZOT-PB V3.2a", 255), 0, ""},
        IdentifyCase{"L 4", Reply(4, "ZOT-PA V1", 30), 0, ""},
        IdentifyCase{"L equal to R", Reply(30, "ZOT-PA V1", 30), 0, ""},
        IdentifyCase{"L one less than R", Filled(29, "ZOT-PA 123456789012345678901Z", 30, 0), 1,
                     "ZOT-PA 123456789012345678901Z"},
        IdentifyCase{"no space: first L-1 characters", Reply(7, "ZOT-PBQ", 24), 2, "ZOT-PBQ"},
        IdentifyCase{"model word cut by L", Reply(6, "ZOT-PA", 24), 0, ""},
        IdentifyCase{"model word then space at L", Reply(7, "ZOT-PA ", 24), 1, "ZOT-PA "},
        IdentifyCase{"longer word", Reply(12, "ZOT-PAX V1.0", 24), 0, ""},
        IdentifyCase{"lower case", Reply(12, "zot-pa V1.0", 24), 0, ""},
        IdentifyCase{"unknown word", Reply(12, "ZOT-PC V1.0", 24), 0, ""},
        IdentifyCase{"the unknown-model item is not a model", Reply(16, "未知型号 V1", 24), 0, ""},
        IdentifyCase{"leading space", Reply(12, " ZOT-PA V1.", 24), 0, ""},
        IdentifyCase{"version ends at a zero byte",
                     Reply(16, std::string("ZOT-PA V9\0junk!!", 16), 24), 1, "ZOT-PA V9"},
        IdentifyCase{"bytes after the text are ignored", Filled(10, "ZOT-PB V1.", 40, 'Z'), 2,
                     "ZOT-PB V1."}));

}  // namespace
