// Crosshair settings and move frames with their coordinate checks, the crosshair file's
// layout (slots, "PIC " header, zeros) and the checks a generation makes before reading shapes.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "crosshair/cross_cmd.h"
#include "crosshair/cross_file.h"

using zotpx::Bytes;

namespace {

struct SettingsCase {
  const char* name;
  zotpx::CrossSettings values;
  Bytes frame;
};

class CrossSettingsFrameTest : public ::testing::TestWithParam<SettingsCase> {};

TEST_P(CrossSettingsFrameTest, MatchesTheWorkedFrame) {
  const SettingsCase& c = GetParam();
  ASSERT_EQ(zotpx::CheckCrossSettings(c.values), std::nullopt);
  EXPECT_EQ(zotpx::CrossSettingsFrame(c.values), c.frame);
}

zotpx::CrossSettings AllAtTheTop() {
  zotpx::CrossSettings v;
  v.enable = 1;
  v.colour = 1;
  v.shape = 19;
  v.key_step = 18;
  v.text = {7, 3, 1, 1, 1};
  v.text_left = "383";
  v.text_top = "255";
  return v;
}

zotpx::CrossSettings SwitchedOff() {
  zotpx::CrossSettings v;
  v.enable = 1;
  return v;
}

zotpx::CrossSettings LowestShapeAndStep() {
  zotpx::CrossSettings v;
  v.key_step = 0;
  v.text_left = "$10";
  v.text_top = "  7";
  return v;
}

INSTANTIATE_TEST_SUITE_P(
    Frames, CrossSettingsFrameTest,
    ::testing::Values(SettingsCase{"FormDefaults",
                                   {},
                                   {0x55, 0xAA, 0x1E, 0x08, 0x00, 0x01, 0x0A, 0x22, 0x00, 0x00,
                                    0x00, 0x00, 0x53}},
                      SettingsCase{"EverythingAtItsLast",
                                   AllAtTheTop(),
                                   {0x55, 0xAA, 0x1E, 0x08, 0x81, 0x14, 0x14, 0xFF, 0x01, 0x7F,
                                    0x00, 0xFF, 0x4D}},
                      // Off changes bit 7 of the mode byte only; the rest still goes out.
                      SettingsCase{"SwitchedOffKeepsTheRest",
                                   SwitchedOff(),
                                   {0x55, 0xAA, 0x1E, 0x08, 0x80, 0x01, 0x0A, 0x22, 0x00, 0x00,
                                    0x00, 0x00, 0xD3}},
                      SettingsCase{"ShapeOneStepTwoHexAndSpaces",
                                   LowestShapeAndStep(),
                                   {0x55, 0xAA, 0x1E, 0x08, 0x00, 0x01, 0x02, 0x22, 0x00, 0x10,
                                    0x00, 0x07, 0x62}}),
    [](const auto& info) { return std::string(info.param.name); });

struct MoveCase {
  const char* x;
  const char* y;
  Bytes frame;
};

class CrossMoveFrameTest : public ::testing::TestWithParam<MoveCase> {};

TEST_P(CrossMoveFrameTest, MatchesTheWorkedFrame) {
  const MoveCase& c = GetParam();
  const zotpx::CrossMove values{c.x, c.y};
  ASSERT_EQ(zotpx::CheckCrossMove(values), std::nullopt);
  EXPECT_EQ(zotpx::CrossMoveFrame(values), c.frame);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, CrossMoveFrameTest,
    ::testing::Values(
        MoveCase{"192", "128", {0x55, 0xAA, 0x1F, 0x04, 0x00, 0xC0, 0x00, 0x80, 0x63}},
        MoveCase{"300", "255", {0x55, 0xAA, 0x1F, 0x04, 0x01, 0x2C, 0x00, 0xFF, 0x4F}},
        MoveCase{"0", "0", {0x55, 0xAA, 0x1F, 0x04, 0x00, 0x00, 0x00, 0x00, 0x23}}));

struct PointCase {
  const char* x;
  const char* y;
  bool valid;
};

class CrossCoordinateCheckTest : public ::testing::TestWithParam<PointCase> {};

// Both commands and the crosshair origin judge a point by the same rule, each with its message.
TEST_P(CrossCoordinateCheckTest, AcceptsOnlyPointsOfTheScreen) {
  const PointCase& c = GetParam();
  zotpx::CrossSettings settings;
  settings.text_left = c.x;
  settings.text_top = c.y;
  const auto expected = c.valid ? std::nullopt : std::optional<std::string>("失败：不合法的坐标值");
  EXPECT_EQ(zotpx::CheckCrossSettings(settings), expected) << c.x << ", " << c.y;
  EXPECT_EQ(zotpx::CheckCrossMove({c.x, c.y}), expected) << c.x << ", " << c.y;
  EXPECT_EQ(zotpx::ParseCrossOrigin(c.x, c.y).has_value(), c.valid) << c.x << ", " << c.y;
}

INSTANTIATE_TEST_SUITE_P(
    Points, CrossCoordinateCheckTest,
    ::testing::Values(PointCase{"383", "255", true}, PointCase{"0", "0", true},
                      PointCase{"0x17F", "$FF", true}, PointCase{"384", "0", false},
                      PointCase{"-1", "0", false}, PointCase{"0", "256", false},
                      PointCase{"0", "-1", false}, PointCase{"", "0", false},
                      PointCase{"0", "", false}, PointCase{"1a", "0", false},
                      PointCase{"0", "1 ", false}, PointCase{" ", "0", false}));

struct RequestCase {
  const char* x;
  const char* y;
  std::size_t rows;
  std::optional<std::string> failure;
};

class CrossFileRequestTest : public ::testing::TestWithParam<RequestCase> {};

TEST_P(CrossFileRequestTest, ChecksTheOriginBeforeTheList) {
  const RequestCase& c = GetParam();
  EXPECT_EQ(zotpx::CheckCrossFileRequest(c.x, c.y, c.rows), c.failure) << c.x << ", " << c.y;
}

INSTANTIATE_TEST_SUITE_P(
    Requests, CrossFileRequestTest,
    ::testing::Values(RequestCase{"383", "255", 1, std::nullopt},
                      RequestCase{"192", "128", 20, std::nullopt},
                      RequestCase{"384", "128", 0, "失败：不合法的十字线原点坐标值"},
                      RequestCase{"-1", "128", 0, "失败：不合法的十字线原点坐标值"},
                      RequestCase{"192", "256", 3, "失败：不合法的十字线原点坐标值"},
                      RequestCase{"x", "128", 0, "失败：不合法的十字线原点坐标值"},
                      RequestCase{"192", "128", 0, "失败：没有添加位图文件"}));

TEST(CrossFileImageTest, SlotsSitEvery0x3000BytesAndTheHeaderFollowsThem) {
  zotpx::CrossFileImage image;
  ASSERT_EQ(image.bytes().size(), 262144u);
  // A black pixel at x 10, y 0 of shape 1 and at x 383, y 255 of shape 2.
  image.Slot(0)[0 * 48 + 10 / 8] |= 1 << (10 % 8);
  image.Slot(1)[255 * 48 + 383 / 8] |= 1 << (383 % 8);
  image.Slot(19)[0x2FFF] = 0xA5;
  EXPECT_THROW(image.Slot(20), std::out_of_range);
  image.Finish(2, {192, 128});

  const Bytes& file = image.bytes();
  ASSERT_EQ(file.size(), 262144u);
  EXPECT_EQ(file[0x00001], 0x04);
  EXPECT_EQ(file[0x05FFF], 0x80);
  EXPECT_EQ(file[0x3BFFF], 0xA5);
  const Bytes header(file.begin() + 0x3C000, file.begin() + 0x3C009);
  EXPECT_EQ(header, (Bytes{0x50, 0x49, 0x43, 0x20, 0x02, 0x00, 0xC0, 0x00, 0x80}));
  EXPECT_TRUE(
      std::all_of(file.begin() + 0x3C009, file.end(), [](std::uint8_t b) { return b == 0; }));
  EXPECT_EQ(
      std::count_if(file.begin(), file.begin() + 0x3C000, [](std::uint8_t b) { return b != 0; }),
      3);
}

TEST(CrossFileImageTest, OriginAtTheFarCornerIsWrittenHighByteFirst) {
  zotpx::CrossFileImage image;
  image.Finish(20, {383, 255});
  const Bytes& file = image.bytes();
  EXPECT_EQ(Bytes(file.begin() + 0x3C004, file.begin() + 0x3C009),
            (Bytes{0x14, 0x01, 0x7F, 0x00, 0xFF}));
}

}  // namespace
