// Which object the screen shows at a point: by its ink (a hollow shape's inside is not it), the
// topmost first, the objects the device redraws by itself over the rest, nothing where the
// video shows through; and the list of objects, which forgets what is painted over entirely.
#include "command/codec.h"
#include "command/words.h"
#include "screen_fixture.h"

namespace zotpx::test {
namespace {

// One command by its option words, as its frames.
std::vector<Bytes> Frames(std::string_view row, const std::vector<GivenWord>& words) {
  Values values(*FindRow(row));
  EXPECT_TRUE(SetFieldWords(values, words, Spelling::Options).empty()) << row;
  return BuildFrames(values);
}

struct HitCase {
  const char* what;
  std::vector<std::pair<std::string_view, std::vector<GivenWord>>> commands;
  int x, y;
  const char* command;  // nullptr: nothing there
  std::size_t frame;
};

void PrintTo(const HitCase& c, std::ostream* out) {
  *out << c.what;
}

class Hits : public ScreenTest, public ::testing::WithParamInterface<HitCase> {};

TEST_P(Hits, FindTheTopmostInkAtThePoint) {
  memory = MemoryWithCrosshair();
  model.AttachMemory(memory);
  for (const auto& [row, words] : GetParam().commands)
    for (const Bytes& frame : Frames(row, words)) ASSERT_TRUE(Send(frame));
  const std::optional<screen::DrawnObject> hit =
      model.ObjectAt(GetParam().x, GetParam().y, kStartMs);
  if (!GetParam().command) {
    EXPECT_FALSE(hit) << hit->command;
    return;
  }
  ASSERT_TRUE(hit);
  EXPECT_EQ(hit->command, GetParam().command);
  EXPECT_EQ(hit->frame, GetParam().frame);
  EXPECT_TRUE(hit->InkAt(GetParam().x, GetParam().y));
}

const std::vector<GivenWord> kFrame = {
    {"left", "10"}, {"top", "10"}, {"right", "100"}, {"bottom", "80"}, {"thickness", "2"}};
const std::vector<GivenWord> kBlock = {{"left", "50"},    {"top", "50"},      {"right", "150"},
                                       {"bottom", "150"}, {"filled", "true"}, {"colour", "bg"}};

INSTANTIATE_TEST_SUITE_P(
    Objects, Hits,
    ::testing::Values(
        HitCase{"a rectangle's outline", {{"rect", kFrame}}, 10, 40, "rect", 0},
        HitCase{"inside a hollow rectangle", {{"rect", kFrame}}, 50, 40, nullptr, 0},
        HitCase{"the later of two overlapping",
                {{"rect", kFrame}, {"rect", kBlock}},
                100,
                60,
                "rect",
                1},
        HitCase{"the earlier where the later does not reach",
                {{"rect", kFrame}, {"rect", kBlock}},
                10,
                60,
                "rect",
                0},
        HitCase{"cleared by an area",
                {{"rect", kFrame},
                 {"area", {{"left", "0"}, {"top", "0"}, {"right", "20"}, {"bottom", "255"}}}},
                10,
                40,
                nullptr,
                0},
        HitCase{"a clearing area itself has no ink",
                {{"area", {{"layer", "all"}}}},
                200,
                200,
                nullptr,
                0},
        HitCase{
            "a filled area", {{"area", {{"fill", "true"}, {"layer", "fg"}}}}, 200, 200, "area", 0},
        HitCase{"a text's edge counts as its ink",
                {{"text", {{"text", "HI"}, {"x", "20"}, {"y", "20"}, {"colour", "fg-bg-edge"}}}},
                20,
                19,
                "text",
                0},
        HitCase{"the date over a rectangle",
                {{"rect", {{"filled", "true"}}},
                 {"date", {{"x", "100"}, {"y", "100"}, {"colour", "bg"}}}},
                // The first digit of the year, '2', has ink along its top.
                103,
                104,
                "date",
                1},
        HitCase{
            "the crosshair's shape is its move",
            {{"cross set", {{"text-hide", "true"}}}, {"cross move", {{"x", "200"}, {"y", "100"}}}},
            230,
            100,
            "cross move",
            1},
        HitCase{"the crosshair's read-out is its settings",
                {{"cross set", {{"text-x", "5"}, {"text-y", "5"}, {"text-colour", "fg"}}}},
                // "X:" from (5, 5): the X's strokes cross in the middle of its cell.
                10,
                13,
                "cross set",
                0},
        HitCase{"nothing while the overlay is off",
                {{"rect", kFrame}, {"params", {{"overlay", "off"}}}},
                10,
                40,
                nullptr,
                0}));

TEST_F(ScreenTest, ObjectsPaintedOverEntirelyLeaveTheList) {
  // Far more whole-screen rectangles than the list is looked over for: only the last shows.
  for (int i = 0; i < 300; ++i)
    for (const Bytes& frame : Frames("rect", {{"filled", "true"}, {"colour", i % 2 ? "fg" : "bg"}}))
      ASSERT_TRUE(Send(frame));
  for (const Bytes& frame : Frames("line", {{"x", "5"}, {"y", "5"}, {"length", "20"}}))
    ASSERT_TRUE(Send(frame));
  const std::vector<screen::DrawnObject> objects = model.DrawnObjects(kStartMs);
  ASSERT_EQ(objects.size(), 2u);
  EXPECT_EQ(objects[0].frame, 299u);
  EXPECT_EQ(objects[1].command, "line");
  EXPECT_EQ(objects[1].ink_box.left, 5);
  EXPECT_EQ(objects[1].ink_box.width, 20);
  EXPECT_EQ(model.frames_accepted(), 301u);
  // What the line covers is its, not the rectangle's.
  EXPECT_FALSE(objects[0].InkAt(10, 5));
  EXPECT_TRUE(objects[0].InkAt(10, 20));
}

}  // namespace
}  // namespace zotpx::test
