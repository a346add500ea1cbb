// What zotpx writes besides its messages, run as a user runs it: every command that writes a
// file takes "-" for standard output (its messages then go to standard error) and follows a
// link or refuses a FIFO as the whole-file save does; the communication logs say which port a
// block came from (--log) or go one file per port (--log-dir).
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "cli/reporter.h"
#include "cli/zotpx_run.h"
#include "scratch_files.h"
#include "support/bmp_writer.h"
#include "support/sim_fixture.h"

namespace {

using zotpx::test::WriteText;

namespace fs = std::filesystem;
using zotpx::Bytes;
using zotpx::test::RunZotpx;

// A folder of the test's own, so parallel runs cannot read each other's files.
std::string Folder(const std::string& name) {
  return zotpx::test::ScratchFolder("out", name);
}

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

struct OutputCase {
  const char* name;
  std::vector<std::string> args;  // before -o; "@" stands for the case's folder
  const char* refusal;            // the save-failure status
};

const OutputCase kOutputs[] = {
    {"CrossFile", {"cross-file", "@a.bmp"}, "生成十字线文件失败：无法保存文件（不是普通文件）"},
    {"StaticImage",
     {"static", "@start.txt"},
     "生成和下载静态命令失败：生成静态命令文件失败（不是普通文件）"},
    {"StaticFromLayout",
     {"static", "@layout.toml"},
     "生成和下载静态命令失败：生成静态命令文件失败（不是普通文件）"},
    {"Render", {"render", "@layout.toml"}, "render: 无法保存文件（不是普通文件）"},
};

void PrintTo(const OutputCase& c, std::ostream* out) {
  *out << c.name;
}

class OutputFileTest : public ::testing::TestWithParam<OutputCase> {
 protected:
  OutputFileTest() : dir_(Folder(GetParam().name)) {
    zotpx::test::WriteFileBytes(
        dir_ + "a.bmp",
        zotpx::test::MakeBmp({.width = 384, .height = 256}, [](int x, int y) { return x == y; }));
    WriteText(dir_ + "start.txt", "55 AA 14 08 22 00 05 00 32 41 42 43 3B 00\r\n");
    WriteText(dir_ + "layout.toml", "[[rect]]\nleft = 10\ntop = 10\nright = 50\nbottom = 50\n");
  }
  ~OutputFileTest() override { fs::remove_all(dir_); }

  zotpx::test::ZotpxRun Run(const std::string& output, std::vector<std::string> more = {}) {
    std::vector<std::string> args;
    for (const std::string& arg : GetParam().args)
      args.push_back(arg.front() == '@' ? dir_ + arg.substr(1) : arg);
    args.insert(args.end(), {"-o", output});
    args.insert(args.end(), more.begin(), more.end());
    return RunZotpx(args);
  }

