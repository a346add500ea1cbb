// Layout files through the real zotpx program: apply sends what the shared frame table and the
// single commands send; the static text reads back to the image --image writes; the start-up
// screen after a download and a restart equals the live one and the rendered one; bad layouts
// are refused whole, with their line, and nothing is sent.
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/zotpx_run.h"
#include "command/table.h"
#include "scratch_files.h"
#include "screen/screen.h"
#include "support/bmp_writer.h"
#include "support/frame_table.h"
#include "support/hex.h"
#include "support/sim_fixture.h"
#include "text/static_file.h"

namespace {

using zotpx::test::WriteText;

using zotpx::Bytes;
using zotpx::test::Hex;
using zotpx::test::RunZotpx;
using zotpx::test::StartSim;

std::string Folder(const std::string& name) {
  return zotpx::test::ScratchFolder("layout", name);
}

Bytes ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// The frame table's command-line arguments as a layout table: options become keys (numbers as
// TOML integers, flags true), positional arguments the command's positional keys.
std::string TableOf(const std::vector<std::string>& cli) {
  std::size_t i = 1;
  std::string table = cli[0];
  if (table == "cross") table = cli[i++] == "set" ? "cross" : "cross-move";
  std::vector<std::string> positional = table == "text"         ? std::vector<std::string>{"text"}
                                        : table == "cross-move" ? std::vector<std::string>{"x", "y"}
                                                                : std::vector<std::string>{};
  const auto value = [](const std::string& text) {
    const bool number = !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
    return number ? text : "\"" + text + "\"";
  };
  std::string out = "[[" + table + "]]\n";
  std::size_t next_positional = 0;
  for (; i < cli.size(); ++i) {
    if (cli[i].rfind("--", 0) != 0) {
      out += positional.at(next_positional++) + " = " + value(cli[i]) + "\n";
    } else if (i + 1 == cli.size() || cli[i + 1].rfind("--", 0) == 0) {
      out += cli[i].substr(2) + " = true\n";
    } else {
      out += cli[i].substr(2) + " = " + value(cli[i + 1]) + "\n";
      ++i;
    }
  }
  return out;
}

// The three bitmap objects, each as zotpx's own command and as a layout table.
struct BitmapObject {
  std::vector<std::string> cli;
  std::string table;
};

std::vector<BitmapObject> WriteBitmaps(const std::string& dir) {
  const auto ring = [](int x, int y) { return (x - 15) * (x - 15) + (y - 15) * (y - 15) < 150; };
  zotpx::test::WriteFileBytes(dir + "marker.bmp", zotpx::test::MakeBmp({32, 32}, ring));
  zotpx::test::WriteFileBytes(dir + "badge.bmp", zotpx::test::MakeBmp({64, 48}, [](int x, int y) {
                                return (x / 8 + y / 8) % 2 == 0;
                              }));
  zotpx::test::WriteFileBytes(dir + "logo.bmp", zotpx::test::MakeBmp({96, 24}, [](int x, int y) {
                                return x < 2 || y < 2 || (x + y) % 7 == 0;
                              }));
  return {
      {{"bitmap", "flashing", dir + "marker.bmp", "--x", "200", "--y", "40", "--flash", "none"},
       "[[bitmap]]\nkind = \"flashing\"\nfile = \"marker.bmp\"\nx = 200\ny = 40\nflash = "
       "\"none\"\n"},
      {{"bitmap", "oversized", dir + "badge.bmp", "--x", "$20", "--y", "150", "--colour", "bg"},
       "[[bitmap]]\nkind = \"oversized\"\nfile = \"badge.bmp\"\nx = \"$20\"\ny = 150\ncolour = "
       "\"bg\"\n"},
      {{"bitmap", "single", dir + "logo.bmp", "--x", "250"},
       "[[bitmap]]\nkind = \"single\"\nfile = \"logo.bmp\"\nx = 250\n"},
  };
}

std::vector<std::string> Args(const std::string& port, std::vector<std::string> command) {
  command.insert(command.begin(), {"-p", port, "-b", "115200"});
  return command;
}

// Every row of the frame table and every bitmap object in one layout, and the frames the
// window's buttons (the table) and zotpx's own commands (the bitmaps) send for them.
struct EveryObject {
  std::string layout;
  std::vector<Bytes> frames;
  Bytes clock_frame;
};

// Whether a device of `model` has the command of these arguments.
bool ModelHas(zotpx::DeviceModel model, const std::vector<std::string>& cli) {
  const zotpx::CommandRow* row = zotpx::FindRow(cli[0]);
  return (row ? row : zotpx::FindRow(cli[0] + " " + cli[1]))->ForModel(model);
}

// With a model, only the objects of the commands that model has.
EveryObject MakeEveryObject(const std::string& dir,
                            zotpx::DeviceModel model = zotpx::DeviceModel::Unknown) {
  EveryObject every;
  std::string text = "# every kind of object\n";
  for (const zotpx::test::FrameRow& row : zotpx::test::FrameRows()) {
    if (!ModelHas(model, row.cli)) continue;
    text += TableOf(row.cli);
    every.frames.push_back(Hex(row.frame));
    if (row.cli[0] == "clock") every.clock_frame = every.frames.back();
  }
  auto sim = StartSim({.model = zotpx::DeviceModel::PA, .baud = 115200});
  for (const BitmapObject& bitmap : WriteBitmaps(dir)) {
    if (!ModelHas(model, bitmap.cli)) continue;
    text += bitmap.table;
    sim->ClearReceived();
    const auto run = RunZotpx(Args(sim.link.port, bitmap.cli));
    EXPECT_EQ(run.status, 0) << run.err;
    for (const Bytes& frame : sim->ReceivedFrames()) every.frames.push_back(frame);
  }
  every.layout = dir + "every.toml";
  WriteText(every.layout, text);
  return every;
}

// Counts the openings of a device file (inotify sees every open(), whoever makes it). Closes
// are watched too: identical events in a row would be merged into one.
class OpenCounter {
 public:
  explicit OpenCounter(const std::string& path) : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    inotify_add_watch(fd_, path.c_str(), IN_OPEN | IN_CLOSE);
  }
  ~OpenCounter() { close(fd_); }
  int Count() {
    alignas(inotify_event) char buffer[4096];
    ssize_t n;
    while ((n = read(fd_, buffer, sizeof buffer)) > 0)
      for (char* p = buffer; p < buffer + n;) {
        const auto* event = reinterpret_cast<const inotify_event*>(p);
        count_ += (event->mask & IN_OPEN) != 0;
        p += sizeof(inotify_event) + event->len;
      }
    return count_;
  }

