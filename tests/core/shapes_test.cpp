// Lines, rectangles and circles as bytes: the worked frames, the attribute byte, the coordinate
// encoding, and each shape's range checks at their edges and in their order.
#include "graphics/shapes.h"

#include <gtest/gtest.h>

#include "support/hex.h"

#include <sstream>
#include <string>

namespace {

using zotpx::Bytes;

using zotpx::test::Hex;

zotpx::LineValues Line(const std::string& x, const std::string& y, const std::string& length) {
  zotpx::LineValues v;
  v.x = x;
  v.y = y;
  v.length = length;
  return v;
}

zotpx::RectValues Rect(const std::string& l, const std::string& t, const std::string& r,
                       const std::string& b) {
  zotpx::RectValues v;
  v.left = l;
  v.top = t;
  v.right = r;
  v.bottom = b;
  return v;
}

zotpx::CircleValues Circle(const std::string& x, const std::string& y, int radius) {
  zotpx::CircleValues v;
  v.x = x;
  v.y = y;
  v.radius_index = radius - zotpx::kCircleRadiusOffset;
  return v;
}

TEST(ShapeFrames, FormDefaultsGiveTheWorkedFrames) {
  EXPECT_EQ(zotpx::LineFrame({}), Hex("55 AA 1A 07 09 00 05 00 14 00 C8 0B"));
  EXPECT_EQ(zotpx::RectFrame({}), Hex("55 AA 1B 09 08 00 00 00 00 01 7F 00 FF AB"));
  EXPECT_EQ(zotpx::CircleFrame({}), Hex("55 AA 1C 06 08 00 1E 00 C8 19 29"));
}

TEST(ShapeFrames, AttributeByteCarriesEachFieldInItsBits) {
  struct Case {
    zotpx::ShapeStyle style;
    std::uint8_t expected;
  } cases[] = {
      {{0, 0, 0, 0}, 0x00}, {{1, 0, 0, 0}, 0x01}, {{0, 3, 0, 0}, 0x18},
      {{0, 0, 1, 0}, 0x40}, {{0, 0, 0, 1}, 0x80}, {{1, 3, 1, 1}, 0xD9},
  };
  for (const Case& c : cases) EXPECT_EQ(zotpx::ShapeAttributeByte(c.style), c.expected);
}

TEST(ShapeFrames, DeletingSetsBit7AndKeepsTheGeometry) {
  zotpx::RectValues drawn = Rect("10", "20", "300", "200");
  zotpx::RectValues deleted = drawn;
  deleted.style.show = 1;
  Bytes a = zotpx::RectFrame(drawn);
  Bytes b = zotpx::RectFrame(deleted);
  EXPECT_EQ(b[4], a[4] | 0x80);
  EXPECT_TRUE(std::equal(a.begin() + 5, a.end() - 1, b.begin() + 5));
}

TEST(ShapeFrames, CoordinatesTravelHighByteFirst) {
  const Bytes frame = zotpx::LineFrame(Line("256", "255", "300"));
  EXPECT_EQ(Bytes(frame.begin() + 5, frame.end() - 1), Hex("01 00 00 FF 01 2C"));
  const Bytes circle = zotpx::CircleFrame(Circle("300", "128", 127 - 44));
  EXPECT_EQ(Bytes(circle.begin() + 5, circle.end() - 1), Hex("01 2C 00 80 53"));
}

struct Check {
  const char* name;
  std::optional<std::string> result;
  bool accepted;
};

void ExpectChecks(const std::vector<Check>& cases, const char* message) {
  for (const Check& c : cases) {
    if (c.accepted)
      EXPECT_EQ(c.result, std::nullopt) << c.name;
    else
      EXPECT_EQ(c.result, std::optional<std::string>(message)) << c.name;
  }
}

TEST(ShapeChecks, LineLengthIsCheckedAgainst384WithoutTheEndPoint) {
  zotpx::LineValues vertical = Line("5", "20", "300");
  vertical.style.mode = 1;
  ExpectChecks(
      {
          {"X 383 length 384", zotpx::CheckLine(Line("383", "0", "384")), true},
          {"length 385", zotpx::CheckLine(Line("0", "0", "385")), false},
          {"length -1", zotpx::CheckLine(Line("0", "0", "-1")), false},
          {"length 0", zotpx::CheckLine(Line("0", "0", "0")), true},
          {"vertical 300", zotpx::CheckLine(vertical), true},
          {"X 384", zotpx::CheckLine(Line("384", "0", "1")), false},
          {"Y 255", zotpx::CheckLine(Line("0", "255", "1")), true},
          {"Y 256", zotpx::CheckLine(Line("0", "256", "1")), false},
          {"hex X", zotpx::CheckLine(Line("0x17F", "$FF", "x180")), true},
          {"empty length", zotpx::CheckLine(Line("5", "20", "")), false},
          {"blank X", zotpx::CheckLine(Line(" ", "20", "1")), false},
          {"trailing text", zotpx::CheckLine(Line("5", "20a", "1")), false},
      },
      zotpx::kLineInvalidText);
}

TEST(ShapeChecks, RectangleCornersMustBeOnScreenAndInOrder) {
  ExpectChecks(
      {
          {"single point", zotpx::CheckRect(Rect("10", "10", "10", "10")), true},
          {"left after right", zotpx::CheckRect(Rect("10", "0", "9", "10")), false},
          {"top below bottom", zotpx::CheckRect(Rect("0", "11", "10", "10")), false},
          {"whole screen", zotpx::CheckRect(Rect("0", "0", "383", "255")), true},
          {"right 384", zotpx::CheckRect(Rect("0", "0", "384", "255")), false},
          {"bottom 256", zotpx::CheckRect(Rect("0", "0", "383", "256")), false},
          {"negative left", zotpx::CheckRect(Rect("-1", "0", "10", "10")), false},
          {"bottom empty", zotpx::CheckRect(Rect("0", "0", "10", "")), false},
      },
      zotpx::kShapeInvalidText);
}

TEST(ShapeChecks, CircleMustLieWhollyOnTheScreen) {
  ExpectChecks(
      {
          {"r25 X24", zotpx::CheckCircle(Circle("24", "100", 25)), false},
          {"r25 X25", zotpx::CheckCircle(Circle("25", "100", 25)), true},
          {"r25 X358", zotpx::CheckCircle(Circle("358", "100", 25)), true},
          {"r25 X359", zotpx::CheckCircle(Circle("359", "100", 25)), false},
          {"r127 Y126", zotpx::CheckCircle(Circle("200", "126", 127)), false},
          {"r127 Y127", zotpx::CheckCircle(Circle("200", "127", 127)), true},
          {"r127 Y128", zotpx::CheckCircle(Circle("200", "128", 127)), true},
          {"r127 Y129", zotpx::CheckCircle(Circle("200", "129", 127)), false},
          {"r5 corner", zotpx::CheckCircle(Circle("5", "5", 5)), true},
          {"huge X does not wrap", zotpx::CheckCircle(Circle("2147483647", "100", 25)), false},
          {"centre Y empty", zotpx::CheckCircle(Circle("100", "", 25)), false},
          {"radius beyond the list", zotpx::CheckCircle(Circle("200", "128", 128)), false},
      },
      zotpx::kShapeInvalidText);
}

}  // namespace
