// What zotpx reads, run as a user runs it: every file it is given goes through one reader,
// which refuses at once what is no regular file (a FIFO with no writer would otherwise hold
// the run for ever), and a picture under the overlay that is cut short is refused rather than
// drawn with black where its end is missing.
#include <algorithm>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

#include "cli/zotpx_run.h"
#include "scratch_files.h"
#include "screen/png_writer.h"
#include "support/bmp_writer.h"

namespace {

namespace fs = std::filesystem;
using zotpx::Bytes;
using zotpx::test::RunZotpx;

// A picture of 64 x 48 in each format the picture reader takes, written in `dir`.
void WritePictures(const std::string& dir) {
  std::vector<std::uint8_t> rgb(64 * 48 * 3);
  for (std::size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<std::uint8_t>(i * 7);
  stbi_write_jpg((dir + "whole.jpg").c_str(), 64, 48, 3, rgb.data(), 90);
  zotpx::screen::Picture picture = zotpx::screen::Picture::Filled(64, 48, 0xFF336699u);
  ASSERT_TRUE(zotpx::screen::WritePng(dir + "whole.png", picture));
  zotpx::test::WriteFileBytes(dir + "whole.bmp", zotpx::test::MakeBmp({64, 48}, [](int x, int y) {
                                return (x + y) % 3 == 0;
                              }));
  for (const char* kind : {"jpg", "png", "bmp"}) {
    const std::string whole = dir + "whole." + kind;
    std::ifstream in(whole, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), {}};
    zotpx::test::WriteText(dir + "cut." + kind, bytes.substr(0, bytes.size() * 3 / 5));
  }
}

struct InputCase {
  const char* name;
  std::vector<std::string> args;  // "@" stands for the case's folder
  int status;
  const char* said;  // on standard error; "" for nothing in particular
};

const InputCase kInputs[] = {
    {"DecodeFifo", {"decode", "@fifo"}, 2, "not a regular file"},
    {"LayoutFifo", {"render", "@fifo.toml", "-o", "@out.png"}, 2, "not a regular file"},
    {"VideoFifo",
     {"render", "@L.toml", "-o", "@out.png", "--video", "@fifo"},
     2,
     "not a regular file"},
    {"CrossFifo", {"render", "@L.toml", "-o", "@out.png", "--cross", "@fifo"}, 2, ""},
    {"StaticTextFifo", {"static", "@fifo", "-o", "@out.cfg"}, 2, ""},
    {"ShapeFifo", {"cross-file", "@fifo", "-o", "@out.bin"}, 2, ""},
    {"VideoJpeg", {"render", "@L.toml", "-o", "@out.png", "--video", "@whole.jpg"}, 0, ""},
    {"VideoPng", {"render", "@L.toml", "-o", "@out.png", "--video", "@whole.png"}, 0, ""},
    {"VideoBmp", {"render", "@L.toml", "-o", "@out.png", "--video", "@whole.bmp"}, 0, ""},
    {"VideoJpegCutShort",
     {"render", "@L.toml", "-o", "@out.png", "--video", "@cut.jpg"},
     2,
     "cut short"},
    {"VideoPngCutShort",
     {"render", "@L.toml", "-o", "@out.png", "--video", "@cut.png"},
     2,
     "cut short"},
    {"VideoBmpCutShort",
     {"render", "@L.toml", "-o", "@out.png", "--video", "@cut.bmp"},
     2,
     "cut short"},
};

void PrintTo(const InputCase& c, std::ostream* out) {
  *out << c.name;
}

class InputFileTest : public ::testing::TestWithParam<InputCase> {};

TEST_P(InputFileTest, OneReaderOneRefusal) {
  const InputCase& c = GetParam();
  const std::string dir = zotpx::test::ScratchFolder("in", c.name);
  ASSERT_EQ(mkfifo((dir + "fifo").c_str(), 0644), 0);
  ASSERT_EQ(mkfifo((dir + "fifo.toml").c_str(), 0644), 0);
  zotpx::test::WriteText(dir + "L.toml", "[[rect]]\nleft = 10\n");
  WritePictures(dir);
  std::vector<std::string> args;
  for (const std::string& arg : c.args)
    args.push_back(arg.front() == '@' ? dir + arg.substr(1) : arg);
  // A reader that waited for a writer would be killed here.
  const auto run = RunZotpx(args, std::chrono::seconds(20));
  EXPECT_EQ(run.status, c.status) << run.err;
  // Windows has no FIFOs: a Windows program refuses one as a name it cannot read, in its words.
  const bool fifo = std::find(c.args.begin(), c.args.end(), "@fifo") != c.args.end();
  if (!(fifo && zotpx::test::TestsWindowsProgram())) {
    EXPECT_NE(run.err.find(c.said), std::string::npos) << run.err;
  }
  fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(Files, InputFileTest, ::testing::ValuesIn(kInputs),
                         [](const ::testing::TestParamInfo<InputCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