 private:
  int fd_;
  int count_ = 0;
};

// The whole layout goes through one opening of the port (one purge), with the rate given and
// with the connect scan first; the frames are those the objects' own commands send.
TEST(LayoutTest, ApplySendsEveryObjectAsItsCommandDoes) {
  const EveryObject every = MakeEveryObject(Folder("apply"));
  auto sim = StartSim({.model = zotpx::DeviceModel::PB, .baud = 115200});
  OpenCounter opens(sim->path());  // the pty itself, also when named as a COM port
  const auto run = RunZotpx(Args(sim.link.port, {"--json", "apply", every.layout}));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(opens.Count(), 1);
  EXPECT_EQ(sim->ReceivedFrames(), every.frames);
  const nlohmann::json result = nlohmann::json::parse(run.out);
  EXPECT_EQ(result["result"], "ok");
  EXPECT_EQ(result["command"], "apply");
  EXPECT_EQ(result["details"].size(), zotpx::test::FrameRows().size() + 3);

  // The connect scan first; the scan tells the model, so the layout holds only its commands.
  const EveryObject pb = MakeEveryObject(Folder("apply_pb"), zotpx::DeviceModel::PB);
  sim->ClearReceived();
  const auto scanned = RunZotpx({"-p", sim.link.port, "-q", "apply", pb.layout});
  ASSERT_EQ(scanned.status, 0) << scanned.err;
  EXPECT_EQ(opens.Count(), 2);
  std::vector<Bytes> frames = sim->ReceivedFrames();
  ASSERT_FALSE(frames.empty());
  EXPECT_EQ(frames.front(), Hex("55 AA 00 01 FF 00"));  // the identification
  frames.erase(frames.begin());
  EXPECT_EQ(frames, pb.frames);
}

