// Every file option of zotpx with names outside ASCII, a space, and paths relative to the
// current folder written with the system's own separator: '\' when the program under test is
// the Windows build (scripts/windows/test), '/' here. Each file is found, made or read where
// its name says: a layout's bitmaps beside it, a new log folder under its own name.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <random>

#include "cli/zotpx_run.h"
#include "scratch_files.h"
#include "support/bmp_writer.h"
#include "support/sim_fixture.h"
#include "text/font_library.h"

namespace {

using zotpx::test::RunZotpx;

const std::string kFolder = "目录 一";

// "@name" is `name` in the case folder, as the program under test writes a relative path.
std::string Arg(const std::string& word) {
  if (word.empty() || word[0] != '@') return word;
  const char separator = zotpx::test::TestsWindowsProgram() ? '\\' : '/';
  std::string path = kFolder + "/" + word.substr(1);
  std::replace(path.begin(), path.end(), '/', separator);
  return path;
}

struct NameCase {
  std::vector<std::string> args;
  int status;
  std::vector<std::string> made;  // in the case folder, '/' between folders
};

// A port that no system here has: a device command stops there (3), after its files were
// read; a file it could not read would stop it before, with 2.
const char* const kNoPort = "COM250";

TEST(FileNamesTest, EveryFileOptionTakesChineseNamesAndTheSystemsSeparator) {
  const std::string dir = zotpx::test::ScratchFolder("names", "all");
  const std::string folder = dir + kFolder + "/";
  std::filesystem::create_directories(folder);
  using zotpx::test::MakeBmp;
  using zotpx::test::WriteFileBytes;
  WriteFileBytes(folder + "标志.bmp", MakeBmp({32, 32}, [](int x, int y) { return x == y; }));
  WriteFileBytes(folder + "形状.bmp", MakeBmp({384, 256}, [](int x, int y) { return x == y; }));
  WriteFileBytes(folder + "背景.bmp",
                 MakeBmp({.width = 64, .height = 48, .bits_per_pixel = 24, .dark = 0x204060},
                         [](int x, int) { return x < 32; }));
  zotpx::test::WriteText(folder + "静态.txt", "55 AA 14 08 22 00 05 00 32 41 42 43 3B 00\r\n");
  zotpx::test::WriteText(folder + "布局.toml",
                         "[[bitmap]]\nkind = \"single\"\nx = 10\nfile = \"标志.bmp\"\n");
  zotpx::Bytes font(zotpx::kFontMaxSizeSmall);
  std::mt19937 random(7);
  for (auto& b : font) b = static_cast<std::uint8_t>(random());
  font[11] = font[15] = 0x10;
  WriteFileBytes(folder + "字库.bin", font);
  auto sim = zotpx::test::StartSim({.model = zotpx::DeviceModel::PB, .baud = 115200});

  const std::vector<NameCase> cases = {
      {{"cross-file", "@形状.bmp", "-o", "@十字线.bin"}, 0, {"十字线.bin"}},
      {{"static", "@静态.txt", "-o", "@启动.cfg"}, 0, {"启动.cfg"}},
      {{"static", "@布局.toml", "-o", "@静态二.txt", "--image", "@启动二.cfg"},
       0,
       {"静态二.txt", "启动二.cfg"}},
      {{"render", "@布局.toml", "-o", "@画面.png", "--video", "@背景.bmp", "--cross",
        "@十字线.bin"},
       0,
       {"画面.png"}},
      {{"decode", "@静态.txt"}, 0, {}},
      {{"-p", kNoPort, "--log", "@记录.log", "download", "font", "@字库.bin"}, 3, {"记录.log"}},
      {{"-p", kNoPort, "--log-dir", "@新目录", "download", "static", "@静态.txt"},
       3,
       {std::string("新目录/") + kNoPort + ".log"}},
      {{"-p", kNoPort, "download", "cross", "@十字线.bin"}, 3, {}},
      {{"-p", kNoPort, "apply", "@布局.toml"}, 3, {}},
      {{"-p", kNoPort, "bitmap", "flashing", "@标志.bmp"}, 3, {}},
      // A session's log with a bitmap in it, turned into a layout in the folder: its bitmap
      // goes beside it, where the render looks for it.
      {{"-p", sim.link.port, "-b", "115200", "--log", "@会话.log", "bitmap", "flashing",
        "@标志.bmp"},
       0,
       {"会话.log"}},
      {{"decode", "--layout", "@会话.log", "-o", "@导出.toml"}, 0, {"导出.toml"}},
      {{"render", "@导出.toml", "-o", "@导出.png"}, 0, {"导出.png"}},
  };
  // Relative paths, as a user in that folder types them.
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(dir);
  for (const NameCase& c : cases) {
    std::vector<std::string> args;
    for (const std::string& word : c.args) args.push_back(Arg(word));
    std::string line;
    for (const std::string& arg : args) line += arg + " ";
    SCOPED_TRACE(line);
    const auto run = RunZotpx(args);
    EXPECT_EQ(run.status, c.status) << run.out << run.err;
    for (const std::string& name : c.made)
      EXPECT_TRUE(std::filesystem::is_regular_file(folder + name)) << name;
  }
  std::filesystem::current_path(before);
  // Nothing anywhere else: the folder holds what the cases made, the case folder only it.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);
  std::filesystem::remove_all(dir);
}

}  // namespace
