// Layouts in memory and their one writer: what is written reads back to the very same frames,
// names, marks and model, and writing that again gives the very same text; the keys the
// designer adds are checked like the rest; hidden objects are kept but neither sent nor drawn;
// saving puts the bitmaps beside the layout and never replaces another picture unasked.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "../cli/scratch_files.h"
#include "layout/layout_reader.h"
#include "layout/layout_writer.h"
#include "scene/scene.h"
#include "support/bmp_writer.h"

namespace zotpx::test {
namespace {

std::vector<std::vector<Bytes>> FramesOf(const Layout& layout) {
  std::vector<std::vector<Bytes>> frames;
  for (const LayoutObject& object : layout.objects) frames.push_back(BuildFrames(object.values));
  return frames;
}

struct RoundTrip {
  const char* name;
  std::string text;  // empty: the example of that name
};

void PrintTo(const RoundTrip& c, std::ostream* out) {
  *out << c.name;
}

class Written : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(Written, ReadsBackToTheSameFramesAndWritesTheSameText) {
  const std::string examples = ZOTPX_EXAMPLES_DIR "/";
  const Layout source = GetParam().text.empty()
                            ? LoadLayout(examples + GetParam().name + ".toml")
                            : ParseLayout(GetParam().text, "given.toml", examples);
  ASSERT_TRUE(source.ok()) << source.errors.front();
  const LayoutFile first = WriteLayout(source);
  const Layout again = ParseLayout(first.toml, "written.toml", examples);
  ASSERT_TRUE(again.ok()) << again.errors.front() << "\n" << first.toml;
  EXPECT_EQ(FramesOf(again), FramesOf(source));
  EXPECT_EQ(again.model, source.model);
  ASSERT_EQ(again.objects.size(), source.objects.size());
  for (std::size_t i = 0; i < source.objects.size(); ++i) {
    EXPECT_EQ(again.objects[i].name, source.objects[i].name);
    EXPECT_EQ(again.objects[i].hidden, source.objects[i].hidden);
    EXPECT_EQ(again.objects[i].locked, source.objects[i].locked);
  }
  EXPECT_EQ(WriteLayout(again).toml, first.toml);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, Written,
    ::testing::Values(
        RoundTrip{"zotpx-pa", ""}, RoundTrip{"zotpx-pb", ""},
        RoundTrip{"marks",
                  "model = \"ZOT-PA\"\n"
                  "[[rect]]\nname = \"框 \\\"外\\\" \\\\\"\nhidden = true\nlocked = true\n"
                  "left = \"$1F\"\nright = 0x40\n"
                  "[[text]]\ntext = \"温度 \\\"25\\\"\"\ncolour = 2\nsize = 2\n"},
        RoundTrip{"flags, lists and the clock",
                  "[clock]\nat = \"2030-02-03 04:05:06\"\n[[area]]\nfill = true\nlayer = 2\n"
                  "[[circle]]\nx = 100\ny = 100\nradius = 40\nfilled = true\n"
                  "[[line]]\nvertical = true\nlength = 100\nthickness = 4\ndelete = false\n"},
        RoundTrip{"bitmaps by their own names",
                  "[[bitmap]]\nkind = \"single\"\nfile = \"logo.bmp\"\n"
                  "[[bitmap]]\nkind = \"flashing\"\nfile = \"marker.bmp\"\nhidden = true\n"}));

struct Refused {
  const char* name;
  std::string text;
  std::string error;  // the first, whole
};

void PrintTo(const Refused& c, std::ostream* out) {
  *out << c.name;
}

class DesignerKeys : public ::testing::TestWithParam<Refused> {};

TEST_P(DesignerKeys, AreCheckedWithTheirLine) {
  const Layout layout = ParseLayout(GetParam().text, "l.toml", "/nonexistent/");
  ASSERT_FALSE(layout.ok());
  EXPECT_EQ(layout.errors.front(), GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, DesignerKeys,
    ::testing::Values(
        Refused{"a model of no name", "model = \"ZOT-PC\"\n[[rect]]\n",
                "l.toml:1: model = \"ZOT-PA\" or \"ZOT-PB\""},
        Refused{"an object the model lacks", "model = \"ZOT-PB\"\n\n[[rect]]\nleft = 1\n",
                "l.toml:3: [rect]: the layout is for a ZOT-PB, which has no rect (ZOT-PA only)"},
        Refused{"hidden as a number", "[[rect]]\nhidden = 1\n", "l.toml:2: hidden: true or false"},
        Refused{"a name that is no text", "[[rect]]\n\nname = 5\n",
                "l.toml:3: name: a text in quotes"}));

TEST(HiddenObjects, AreKeptButNeitherSentNorDrawn) {
  const std::string shown = "[[rect]]\nfilled = true\n";
  const Layout hidden = ParseLayout(shown + "hidden = true\n", "h.toml", "");
  const Layout empty = ParseLayout("", "e.toml", "");
  ASSERT_TRUE(hidden.ok());
  ASSERT_EQ(hidden.objects.size(), 1u);
  EXPECT_TRUE(StaticFramesOf(hidden).frames.empty());
  const SceneSetup setup;
  EXPECT_EQ(Scene(hidden, setup).picture().rgba, Scene(empty, setup).picture().rgba);
  EXPECT_NE(Scene(ParseLayout(shown, "s.toml", ""), setup).picture().rgba,
            Scene(empty, setup).picture().rgba);
}

TEST(SavedLayouts, CarryTheirBitmapsAndReplaceNoOtherPicture) {
  const std::string from = ScratchFolder("layout_model", "from");
  const std::string to = ScratchFolder("layout_model", "to");
  const Bytes logo = MakeBmp({.width = 16, .height = 8}, [](int x, int) { return x < 4; });
  ASSERT_TRUE(WriteFileBytes(from + "logo.bmp", logo));
  WriteText(from + "a.toml", "[[bitmap]]\nkind = \"single\"\nfile = \"logo.bmp\"\n");
  const LayoutFile file = WriteLayout(LoadLayout(from + "a.toml"));
  // Beside itself, nothing is replaced; elsewhere the picture goes along.
  EXPECT_TRUE(BitmapsReplaced(file, from + "a.toml").empty());
  EXPECT_FALSE(SaveLayoutFile(file, to + "b.toml"));
  const Layout saved = LoadLayout(to + "b.toml");
  ASSERT_TRUE(saved.ok());
  EXPECT_EQ(saved.bitmaps.at("logo.bmp"), logo);
  // Another picture of that name is not replaced unasked.
  ASSERT_TRUE(WriteFileBytes(to + "logo.bmp", MakeBmp({.width = 16, .height = 8})));
  EXPECT_EQ(BitmapsReplaced(file, to + "b.toml"), std::vector<std::string>{"logo.bmp"});
  std::filesystem::remove_all(from);
  std::filesystem::remove_all(to);
}

}  // namespace
}  // namespace zotpx::test