TEST(LayoutTest, StaticTextReadsBackToTheImageWithoutTheClock) {
  const std::string dir = Folder("static");
  const EveryObject every = MakeEveryObject(dir);
  const auto run =
      RunZotpx({"static", every.layout, "-o", dir + "every.txt", "--image", dir + "User.cfg"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("clock setting is sent live only"), std::string::npos) << run.err;

  const zotpx::StaticImage read_back = zotpx::BuildStaticImage(ReadBytes(dir + "every.txt"));
  const Bytes image = ReadBytes(dir + "User.cfg");
  EXPECT_EQ(read_back.image, image);
  std::vector<Bytes> expected;
  for (const Bytes& frame : every.frames) {
    if (frame == every.clock_frame) continue;
    expected.push_back(frame);
    expected.back().push_back(zotpx::kStaticTrailingByte);
  }
  EXPECT_EQ(zotpx::StaticImageRecords(image), expected);
}

TEST(LayoutTest, StartUpScreenEqualsTheLiveAndTheRenderedOne) {
  const std::string dir = Folder("screen");
  std::string layout = R"([[area]]
layer = "all"
[[area]]
left = 0
top = 200
right = 383
bottom = 230
layer = "bg"
fill = true
[[text]]
text = "布局 Layout"
x = 10
y = 10
[[line]]
x = 10
y = 60
length = 300
colour = "fg"
[[rect]]
left = 20
top = 80
right = 120
bottom = 180
filled = true
[[circle]]
x = 300
y = 120
radius = 40
[params]
offset-ex = 3
)";
  for (const BitmapObject& bitmap : WriteBitmaps(dir)) layout += bitmap.table;
  WriteText(dir + "screen.toml", layout);

  const auto rendered = RunZotpx({"render", dir + "screen.toml", "-o", dir + "screen.png"});
  ASSERT_EQ(rendered.status, 0) << rendered.err;
  const std::optional<zotpx::screen::Picture> picture =
      zotpx::screen::LoadVideoPicture(dir + "screen.png");
  ASSERT_TRUE(picture);
  EXPECT_NE(picture->rgba, zotpx::screen::TestCard().rgba);

  auto live = StartSim({.model = zotpx::DeviceModel::PA, .baud = 115200});
  ASSERT_EQ(RunZotpx(Args(live.link.port, {"apply", dir + "screen.toml"})).status, 0);
  EXPECT_EQ(live->Screen(live->NowMs()).rgba, picture->rgba);

  const zotpx::sim::DeviceConfig stored{
      .model = zotpx::DeviceModel::PA, .baud = 115200, .memory_file = dir + "memory.bin"};
  {
    auto device = StartSim(stored);
    const auto run = RunZotpx(Args(device.link.port, {"download", "static", dir + "screen.toml"}));
    ASSERT_EQ(run.status, 0) << run.err;
  }
  auto restarted = StartSim(stored);
  EXPECT_EQ(restarted->Screen(restarted->NowMs()).rgba, picture->rgba);
}

// A preview of a ZOT-PB layout shows the crosshair's shape only from the crosshair file the
// device would hold; with that file it is what the device shows after the download.
TEST(LayoutTest, RenderDrawsTheCrosshairFromTheFileTheDeviceHolds) {
  const std::string dir = Folder("cross");
  zotpx::test::WriteFileBytes(dir + "shape.bmp", zotpx::test::MakeBmp({384, 256}, [](int x, int y) {
                                return (y == 128 && x > 150 && x < 234) ||
                                       (x == 192 && y > 90 && y < 166);
                              }));
  ASSERT_EQ(RunZotpx({"cross-file", dir + "shape.bmp", "-o", dir + "Cross.bin"}).status, 0);
  WriteText(dir + "cross.toml", "[cross]\nshape = 1\n[[cross-move]]\nx = 250\ny = 60\n");
  const auto Render = [&](std::vector<std::string> extra) {
    std::vector<std::string> args{"render", dir + "cross.toml",   "-o", dir + "cross.png",
                                  "--at",   "2026-12-09 10:00:00"};
    args.insert(args.end(), extra.begin(), extra.end());
    EXPECT_EQ(RunZotpx(args).status, 0);
    return zotpx::screen::LoadVideoPicture(dir + "cross.png").value_or(zotpx::screen::Picture{});
  };
  const zotpx::screen::Picture without = Render({});
  const zotpx::screen::Picture with = Render({"--cross", dir + "Cross.bin"});
  EXPECT_NE(with.rgba, without.rgba);

  auto device = StartSim({.model = zotpx::DeviceModel::PB, .baud = 115200});
  ASSERT_EQ(RunZotpx(Args(device.link.port, {"download", "cross", dir + "Cross.bin"})).status, 0);
  ASSERT_EQ(RunZotpx(Args(device.link.port, {"apply", dir + "cross.toml"})).status, 0);
  EXPECT_EQ(device->Screen(device->NowMs()).rgba, with.rgba);
}

