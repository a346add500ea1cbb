// The crosshair's points: its two commands and its file's origin judge them alike; the crosshair
// file's layout (slots, "PIC " header, zeros) and the checks a generation makes before reading
// shapes.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "command/values.h"
#include "crosshair/cross_file.h"

using zotpx::Bytes;

namespace {

struct PointCase {
  const char* x;
  const char* y;
  bool valid;
};

class CrossCoordinateCheckTest : public ::testing::TestWithParam<PointCase> {};

// Both commands and the crosshair origin judge a point by the same rule, each with its message.
TEST_P(CrossCoordinateCheckTest, AcceptsOnlyPointsOfTheScreen) {
  const PointCase& c = GetParam();
  zotpx::Values settings(*zotpx::FindRow("cross set"));
  settings["text-x"].text = c.x;
  settings["text-y"].text = c.y;
  zotpx::Values move(*zotpx::FindRow("cross move"));
  move["x"].text = c.x;
  move["y"].text = c.y;
  const auto expected = c.valid ? std::nullopt : std::optional<std::string>("失败：不合法的坐标值");
  EXPECT_EQ(settings.row().check(settings), expected) << c.x << ", " << c.y;
  EXPECT_EQ(move.row().check(move), expected) << c.x << ", " << c.y;
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
