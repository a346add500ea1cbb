// zotpx format through the real program: the designer's form of a layout, which gives the same
// start-up commands and the same picture as its source, carries its bitmaps along, and is
// written again unchanged; what it must not write over it refuses, with nothing written.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "cli/zotpx_run.h"
#include "scratch_files.h"
#include "support/bmp_writer.h"

namespace {

using zotpx::Bytes;
using zotpx::test::RunZotpx;
using zotpx::test::WriteText;

Bytes ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// The start-up commands and the picture a layout gives.
std::pair<Bytes, Bytes> Made(const std::string& layout, const std::string& dir) {
  EXPECT_EQ(RunZotpx({"static", layout, "-o", dir + "made.txt"}).status, 0) << layout;
  EXPECT_EQ(
      RunZotpx({"render", layout, "--at", "2026-05-06 07:08:09", "-o", dir + "made.png"}).status, 0)
      << layout;
  return {ReadBytes(dir + "made.txt"), ReadBytes(dir + "made.png")};
}

TEST(FormatTest, TheSameFramesAndPictureInOneFormThatStays) {
  const std::string dir = zotpx::test::ScratchFolder("format", "form");
  std::filesystem::create_directories(dir + "marks");
  WriteText(dir + "marks/marks.toml",
            "model = \"ZOT-PA\"\n[[area]]\nlayer = \"all\"\n[[rect]] # the frame\nname = \"框\"\n"
            "left = \"$1F\"\nlocked = true\n[[text]]\ntext = \"温度\"\nhidden = true\n"
            "[[bitmap]]\nkind = \"single\"\nfile = \"../pa/logo.bmp\"\n");
  std::filesystem::create_directories(dir + "pa");
  std::filesystem::copy(ZOTPX_EXAMPLES_DIR "/logo.bmp", dir + "pa/logo.bmp");
  for (const std::string& source :
       {std::string(ZOTPX_EXAMPLES_DIR "/zotpx-pa.toml"),
        std::string(ZOTPX_EXAMPLES_DIR "/zotpx-pb.toml"), dir + "marks/marks.toml"}) {
    const std::string out = dir + "out/formatted.toml";
    std::filesystem::create_directories(dir + "out");
    const auto formatted = RunZotpx({"format", source, "-o", out});
    ASSERT_EQ(formatted.status, 0) << formatted.err;
    EXPECT_EQ(Made(out, dir), Made(source, dir)) << source;
    // Its own output, to standard output, is the same text.
    const auto again = RunZotpx({"format", out});
    ASSERT_EQ(again.status, 0) << again.err;
    const Bytes written = ReadBytes(out);
    EXPECT_EQ(again.out, std::string(written.begin(), written.end())) << source;
    std::filesystem::remove_all(dir + "out");
  }
  std::filesystem::remove_all(dir);
}

TEST(FormatTest, WritesNothingOverItsSourceOrAnotherPicture) {
  const std::string dir = zotpx::test::ScratchFolder("format", "refused");
  const std::string layout = dir + "a.toml";
  const std::string text = "[[bitmap]]\nkind = \"single\"\nfile = \"logo.bmp\"\n";
  WriteText(layout, text);
  ASSERT_TRUE(zotpx::test::WriteFileBytes(
      dir + "logo.bmp",
      zotpx::test::MakeBmp({.width = 16, .height = 8}, [](int x, int) { return x < 3; })));
  ASSERT_EQ(symlink("a.toml", (dir + "link.toml").c_str()), 0);
  std::filesystem::create_directories(dir + "other");
  const Bytes other_logo = zotpx::test::MakeBmp({.width = 8, .height = 8});
  ASSERT_TRUE(zotpx::test::WriteFileBytes(dir + "other/logo.bmp", other_logo));
  struct Case {
    const char* what;
    std::string out;
    std::string says;
  };
  std::vector<Case> cases = {
      {"the layout itself", layout, "is the layout itself"},
      {"beside another picture of that name", dir + "other/b.toml", "is another picture"},
  };
  // Wine shows zotpx.exe no Linux link for what it is.
  if (!zotpx::test::TestsWindowsProgram())
    cases.push_back({"the layout through a link", dir + "link.toml", "is the layout itself"});
  for (const Case& c : cases) {
    const auto run = RunZotpx({"format", layout, "-o", c.out});
    EXPECT_EQ(run.status, 2) << c.what;
    EXPECT_NE(run.err.find(c.says), std::string::npos) << c.what << ": " << run.err;
  }
  EXPECT_EQ(ReadBytes(layout), Bytes(text.begin(), text.end()));
  EXPECT_EQ(ReadBytes(dir + "other/logo.bmp"), other_logo);
  EXPECT_FALSE(std::filesystem::exists(dir + "other/b.toml"));
  std::filesystem::remove_all(dir);
}

}  // namespace