struct BadLayout {
  std::string name;
  std::vector<std::string> command;  // before the layout's path
  std::string text;                  // after a first line "[params]" that is fine
  std::string message;               // expected on standard error
};

TEST(LayoutTest, BadLayoutsAreRefusedWholeWithTheirLine) {
  const std::string dir = Folder("bad");
  zotpx::test::WriteFileBytes(dir + "big.bmp", zotpx::test::MakeBmp({192, 128}));
  std::string too_big;
  for (int i = 0; i < 6; ++i) too_big += "[[bitmap]]\nkind = \"single\"\nfile = \"big.bmp\"\n";
  const std::vector<BadLayout> cases = {
      {"UnknownKey",
       {"apply"},
       "[[rect]]\nleft = 1\nwidth = 5\n",
       "bad.toml:4: [rect] takes no key 'width'"},
      {"UnknownTable", {"apply"}, "[square]\n", "bad.toml:2: unknown table [square]"},
      {"WrongType", {"apply"}, "[[text]]\nx = 1.5\n", "bad.toml:3: x: an integer or a text"},
      {"FlagNotBoolean",
       {"apply"},
       "[[rect]]\nfilled = \"yes\"\n",
       "bad.toml:3: filled: true or false"},
      {"NoSuchItem",
       {"apply"},
       "[[circle]]\nradius = 200\n",
       "bad.toml:3: radius = 200: no such item"},
      // The window's own checks, at the line of the key at fault rather than the table's.
      {"OutOfRange",
       {"apply"},
       "[[rect]]\ntop = 1\nleft = 400\n",
       "bad.toml:4: 矩形控制命令失败：请输入合法的坐标数值"},
      {"CornersReversed",
       {"apply"},
       "[[area]]\nleft = 200\ntop = 0\nright = 100\n",
       "bad.toml:5: 字符区域命令失败：请输入合法的坐标数值"},
      {"BadKeyAfterOneThatLooksBad",
       {"apply"},
       "[[line]]\nx = 300\nlength = 50\ny = 999\n",
       "bad.toml:5: 直线控制命令失败"},
      {"EmptyText", {"apply"}, "[[text]]\nx = 1\ntext = \"\"\n", "bad.toml:4: 文本字符串命令失败"},
      {"DateFormat",
       {"apply"},
       "[date]\nx = 5\nformat = \"yyyy/m/dd\"\ny = 3\n",
       "bad.toml:4: 日期控制命令失败：不合法的日期格式"},
      {"BitmapOffTheScreen",
       {"apply"},
       "[[bitmap]]\nkind = \"single\"\nfile = \"big.bmp\"\nx = 300\ny = 0\n",
       "bad.toml:5: 单色位图命令失败"},
      {"ClockYear",
       {"apply"},
       "[clock]\nat = 1999-12-31 23:59:59\n",
       "bad.toml:3: at = 1999-12-31 23:59:59: the device's clock holds the years 2000 to 2255"},
      {"ClockDateOnly",
       {"apply"},
       "[clock]\nat = 2026-12-07\n",
       "bad.toml:3: at: a date and a time"},
      {"FillAndClear",
       {"apply"},
       "[[area]]\nfill = true\nlayer = 1\nclear = true\n",
       "bad.toml:5: fill = true and clear = true contradict each other"},
      {"FlagNumber", {"apply"}, "[[rect]]\n\nfilled = 2\n", "bad.toml:4: filled = 2: a flag is"},
      {"MissingBitmap",
       {"apply"},
       "[[bitmap]]\nkind = \"single\"\n\nfile = \"nowhere.bmp\"\n",
       "bad.toml:5: 单色位图命令失败"},
      {"NotToml", {"apply"}, "[[rect]\n", "bad.toml:2:"},
      {"TooBigForTheStartUpArea",
       {"download", "static"},
       too_big,
       "bad.toml:14: 生成和下载静态命令失败：命令文件太大"},
  };
  auto sim = StartSim({.model = zotpx::DeviceModel::PA, .baud = 115200});
  for (const BadLayout& bad : cases) {
    SCOPED_TRACE(bad.name);
    WriteText(dir + "bad.toml", "[params]\n" + bad.text);
    std::vector<std::string> command = bad.command;
    command.push_back(dir + "bad.toml");
    const auto run = RunZotpx(Args(sim.link.port, command));
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find(dir + bad.message), std::string::npos) << run.err;
    EXPECT_EQ(sim->ReceivedFrameCount(), 0u);
  }
}

