// The device-control commands as bytes: system parameters, clock and date/time frames against
// the known-good frames, the date/time field checks in order, and the identification reply rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>

#include "device/clock_cmd.h"
#include "device/connect.h"
#include "device/date_time.h"
#include "device/system_params.h"
#include "serial/frame.h"

namespace {

using zotpx::Bytes;

TEST(SystemParamsFrame, DefaultsGiveTheKnownFrame) {
  EXPECT_EQ(zotpx::SystemParamsFrame({}), (Bytes{0x55, 0xAA, 0x10, 0x03, 0x80, 0x00, 0x96, 0x29}));
}

TEST(SystemParamsFrame, PacksEnableSwitchesAndOffsets) {
  zotpx::SystemParams off;
  off.overlay_enabled = false;
  EXPECT_EQ(zotpx::SystemParamsFrame(off), (Bytes{0x55, 0xAA, 0x10, 0x03, 0x00, 0x00, 0x96, 0xA9}));

  zotpx::SystemParams high;
  high.key_polarity = {1, 1, 1, 1, 1, 1};
  EXPECT_EQ(zotpx::SystemParamsFrame(high)[5], 0x3F);
  zotpx::SystemParams third;
  third.key_polarity = {0, 0, 1, 0, 0, 0};
  EXPECT_EQ(zotpx::SystemParamsFrame(third)[5], 0x04);

  zotpx::SystemParams offsets;
  offsets.column_offset_ex = 15;
  offsets.column_offset_in = 0;
  EXPECT_EQ(zotpx::SystemParamsFrame(offsets)[6], 0x0F);
  offsets.column_offset_ex = 0;
  offsets.column_offset_in = 15;
  const Bytes frame = zotpx::SystemParamsFrame(offsets);
  EXPECT_EQ(frame[6], 0xF0);
  EXPECT_EQ(frame.back(), zotpx::FrameChecksum(frame.data(), frame.size()));
}

zotpx::LocalDateTime At(int y, int mo, int d, int h, int mi, int s, int ms = 0) {
  return zotpx::LocalDateTime{y, mo, d, h, mi, s, ms};
}

TEST(ClockFrame, WorkedExample) {
  EXPECT_EQ(zotpx::ClockFrame(At(2026, 12, 7, 20, 45, 0)),
            (Bytes{0x55, 0xAA, 0x11, 0x06, 0x1A, 0x0C, 0x07, 0x14, 0x2D, 0x00, 0x85}));
}

TEST(ClockFrame, YearByteWrapsAndMillisecondsAreDropped) {
  EXPECT_EQ(zotpx::ClockYearByte(2000), 0x00);
  EXPECT_EQ(zotpx::ClockYearByte(2026), 0x1A);
  EXPECT_EQ(zotpx::ClockYearByte(2255), 0xFF);
  EXPECT_EQ(zotpx::ClockYearByte(2256), 0x00);
  EXPECT_EQ(zotpx::ClockYearByte(1999), 0xFF);

  const Bytes late = zotpx::ClockFrame(At(2026, 12, 31, 23, 59, 59, 999));
  EXPECT_EQ(Bytes(late.begin() + 4, late.end() - 1), (Bytes{0x1A, 12, 31, 23, 59, 59}));
  const Bytes midnight = zotpx::ClockFrame(At(2027, 1, 1, 0, 0, 0));
  EXPECT_EQ(Bytes(midnight.begin() + 4, midnight.end() - 1), (Bytes{0x1B, 1, 1, 0, 0, 0}));
}

zotpx::DateTimeValues DateDefaults() {
  return {zotpx::ClockField::Date, "292", "0", "yyyy/mm/dd", {}};
}
zotpx::DateTimeValues TimeDefaults() {
  return {zotpx::ClockField::Time, "292", "18", "hh:mm:ss", {0, 2, 0, 0, 0}};
}

TEST(DateTimeFrame, DefaultsGiveTheKnownFrames) {
  EXPECT_EQ(zotpx::DateTimeFrame(DateDefaults()),
            (Bytes{0x55, 0xAA, 0x12, 0x19, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01,
                   0x24, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0A, 0x79, 0x79,
                   0x79, 0x79, 0x2F, 0x6D, 0x6D, 0x2F, 0x64, 0x64, 0x00, 0x3E}));
  EXPECT_EQ(zotpx::DateTimeFrame(TimeDefaults()),
            (Bytes{0x55, 0xAA, 0x12, 0x19, 0x01, 0x10, 0x00, 0x00, 0x00, 0x01,
                   0x24, 0x00, 0x12, 0x00, 0x00, 0x00, 0x00, 0x08, 0x68, 0x68,
                   0x3A, 0x6D, 0x6D, 0x3A, 0x73, 0x73, 0x00, 0x00, 0x00, 0x7F}));
}

TEST(DateTimeFrame, HideSetsBitSevenAndKeepsPositionAndFormat) {
  zotpx::DateTimeValues shown = TimeDefaults();
  zotpx::DateTimeValues hidden = TimeDefaults();
  hidden.attributes.hide = 1;
  Bytes a = zotpx::DateTimeFrame(shown);
  Bytes b = zotpx::DateTimeFrame(hidden);
  EXPECT_EQ(b[5], 0x90);
  b[5] = a[5];
  b.back() = a.back();
  EXPECT_EQ(a, b);
}

TEST(DateTimeFrame, HexPositionAndShortFormatArePlaced) {
  zotpx::DateTimeValues v{zotpx::ClockField::Date, "$17F", "0xFF", "yy/mm/dd", {7, 3, 1, 1, 0}};
  const Bytes frame = zotpx::DateTimeFrame(v);
  ASSERT_EQ(frame.size(), 30u);
  EXPECT_EQ(frame[5], 0x7F);
  EXPECT_EQ(Bytes(frame.begin() + 9, frame.begin() + 13), (Bytes{0x01, 0x7F, 0x00, 0xFF}));
  EXPECT_EQ(frame[17], 8);
  EXPECT_EQ(std::string(frame.begin() + 18, frame.begin() + 26), "yy/mm/dd");
  EXPECT_EQ(Bytes(frame.begin() + 26, frame.begin() + 29), (Bytes{0, 0, 0}));
  EXPECT_EQ(frame.back(), zotpx::FrameChecksum(frame.data(), frame.size()));
}

struct CheckCase {
  const char* what;
  zotpx::ClockField field;
  const char* left;
  const char* top;
  const char* format;
  std::optional<std::string> message;
};

class DateTimeCheckTest : public ::testing::TestWithParam<CheckCase> {};

TEST_P(DateTimeCheckTest, GivesTheFirstFailingMessage) {
  const CheckCase& c = GetParam();
  EXPECT_EQ(zotpx::CheckDateTime({c.field, c.left, c.top, c.format, {}}), c.message) << c.what;
}

constexpr auto D = zotpx::ClockField::Date;
constexpr auto T = zotpx::ClockField::Time;
const std::string kCoord = "失败：不合法的坐标值";
const std::string kDate = "失败：不合法的日期格式";
const std::string kTime = "失败：不合法的时间格式";

INSTANTIATE_TEST_SUITE_P(
    Checks, DateTimeCheckTest,
    ::testing::Values(CheckCase{"defaults", D, "292", "0", "yyyy/mm/dd", std::nullopt},
                      CheckCase{"time defaults", T, "292", "18", "hh:mm:ss", std::nullopt},
                      CheckCase{"corner", D, "383", "255", "yyyy/mm/dd", std::nullopt},
                      CheckCase{"hex X", D, "$FF", "0", "yyyy/mm/dd", std::nullopt},
                      CheckCase{"origin", T, "0", "0", "hh:mm:ss", std::nullopt},
                      CheckCase{"8-char date", D, "0", "0", "yy/mm/dd", std::nullopt},
                      CheckCase{"edge characters", T, "0", "0", "!}!}!}!}", std::nullopt},
                      CheckCase{"X 384", D, "384", "0", "yyyy/mm/dd", kCoord},
                      CheckCase{"Y 256", D, "0", "256", "yyyy/mm/dd", kCoord},
                      CheckCase{"X -1", T, "-1", "0", "hh:mm:ss", kCoord},
                      CheckCase{"empty X", D, "", "0", "yyyy/mm/dd", kCoord},
                      CheckCase{"empty Y", T, "0", "", "hh:mm:ss", kCoord},
                      CheckCase{"trailing space", D, "12 ", "0", "yyyy/mm/dd", kCoord},
                      CheckCase{"letters", D, "abc", "0", "yyyy/mm/dd", kCoord},
                      CheckCase{"bad X before bad format", D, "x", "0", "bad", kCoord},
                      CheckCase{"out of range before bad format", T, "0", "999", "", kCoord},
                      CheckCase{"9-char date", D, "0", "0", "yyyy/mm/d", kDate},
                      CheckCase{"empty date format", D, "0", "0", "", kDate},
                      CheckCase{"10-char time", T, "0", "0", "yyyy/mm/dd", kTime},
                      CheckCase{"7-char time", T, "0", "0", "hh:mm:s", kTime},
                      CheckCase{"space", T, "0", "0", "hh mm ss", kTime},
                      CheckCase{"tilde", D, "0", "0", "yyyy~mm~dd", kDate},
                      CheckCase{"DEL", T, "0", "0", "hh:mm:s\x7f", kTime},
                      CheckCase{"control character", T, "0", "0", "hh:mm:s\t", kTime},
                      CheckCase{"Chinese, 8 characters", D, "0", "0", "yyyy年mm月", kDate},
                      CheckCase{"Chinese, 10 characters", D, "0", "0", "yyyy年mm月dd", kDate}));

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