  std::string dir_;
};

TEST_P(OutputFileTest, DashIsStandardOutputALinkIsFollowedAFifoRefused) {
  const auto file = Run(dir_ + "out");
  ASSERT_EQ(file.status, 0) << file.err;
  const std::string bytes = Read(dir_ + "out");
  ASSERT_FALSE(bytes.empty());

  // The same bytes on standard output, and the messages on standard error.
  const auto piped = Run("-");
  EXPECT_EQ(piped.status, 0) << piped.err;
  EXPECT_TRUE(piped.out == bytes) << "standard output holds " << piped.out.size() << " bytes";
  EXPECT_NE(piped.err, "");
  EXPECT_FALSE(fs::exists(dir_ + "-"));

  // Through a link to a file: the file gets the bytes, the link stays.
  WriteText(dir_ + "target", "old");
  fs::create_symlink("target", dir_ + "link");
  EXPECT_EQ(Run(dir_ + "link").status, 0);
  EXPECT_TRUE(fs::is_symlink(dir_ + "link"));
  EXPECT_TRUE(Read(dir_ + "target") == bytes);

  // A FIFO is refused at once, and stays a FIFO.
  ASSERT_EQ(mkfifo((dir_ + "fifo").c_str(), 0644), 0);
  const auto fifo = Run(dir_ + "fifo");
  EXPECT_EQ(fifo.status, 2);
  EXPECT_NE(fifo.err.find(GetParam().refusal), std::string::npos) << fifo.err;
  EXPECT_TRUE(fs::is_fifo(dir_ + "fifo"));
}

INSTANTIATE_TEST_SUITE_P(Commands, OutputFileTest, ::testing::ValuesIn(kOutputs),
                         [](const ::testing::TestParamInfo<OutputCase>& info) {
                           return std::string(info.param.name);
                         });

// From a layout, the text and the image can each go to standard output, but not both.
TEST(OutputFileDashTest, StaticTextAndImageCannotBothBeStandardOutput) {
  const std::string dir = Folder("both");
  WriteText(dir + "layout.toml", "[[rect]]\nleft = 10\ntop = 10\nright = 50\nbottom = 50\n");
  const auto both = RunZotpx({"static", dir + "layout.toml", "-o", "-", "--image", "-"});
  EXPECT_EQ(both.status, 2);
  EXPECT_EQ(both.out, "");
  EXPECT_NE(both.err.find("standard output"), std::string::npos) << both.err;

  const auto image = RunZotpx({"static", dir + "layout.toml", "-o", dir + "s.txt", "--image", "-"});
  ASSERT_EQ(image.status, 0) << image.err;
  EXPECT_EQ(image.out.size(), 16384u);
  EXPECT_EQ(image.out.substr(0, 5), std::string("CFG \x01", 5));
  fs::remove_all(dir);
}

// A command's outputs against its inputs: an output that is one of the files it reads (by any
// name: itself, a link, a hard link; a bitmap the layout names, the --video picture) is
// refused before anything is written, and so are two outputs that are one file; of several
// outputs, all are written or none.
struct SameFileCase {
  const char* name;
  std::vector<std::string> args;  // "@" stands for the case's folder
  const char* why;                // after the save-failure message
};

const SameFileCase kSameFiles[] = {
    {"StaticTextOverItself",
     {"static", "@start.txt", "-o", "@start.txt"},
     "与读取的文件是同一个文件"},
    {"StaticLayoutOverItself", {"static", "@L.toml", "-o", "@L.toml"}, "与读取的文件是同一个文件"},
    {"StaticImageOverTheLayout",
     {"static", "@L.toml", "-o", "@new.txt", "--image", "@L.toml"},
     "与读取的文件是同一个文件"},
    {"StaticImageOverABitmapOfTheLayout",
     {"static", "@L.toml", "-o", "@new.txt", "--image", "@logo.bmp"},
     "与读取的文件是同一个文件"},
    {"StaticTextAndImageOneFile",
     {"static", "@L.toml", "-o", "@new.txt", "--image", "@new.txt"},
     "与另一个输出是同一个文件"},
    {"RenderOverTheLayoutThroughALink",
     {"render", "@L.toml", "-o", "@link.toml"},
     "与读取的文件是同一个文件"},
    {"RenderOverABitmapOfTheLayout",
     {"render", "@L.toml", "-o", "@logo.bmp"},
     "与读取的文件是同一个文件"},
    {"RenderOverTheVideoByAHardLink",
     {"render", "@L.toml", "--video", "@a.bmp", "-o", "@hard.bmp"},
     "与读取的文件是同一个文件"},
    {"CrossFileOverAShape", {"cross-file", "@a.bmp", "-o", "@a.bmp"}, "与读取的文件是同一个文件"},
    {"DecodeLayoutOverTheLog",
     {"decode", "--layout", "@log.txt", "-o", "@log.txt"},
     "与读取的文件是同一个文件"},
    // The second output cannot be saved: the first, which could, is not written either.
    {"StaticImageIntoAFolder",
     {"static", "@L.toml", "-o", "@start.txt", "--image", "@folder"},
     "不是普通文件"},
};

void PrintTo(const SameFileCase& c, std::ostream* out) {
  *out << c.name;
}

class SameFileTest : public ::testing::TestWithParam<SameFileCase> {};

TEST_P(SameFileTest, RefusedBeforeAnythingIsWritten) {
  const std::string dir = Folder(GetParam().name);
  zotpx::test::WriteFileBytes(
      dir + "a.bmp",
      zotpx::test::MakeBmp({.width = 384, .height = 256}, [](int x, int y) { return x == y; }));
  zotpx::test::WriteFileBytes(dir + "logo.bmp",
                              zotpx::test::MakeBmp({96, 24}, [](int x, int) { return x < 2; }));
  WriteText(dir + "start.txt", "55 AA 14 08 22 00 05 00 32 41 42 43 3B 00\r\n");
  WriteText(dir + "L.toml", "[[bitmap]]\nkind = \"single\"\nfile = \"logo.bmp\"\nx = 250\n");
  WriteText(dir + "log.txt",
            "【矩形控制命令】\n发送：55 AA 1B 09 08 00 00 00 00 01 7F 00 FF AB \n"
            "接收：55 AA 1B 01 00 1C \n\n");
  fs::create_symlink("L.toml", dir + "link.toml");
  fs::create_hard_link(dir + "a.bmp", dir + "hard.bmp");
  fs::create_directory(dir + "folder");
  std::map<std::string, std::string> before;
  for (const auto& entry : fs::directory_iterator(dir))
    if (entry.is_regular_file()) before[entry.path().filename()] = Read(entry.path());

  std::vector<std::string> args;
  for (const std::string& arg : GetParam().args)
    args.push_back(arg.front() == '@' ? dir + arg.substr(1) : arg);
  const auto run = RunZotpx(args);
  EXPECT_EQ(run.status, 2) << run.err;
  EXPECT_NE(run.err.find(std::string("（") + GetParam().why + "）"), std::string::npos) << run.err;
  std::map<std::string, std::string> after;
  for (const auto& entry : fs::directory_iterator(dir))
    if (entry.is_regular_file()) after[entry.path().filename()] = Read(entry.path());
  EXPECT_EQ(after, before);
  fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(Commands, SameFileTest, ::testing::ValuesIn(kSameFiles),
                         [](const ::testing::TestParamInfo<SameFileCase>& info) {
                           return std::string(info.param.name);
                         });

// A layout reached through a link names its bitmaps beside the layout file itself, as does
// the layout decode writes through a link.
TEST(LayoutLinkTest, BitmapsAreBesideTheLayoutFileItself) {
  const std::string dir = Folder("layout_link");
  fs::create_directories(dir + "real");
  fs::create_directories(dir + "other");
  zotpx::test::WriteFileBytes(dir + "real/logo.bmp",
                              zotpx::test::MakeBmp({96, 24}, [](int x, int) { return x < 2; }));
  WriteText(dir + "real/L.toml", "[[bitmap]]\nkind = \"single\"\nfile = \"logo.bmp\"\nx = 250\n");
  fs::create_symlink("../real/L.toml", dir + "other/L.toml");
  const auto render = RunZotpx({"render", dir + "other/L.toml", "-o", dir + "L.png"});
  EXPECT_EQ(render.status, 0) << render.err;
  const auto text = RunZotpx({"static", dir + "other/L.toml", "-o", dir + "L.txt"});
  EXPECT_EQ(text.status, 0) << text.err;

  // A session's log with the bitmap in it, made into a layout through a link that names no
  // file yet: the bitmap goes beside the file the link leads to, where the reader finds it.
  auto sim = zotpx::test::StartSim({.model = zotpx::DeviceModel::PA, .baud = 115200});
  ASSERT_EQ(RunZotpx({"-p", sim.link.port, "-b", "115200", "--log", dir + "log.txt", "bitmap",
                      "single", dir + "real/logo.bmp"})
                .status,
            0);
  fs::create_symlink("../real/D.toml", dir + "other/D.toml");
  const auto decoded =
      RunZotpx({"decode", "--layout", dir + "log.txt", "-o", dir + "other/D.toml"});
  ASSERT_EQ(decoded.status, 0) << decoded.err;
  EXPECT_TRUE(fs::exists(dir + "real/D-1.bmp"));
  EXPECT_FALSE(fs::exists(dir + "other/D-1.bmp"));
  EXPECT_EQ(RunZotpx({"render", dir + "other/D.toml", "-o", dir + "D.png"}).status, 0);
  fs::remove_all(dir);
}

TEST(LogFileNameTest, PortsNameTheirFiles) {
  const std::pair<const char*, const char*> kNames[] = {
      {"COM1", "COM1.log"},
      {"com12", "COM12.log"},
      {"\\\\.\\COM3", "COM3.log"},
      {"/dev/ttyUSB0", "ttyUSB0.log"},
      {"/dev/serial/by-id/usb-FTDI_X-if00-port0", "serial_by-id_usb-FTDI_X-if00-port0.log"},
      {"/dev/pts/7", "pts_7.log"},
      {"/tmp/sim/tty", "tmp_sim_tty.log"},
  };
  for (const auto& [port, name] : kNames) EXPECT_EQ(zotpx::cli::LogFileName(port), name) << port;
}

// Two devices at once: the shared --log names each block's port on each of its lines, as
// --trace does; --log-dir gives each port a file of its own in the window's format. One port
// with --log-dir writes there too.
TEST(StationLogTest, SharedLogNamesThePortsAndLogDirKeepsOneFilePerPort) {
  const std::string dir = Folder("logs");
  auto a = zotpx::test::StartSim({.model = zotpx::DeviceModel::PA, .baud = 115200});
  auto b = zotpx::test::StartSim({.model = zotpx::DeviceModel::PA, .baud = 115200});
  const auto run = RunZotpx({"-p", a.link.port + "," + b.link.port, "-b", "115200", "--log",
                             dir + "all.log", "--log-dir", dir + "ports", "line"});
  ASSERT_EQ(run.status, 0) << run.err;

  std::istringstream shared(Read(dir + "all.log"));
  std::map<std::string, std::vector<std::string>> by_port;
  std::string line;
  int blank = 0;
  while (std::getline(shared, line)) {
    if (line.empty()) {
      ++blank;
      continue;
    }
    const std::size_t end = line.find("] ");
    ASSERT_TRUE(line.front() == '[' && end != std::string::npos) << line;
    by_port[line.substr(1, end - 1)].push_back(line.substr(end + 2));
  }
  EXPECT_EQ(blank, 2);
  for (const auto* sim : {&a, &b}) {
    const std::vector<std::string>& lines = by_port[sim->link.port];
    ASSERT_EQ(lines.size(), 3u) << sim->link.port;
    EXPECT_EQ(lines[0], "【直线控制命令】");
    // Its own file: the same block without the port, as the window's log shows it.
    const std::string own = dir + "ports/" + zotpx::cli::LogFileName(sim->link.port);
    EXPECT_EQ(Read(own), lines[0] + "\n" + lines[1] + "\n" + lines[2] + "\n\n");
  }

  const auto one = RunZotpx({"-p", a.link.port, "-b", "115200", "--log-dir", dir + "one", "line"});
  ASSERT_EQ(one.status, 0) << one.err;
  EXPECT_EQ(Read(dir + "one/" + zotpx::cli::LogFileName(a.link.port))
                .rfind("【直线控制命令】\n发送：", 0),
            0u);

  // A folder that cannot be made refuses the run before any port is opened.
  WriteText(dir + "file", "");
  const auto refused =
      RunZotpx({"-p", a.link.port, "-b", "115200", "--log-dir", dir + "file/sub", "line"});
  EXPECT_EQ(refused.status, 2);
  EXPECT_NE(refused.err.find("--log-dir"), std::string::npos) << refused.err;
  EXPECT_EQ(a->ReceivedFrameCount(), 2u);
  fs::remove_all(dir);
}

// The communication log is a production line's record: one that cannot be opened as a file
// (a device such as /dev/full, a FIFO nobody reads) refuses the run before any port is opened;
// one that fills up on the way is said on standard error and fails the run (exit status 4),
// one port or several.
struct LogFailureCase {
  const char* name;
  int ports;
  std::vector<std::string> log;  // the log options; "@" stands for the case's folder
  bool full_disk;                // no file may grow past 16 bytes
  int status;
  const char* said;  // on standard error
};

const LogFailureCase kLogFailures[] = {
    {"DeviceThatTakesNothing",
     1,
     {"--log", "/dev/full"},
     false,
     2,
     "--log /dev/full: not a regular file"},
    {"FifoWithoutReader", 1, {"--log", "@fifo"}, false, 2, "not a regular file"},
    {"FullDisk",
     1,
     {"--log", "@full.log"},
     true,
     4,
     "full.log: File too large; the log is incomplete"},
    {"FullDiskLogDir", 1, {"--log-dir", "@logs"}, true, 4, "the log is incomplete"},
    {"FullDiskTwoPorts", 2, {"--log", "@full.log"}, true, 4, "the log is incomplete"},
};

void PrintTo(const LogFailureCase& c, std::ostream* out) {
  *out << c.name;
}

class LogFailureTest : public ::testing::TestWithParam<LogFailureCase> {};

TEST_P(LogFailureTest, SaidAndTheRunFails) {
  const LogFailureCase& c = GetParam();
  const std::string dir = Folder(c.name);
  ASSERT_EQ(mkfifo((dir + "fifo").c_str(), 0644), 0);
  std::vector<zotpx::test::SimDevice> sims;
  std::string ports;
  for (int i = 0; i < c.ports; ++i) {
    sims.push_back(zotpx::test::StartSim({.model = zotpx::DeviceModel::PA, .baud = 115200}));
    ports += (ports.empty() ? "" : ",") + sims.back().link.port;
  }
  std::vector<std::string> args = {"-p", ports, "-b", "115200"};
  for (const std::string& arg : c.log)
    args.push_back(arg.front() == '@' ? dir + arg.substr(1) : arg);
  args.push_back("line");
  zotpx::test::ZotpxRun run;
  {
    // Inherited by zotpx: the size a file may reach, as on a disk that is full.
    rlimit before{};
    getrlimit(RLIMIT_FSIZE, &before);
    rlimit small = before;
    if (c.full_disk) small.rlim_cur = 16;
    setrlimit(RLIMIT_FSIZE, &small);
    run = RunZotpx(args, std::chrono::seconds(60));
    setrlimit(RLIMIT_FSIZE, &before);
  }
  EXPECT_EQ(run.signal, 0);
  EXPECT_EQ(run.status, c.status) << run.err;
  EXPECT_NE(run.err.find(c.said), std::string::npos) << run.err;
  for (const auto& sim : sims) EXPECT_EQ(sim->ReceivedFrameCount(), c.status == 2 ? 0u : 1u);
  fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(Logs, LogFailureTest, ::testing::ValuesIn(kLogFailures),
                         [](const ::testing::TestParamInfo<LogFailureCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