// A start-up list with nothing in it would wipe out the device's own: refused before the
// device is touched, unless --allow-empty says it is meant.
TEST(LayoutTest, EmptyStartUpListIsRefusedUnlessAllowed) {
  const std::string dir = Folder("empty");
  WriteText(dir + "nothing.toml", "");
  WriteText(dir + "comments.toml", "# a layout to come\n\n# nothing yet\n");
  WriteText(dir + "clock.toml", "[clock]\nat = 2026-12-07 08:30:00\n");
  WriteText(dir + "nothing.txt", "# no record here\r\n55 AA 10\r\n");
  auto sim = StartSim({.model = zotpx::DeviceModel::PA, .baud = 115200});
  for (const char* name : {"nothing.toml", "comments.toml", "clock.toml", "nothing.txt"}) {
    SCOPED_TRACE(name);
    const auto download = RunZotpx(Args(sim.link.port, {"download", "static", dir + name}));
    EXPECT_EQ(download.status, 2);
    EXPECT_NE(download.err.find("--allow-empty"), std::string::npos) << download.err;
    EXPECT_EQ(sim->ReceivedFrameCount(), 0u);
    const auto written = RunZotpx({"static", dir + name, "-o", dir + "out"});
    EXPECT_EQ(written.status, 2);
    EXPECT_FALSE(std::ifstream(dir + "out").good());
  }
  const Bytes stored = sim->Memory();
  const auto allowed =
      RunZotpx(Args(sim.link.port, {"download", "static", dir + "clock.toml", "--allow-empty"}));
  ASSERT_EQ(allowed.status, 0) << allowed.err;
  const Bytes memory = sim->Memory();
  EXPECT_EQ(Bytes(memory.begin(), memory.begin() + 6), Hex("43 46 47 20 00 00"));
  EXPECT_NE(memory, stored);
  EXPECT_EQ(
      RunZotpx({"static", dir + "nothing.txt", "-o", dir + "User.cfg", "--allow-empty"}).status, 0);
  EXPECT_EQ(ReadBytes(dir + "User.cfg").size(), 16384u);
}

// A bitmap's file is found beside the layout when relative, wherever zotpx runs, and taken as
// it stands when absolute: both draw the same picture.
TEST(LayoutTest, BitmapFileRelativeToTheLayoutOrAbsolute) {
  const std::string dir = Folder("paths");
  mkdir((dir + "art").c_str(), 0755);
  zotpx::test::WriteFileBytes(
      dir + "art/logo.bmp",
      zotpx::test::MakeBmp({96, 24}, [](int x, int y) { return (x + y) % 5 == 0; }));
  const std::string table = "[[bitmap]]\nkind = \"single\"\nx = 10\nfile = ";
  WriteText(dir + "relative.toml", table + "\"art/logo.bmp\"\n");
  WriteText(dir + "absolute.toml", table + "\"" + dir + "art/logo.bmp\"\n");
  const std::string elsewhere = Folder("paths_elsewhere");
  WriteText(elsewhere + "absolute.toml", table + "\"" + dir + "art/logo.bmp\"\n");
  std::vector<Bytes> pictures;
  for (const std::string& layout :
       {dir + "relative.toml", dir + "absolute.toml", elsewhere + "absolute.toml"}) {
    const auto run =
        RunZotpx({"render", layout, "-o", layout + ".png", "--at", "2026-12-07 08:30:00"});
    ASSERT_EQ(run.status, 0) << layout << ": " << run.err;
    pictures.push_back(ReadBytes(layout + ".png"));
  }
  EXPECT_EQ(pictures[0], pictures[1]);
  EXPECT_EQ(pictures[0], pictures[2]);
  WriteText(elsewhere + "relative.toml", table + "\"art/logo.bmp\"\n");
  EXPECT_EQ(RunZotpx({"render", elsewhere + "relative.toml", "-o", elsewhere + "r.png"}).status, 2);
}

}  // namespace
