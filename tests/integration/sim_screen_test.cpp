// The simulated device's screen and memory as a user meets them: a crosshair drawn from a
// crosshair file downloaded through the real transfer, static commands downloaded into a memory
// file and drawn at the next power-on, memory files the real zotpx-sim refuses (and leaves
// alone), and the PNG it writes after a command.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "command/codec.h"
#include "command/words.h"
#include "crosshair/cross_download.h"
#include "crosshair/cross_file.h"
#include "device/connect.h"
#include "screen/screen.h"
#include "serial/memory_transfer.h"
#include "serial/port.h"
#include "serial/reporter.h"
#include "simulated_device.h"
#include "support/bmp_writer.h"
#include "support/recording_reporter.h"
#include "support/sim_fixture.h"
#include "support/temp_folder.h"
#include "text/static_file.h"

extern char** environ;

namespace {

using zotpx::Bytes;
using zotpx::TransferResult;
using zotpx::screen::kForeground;
using zotpx::screen::Picture;
constexpr std::size_t kMemorySize = zotpx::kDeviceMemorySize;
using zotpx::sim::SimServer;

const std::uint32_t kVideoColour = zotpx::screen::Rgba(0x20, 0x40, 0x60);
const Picture kVideo = Picture::Filled(zotpx::kScreenWidth, zotpx::kScreenHeight, kVideoColour);

// A folder of its own for each test, removed with everything in it.
class TempDir {
 public:
  TempDir() {
    std::string name = zotpx::test::TestFolder() + "zotpx-sim-screen-XXXXXX";
    path_ = mkdtemp(name.data());
  }
  ~TempDir() { std::filesystem::remove_all(path_); }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

Bytes ReadFile(const std::string& path) {
  std::optional<zotpx::FileData> file = zotpx::FileData::Open(path);
  return file ? file->ReadAll().value_or(Bytes{}) : Bytes{};
}

bool Send(const zotpx::Link& link, const Bytes& frame) {
  zotpx::test::RecordingReporter reporter;
  return zotpx::RunCommandFrames(reporter, "t", link, [&] { return std::vector<Bytes>{frame}; }) ==
         zotpx::TxResult::Ok;
}

// A command's frame from the words zotpx takes for it.
Bytes Frame(std::string_view command, const std::vector<zotpx::GivenWord>& words) {
  zotpx::Values values(*zotpx::FindRow(command));
  EXPECT_TRUE(zotpx::SetFieldWords(values, words, zotpx::Spelling::Keys).empty()) << command;
  return zotpx::BuildFrame(values);
}

struct Pixel {
  int x;
  int y;
  std::uint32_t colour;
};

void ExpectPixels(const Picture& picture, const std::vector<Pixel>& pixels) {
  ASSERT_EQ(picture.width, zotpx::kScreenWidth);
  ASSERT_EQ(picture.height, zotpx::kScreenHeight);
  for (const Pixel& p : pixels) {
    EXPECT_EQ(picture.at(p.x, p.y), p.colour) << "at " << p.x << ", " << p.y;
  }
}

// ---- the screen through the real port code and the real transfer ----

TEST(SimScreenTest, CrosshairFromADownloadedFileSitsWithItsOriginOnThePosition) {
  // Shape 1: a bar of 21 pixels through the origin (100, 50) and a dot 10 below it.
  zotpx::CrossFileImage file;
  const auto set = [&file](int x, int y) {
    file.Slot(0)[static_cast<std::size_t>(y * 48 + x / 8)] |=
        static_cast<std::uint8_t>(1 << (x % 8));
  };
  for (int x = 90; x <= 110; ++x) set(x, 50);
  set(100, 60);
  file.Finish(1, {100, 50});
  auto sim = zotpx::test::StartSim({.model = zotpx::DeviceModel::PB, .baud = 115200});
  sim->SetVideo(kVideo);
  zotpx::test::RecordingReporter reporter;
  zotpx::MemoryData data({file.bytes().data(), zotpx::kCrossDownloadSize});
  ASSERT_EQ(
      zotpx::DownloadToDevice(reporter, sim.link, zotpx::CrossTransferPlan("十字线文件下载"), data),
      TransferResult::Done);

  // The window's defaults: on, shape 1, foreground, read-out at 0, 0.
  ASSERT_TRUE(Send(sim.link, Frame("cross set", {})));
  ASSERT_TRUE(Send(sim.link, Frame("cross move", {{"x", "200"}, {"y", "150"}})));

  ExpectPixels(sim->Screen(SimServer::NowMs()), {{190, 150, kForeground},
                                                 {200, 150, kForeground},
                                                 {210, 150, kForeground},
                                                 {200, 160, kForeground},
                                                 {189, 150, kVideoColour},
                                                 {211, 150, kVideoColour},
                                                 {200, 155, kVideoColour},
                                                 {100, 50, kVideoColour}});
}

// A filled rectangle from (10, 10) to (29, 29).
Bytes RectFrame() {
  return Frame("rect", {{"left", "10"},
                        {"top", "10"},
                        {"right", "29"},
                        {"bottom", "29"},
                        {"thickness", "1"},
                        {"filled", "true"}});
}

// The rectangle as a line of a static command file.
std::string RectLine() {
  const Bytes frame = RectFrame();
  return zotpx::FormatLogLine("", frame.size(), frame.data()) + "00\r\n";
}

TEST(SimScreenTest, StaticCommandsDownloadedIntoTheMemoryFileAreDrawnAtTheNextPowerOn) {
  TempDir dir;
  const zotpx::sim::DeviceConfig config{
      .model = zotpx::DeviceModel::PA, .baud = 115200, .memory_file = dir / "memory.bin"};
  const std::string text = "; a comment line\r\n" + RectLine();
  const zotpx::StaticImage built = zotpx::BuildStaticImage(Bytes(text.begin(), text.end()));
  ASSERT_EQ(built.records, 1u);
  const std::vector<Pixel> blank = {{20, 20, kVideoColour}};
  const std::vector<Pixel> drawn = {{10, 10, kForeground},
                                    {20, 20, kForeground},
                                    {29, 29, kForeground},
                                    {9, 20, kVideoColour},
                                    {30, 20, kVideoColour}};
  {
    auto sim = zotpx::test::StartSim(config);
    sim->SetVideo(kVideo);
    ExpectPixels(sim->Screen(SimServer::NowMs()), blank);  // an erased memory runs nothing
    zotpx::test::RecordingReporter reporter;
    zotpx::MemoryData data(built.image);
    ASSERT_EQ(zotpx::DownloadToDevice(reporter, sim.link, zotpx::StaticTransferPlan("t"), data),
              TransferResult::Done);
    // Acknowledged means stored: the file holds the image while the device still runs (a
    // simulator killed now loses nothing), and the download itself draws nothing.
    const Bytes stored = ReadFile(config.memory_file);
    ASSERT_EQ(stored.size(), kMemorySize);
    EXPECT_EQ(Bytes(stored.begin(), stored.begin() + zotpx::kStaticImageSize), built.image);
    ExpectPixels(sim->Screen(SimServer::NowMs()), blank);
  }
  auto sim = zotpx::test::StartSim(config);
  sim->SetVideo(kVideo);
  ExpectPixels(sim->Screen(SimServer::NowMs()), drawn);
  const Bytes memory = sim->Memory();
  EXPECT_EQ(Bytes(memory.begin(), memory.begin() + zotpx::kStaticImageSize), built.image);
}

// ---- the real program ----

// zotpx-sim run as a user runs it; stdout and stderr are kept. As root, `as_nobody` drops to
// the unprivileged user first, so that file permissions mean something.
// `environment`, when given, is the whole environment ("NAME=value" each).
class SimProgram {
 public:
  explicit SimProgram(std::vector<std::string> args, bool as_nobody = false,
                      std::vector<std::string> environment = {},
                      const std::string& program = ZOTPX_SIM_PROGRAM) {
    int out[2];
    int err[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) return;
    args.insert(args.begin(), program);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const std::string runtime = zotpx::test::UseTestRuntimeFolder();
    if (!environment.empty()) environment.push_back(runtime);
    std::vector<char*> envp;
    for (std::string& e : environment) envp.push_back(e.data());
    envp.push_back(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
      dup2(out[1], 1);
      dup2(err[1], 2);
      if (as_nobody && geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(120);
      execve(argv[0], argv.data(), environment.empty() ? environ : envp.data());
      _exit(127);
    }
    close(out[1]);
    close(err[1]);
    out_ = out[0];
    err_ = err[0];
  }
  ~SimProgram() {
    if (pid_ > 0 && status_ < 0) {
      kill(pid_, SIGKILL);
      Wait();
    }
    if (out_ >= 0) close(out_);
    close(err_);
  }

  // The first line the program prints (the pty's path), or empty when it ends first.
  std::string FirstLine() {
    std::string line;
    char c;
    pollfd fd{out_, POLLIN, 0};
    while (poll(&fd, 1, 5000) == 1 && read(out_, &c, 1) == 1 && c != '\n') line += c;
    return line;
  }
  int Wait() {
    int status = 0;
    if (status_ < 0 && waitpid(pid_, &status, 0) == pid_) {
      status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    return status_;
  }
  int Terminate(int signal = SIGTERM) {
    kill(pid_, signal);
    return Wait();
  }
  // Whoever read standard output has gone.
  void CloseOutput() {
    close(out_);
    out_ = -1;
  }
  // The program the process runs now (it may have replaced itself).
  std::string Program() const {
    std::error_code error;
    return std::filesystem::read_symlink("/proc/" + std::to_string(pid_) + "/exe", error);
  }
  std::string Errors() {
    std::string text;
    char buffer[512];
    for (ssize_t n; (n = read(err_, buffer, sizeof buffer)) > 0;)
      text.append(buffer, std::size_t(n));
    return text;
  }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  int err_ = -1;
  int status_ = -1;
};

struct MemoryFileCase {
  const char* name;
  std::size_t size;  // 0: no file
  mode_t mode;
  bool as_nobody;
  const char* message;            // empty: the simulator starts
  const char* link_to = nullptr;  // the file is a link to this, relative to it; it stays one
};

class SimMemoryFileTest : public ::testing::TestWithParam<MemoryFileCase> {};

TEST_P(SimMemoryFileTest, RefusedFilesAreLeftAsTheyWereAndAMissingOneIsCreatedErased) {
  const MemoryFileCase& c = GetParam();
  TempDir dir;
  chmod(dir.path().c_str(), 0777);
  const std::string file = dir / "memory.bin";
  const Bytes before(c.size, 0x5A);
  if (c.link_to) {
    mkdir((dir / "sub").c_str(), 0755);
    symlink(c.link_to, file.c_str());
  }
  if (c.size > 0) {
    ASSERT_TRUE(zotpx::test::WriteFileBytes(file, before));
    chmod(file.c_str(), c.mode);
  }
  SimProgram sim({"--model", "ZOT-PA", "--baud", "9600", "--memory", file}, c.as_nobody);
  if (*c.message == '\0') {
    EXPECT_EQ(sim.FirstLine().rfind("/dev/pts/", 0), 0u);
    EXPECT_EQ(sim.Terminate(), 0);
    EXPECT_EQ(ReadFile(file), Bytes(kMemorySize, 0xFF));
    EXPECT_EQ(std::filesystem::is_symlink(file), c.link_to != nullptr);
    return;
  }
  EXPECT_EQ(sim.Wait(), 1);
  EXPECT_EQ(sim.FirstLine(), "");
  std::string message = c.message;
  message.replace(message.find("/F"), 2, file);
  EXPECT_EQ(sim.Errors(), "zotpx-sim: " + message + "\n");
  EXPECT_EQ(ReadFile(file), before) << "the refused file must stay as it was";
}

INSTANTIATE_TEST_SUITE_P(
    Files, SimMemoryFileTest,
    ::testing::Values(
        MemoryFileCase{"Missing", 0, 0, false, ""},
        MemoryFileCase{"DanglingLinkMakesTheFileItNames", 0, 0, false, "", "sub/memory.bin"},
        MemoryFileCase{"Short", 100, 0644, false,
                       "memory file /F is 100 bytes long, not 491520 (0x78000) like the device's "
                       "memory; it is left as it is"},
        MemoryFileCase{"Long", kMemorySize + 1, 0644, false,
                       "memory file /F is 491521 bytes long, not 491520 (0x78000) like the "
                       "device's memory; it is left as it is"},
        MemoryFileCase{"ReadOnly", kMemorySize, 0444, true,
                       "cannot open memory file /F for reading and writing: permission denied"}),
    [](const ::testing::TestParamInfo<MemoryFileCase>& info) {
      return std::string(info.param.name);
    });

// No two file options may lead to one file (the same name, a link, a hard link, another
// spelling of a file yet to be made): the simulator would overwrite what it reads or keeps.
TEST(SimProgramTest, FileOptionsThatLeadToOneFileAreRefusedBeforeAnythingStarts) {
  TempDir dir;
  const std::string memory = dir / "memory.bin";
  const Bytes kept(kMemorySize, 0x5A);
  ASSERT_TRUE(zotpx::test::WriteFileBytes(memory, kept));
  ASSERT_EQ(symlink("memory.bin", (dir / "link.bin").c_str()), 0);
  ASSERT_EQ(link(memory.c_str(), (dir / "hard.bin").c_str()), 0);
  ASSERT_EQ(mkdir((dir / "sub").c_str(), 0755), 0);
  const struct Case {
    std::vector<std::string> files;
    const char* said;
  } cases[] = {
      {{"--memory", memory, "--dump", memory}, "--memory and --dump"},
      {{"--memory", memory, "--dump", dir / "link.bin"}, "--memory and --dump"},
      {{"--memory", memory, "--dump", dir / "hard.bin"}, "--memory and --dump"},
      {{"--dump", dir / "new.bin", "--screen-png", dir / "sub/../new.bin"},
       "--dump and --screen-png"},
      {{"--memory", memory, "--screen-png", memory}, "--memory and --screen-png"},
      {{"--screen-png", dir / "card.png", "--video", dir / "card.png"}, "--screen-png and --video"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"--model", "ZOT-PA", "--baud", "9600"};
    args.insert(args.end(), c.files.begin(), c.files.end());
    SimProgram sim(args);
    if (!sim.FirstLine().empty()) {
      ADD_FAILURE() << c.said << ": the simulator started";
      sim.Terminate();
      continue;
    }
    EXPECT_EQ(sim.Wait(), 2) << c.said;
    EXPECT_EQ(sim.Errors().rfind("zotpx-sim: " + std::string(c.said) + " name the same file", 0),
              0u)
        << c.said;
  }
  EXPECT_EQ(ReadFile(memory), kept);
  EXPECT_FALSE(std::filesystem::exists(dir / "new.bin"));
}

// A store the file system refuses (here: past the file size limit) is refused to the host too,
// and the device's memory keeps what the file keeps.
TEST(SimMemoryFileStoreTest, AWriteTheFileCannotTakeIsRefused) {
  TempDir dir;
  const std::string file = dir / "memory.bin";
  ASSERT_TRUE(zotpx::test::WriteFileBytes(file, Bytes(kMemorySize, 0xFF)));
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {  // the limit is the whole process's
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{0x10000, 0x10000};
    zotpx::sim::SimulatedDevice model({});
    std::string error;
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0 || !model.OpenMemoryFile(file, error)) _exit(10);
    const auto request = [&model](std::uint32_t address) {
      std::uint8_t frame[32] = {};
      const std::size_t length = zotpx::BuildWriteRequest(frame, address, 4);
      frame[9] = 0x12;
      frame[length - 1] = zotpx::FrameChecksum(frame, length);
      std::optional<zotpx::sim::Reply> reply;
      for (std::size_t i = 0; i < length; ++i) reply = model.Feed(frame[i], 0, 0);
      return reply ? reply->bytes : Bytes{};
    };
    const bool refused = request(0x20000) == Bytes{0x55, 0xAA, 0x02, 0x01, 0x00, 0x03} &&
                         model.memory()[0x20000] == 0xFF && !model.memory_file_error().empty();
    const bool stored = request(0x100) == Bytes{0x55, 0xAA, 0x02, 0x01, 0x01, 0x04};
    _exit(refused && stored ? 0 : 11);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_EQ(status, 0);
  const Bytes stored = ReadFile(file);
  ASSERT_EQ(stored.size(), kMemorySize);
  EXPECT_EQ(stored[0x100], 0x12);
  EXPECT_EQ(stored[0x20000], 0xFF);
}

#ifdef ZOTPX_SIM_SCREEN_PROGRAM
// zotpx-sim has no Qt: --screen hands the very process over to zotpx-sim-screen (the offscreen
// platform stands in for a display), which serves the device as zotpx-sim would.
TEST(SimProgramTest, ScreenHandsTheProcessToTheWindowProgram) {
  SimProgram program({"--model", "ZOT-PA", "--baud", "115200", "--screen"});
  const zotpx::Link link{program.FirstLine(), 115200};
  ASSERT_EQ(link.port.rfind("/dev/pts/", 0), 0u) << program.Errors();
  EXPECT_EQ(program.Program(), ZOTPX_SIM_SCREEN_PROGRAM);
  EXPECT_TRUE(Send(link, RectFrame()));
  EXPECT_EQ(program.Terminate(), 0);
}
#endif

TEST(SimProgramTest, ScreenWithoutTheWindowProgramSaysWhichPackageBringsIt) {
  TempDir dir;
  const std::string alone = dir / "zotpx-sim";
  std::filesystem::copy_file(ZOTPX_SIM_PROGRAM, alone);
  std::filesystem::permissions(alone, std::filesystem::perms::owner_all);
  SimProgram program({"--model", "ZOT-PA", "--baud", "115200", "--screen"}, false, {}, alone);
  EXPECT_EQ(program.FirstLine(), "");
  EXPECT_EQ(program.Wait(), 1);
  EXPECT_NE(program.Errors().find("comes with the zotpx-manager package"), std::string::npos);
}

// Waits for WritePng to finish a picture in `folder` (its rename shows as IN_MOVED_TO).
bool NextPicture(int watch) {
  pollfd fd{watch, POLLIN, 0};
  alignas(inotify_event) char events[4096];
  return poll(&fd, 1, 5000) == 1 && read(watch, events, sizeof events) > 0;
}

TEST(SimProgramTest, ScreenPngIsWrittenAtStartAndAfterACommand) {
  TempDir dir;
  const std::string png = dir / "screen.png";
  const int watch = inotify_init1(IN_CLOEXEC);
  ASSERT_GE(inotify_add_watch(watch, dir.path().c_str(), IN_MOVED_TO), 0);
  SimProgram program({"--model", "ZOT-PA", "--baud", "115200", "--screen-png", png});
  const zotpx::Link link{program.FirstLine(), 115200};
  ASSERT_EQ(link.port.rfind("/dev/pts/", 0), 0u) << program.Errors();
  ASSERT_TRUE(NextPicture(watch)) << "no picture of the screen at power-on";

  ASSERT_TRUE(Send(link, RectFrame()));
  ASSERT_TRUE(NextPicture(watch)) << "no picture after the command";
  EXPECT_EQ(program.Terminate(), 0);
  close(watch);

  // A whole PNG of 384 x 256, 8-bit RGBA, that shows the rectangle over the test card.
  const Bytes file = ReadFile(png);
  ASSERT_GE(file.size(), 33u);
  EXPECT_EQ(Bytes(file.begin(), file.begin() + 8),
            (Bytes{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}));
  EXPECT_EQ(Bytes(file.begin() + 16, file.begin() + 26),
            (Bytes{0, 0, 0x01, 0x80, 0, 0, 0x01, 0x00, 8, 6}));
  const std::optional<Picture> picture = zotpx::screen::LoadVideoPicture(png);
  ASSERT_TRUE(picture);
  const Picture card = zotpx::screen::TestCard();
  ExpectPixels(*picture,
               {{20, 20, kForeground}, {5, 5, card.at(5, 5)}, {300, 200, card.at(300, 200)}});
}

// --trace explains on standard error, a line each after the time, what the device receives
// and answers: the connect scan's probes (garbage at the rates not its own), the identification,
// a command and its reply, bytes that make no frame, a frame with a bad checksum.
TEST(SimProgramTest, TraceExplainsEveryFrameAndAnswer) {
  SimProgram program({"--model", "ZOT-PB", "--baud", "115200", "--trace"});
  const zotpx::Link link{program.FirstLine(), 115200};
  ASSERT_EQ(link.port.rfind("/dev/pts/", 0), 0u) << program.Errors();
  zotpx::test::RecordingReporter reporter;
  ASSERT_EQ(zotpx::ConnectDevice(reporter, "t", link.port).outcome,
            zotpx::ConnectOutcome::Identified);
  ASSERT_TRUE(Send(link, RectFrame()));
  Bytes garbled = {0x01, 0x02};
  Bytes move = zotpx::BuildFrame(zotpx::Values(*zotpx::FindRow("cross move")));
  move.back() ^= 0x01;
  garbled.insert(garbled.end(), move.begin(), move.end());
  ASSERT_TRUE(zotpx::OpenPort(link.port, link.baud));
  ASSERT_EQ(zotpx::PortWrite(garbled.data(), garbled.size()), garbled.size());
  EXPECT_EQ(zotpx::ReadFrame(zotpx::FrameBuffer, 300, 100), 0u) << "a dropped frame answered";
  zotpx::ClosePort();
  EXPECT_EQ(program.Terminate(), 0);

  const std::string probe =
      "host   probe 5A: the connect scan asks whether a device listens at this rate";
  const auto garbage = [&](int rate) {
    return probe + " (sent at " + std::to_string(rate) +
           " baud: the device runs at 115200 and hears garbage)";
  };
  const std::vector<std::string> expected = {
      garbage(9600),
      garbage(19200),
      garbage(38400),
      garbage(57600),
      probe,
      "device probe answer A5: a device listens at this rate",
      "host   连接设备 identify; checksum ok",
      "device identification: model ZOT-PB, version \"V2.1 build 2026-11\"",
      "host   矩形控制命令 rect colour=fg thickness=1 filled left=10 top=10 right=29 bottom=29; "
      "checksum ok",
      "device reply to 矩形控制命令: acknowledged (status 00); checksum ok",
      "host   2 bytes that are no frame: 01 02",
      "host   十字线移动命令 cross move x=192 y=128; checksum wrong (should be 63): dropped",
      "device no answer",
  };
  std::vector<std::string> lines;
  std::istringstream errors(program.Errors());
  for (std::string line; std::getline(errors, line);) {
    // "14:03:07.125 " first.
    EXPECT_TRUE(line.size() > 13 && line[2] == ':' && line[5] == ':' && line[8] == '.' &&
                line[12] == ' ')
        << line;
    lines.push_back(line.substr(std::min<std::size_t>(13, line.size())));
  }
  EXPECT_EQ(lines, expected);
}

// ---- every way out removes the COMn link and writes the dump ----

std::string LinkPath(const std::string& name) {
  return zotpx::PortFolder() + "/" + name;
}

bool IsLink(const std::string& path) {
  struct stat st {};
  return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

// Xvfb on a display it picks itself; `display` is empty when there is none to start.
class XServer {
 public:
  XServer() {
    int ready[2];
    if (pipe(ready) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(ready[1], 3);
      execlp("Xvfb", "Xvfb", "-displayfd", "3", "-nolisten", "tcp", nullptr);
      _exit(127);
    }
    close(ready[1]);
    char c;
    pollfd fd{ready[0], POLLIN, 0};
    while (poll(&fd, 1, 20000) == 1 && read(ready[0], &c, 1) == 1 && c != '\n') display += c;
    close(ready[0]);
  }
  ~XServer() { Stop(); }
  void Stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
  std::string display;

 private:
  pid_t pid_ = -1;
};

// Waits for `name` to be made in the folder `watch` watches (the new pty may reuse the old
// one's path, so only the event tells).
bool Created(int watch, const std::string& name) {
  alignas(inotify_event) char events[4096];
  for (pollfd fd{watch, POLLIN, 0}; poll(&fd, 1, 5000) == 1;) {
    const ssize_t n = read(watch, events, sizeof events);
    for (ssize_t at = 0; at < n;) {
      const auto* event = reinterpret_cast<const inotify_event*>(events + at);
      if (event->len > 0 && event->name == name) return true;
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
  }
  return false;
}

enum class WayOut { Signal, DisplayGone, ReplugWithoutReader };

struct WayOutCase {
  const char* name;
  WayOut way;
  int signal;  // how the program is ended at last
  int status;
  const char* port;  // each case a link of its own: CTest runs them at once
};

void PrintTo(const WayOutCase& c, std::ostream* out) {
  *out << c.name;
}

class SimWayOutTest : public ::testing::TestWithParam<WayOutCase> {};

TEST_P(SimWayOutTest, LinkIsRemovedAndTheDumpWritten) {
  const WayOutCase& c = GetParam();
  TempDir dir;
  const std::string link = LinkPath(c.port);
  std::vector<std::string> args = {"--model", "ZOT-PA", "--baud", "9600",
                                   "--port",  c.port,   "--dump", dir / "dump.bin"};
  if (c.way == WayOut::ReplugWithoutReader) args.insert(args.end(), {"--fault", "hang-up:1"});
  std::vector<std::string> environment;
  std::optional<XServer> x;
  if (c.way == WayOut::DisplayGone) {
    x.emplace();
    if (x->display.empty()) GTEST_SKIP() << "no Xvfb to start";
    args.push_back("--screen");
    environment = {"DISPLAY=:" + x->display, "QT_QPA_PLATFORM=xcb"};
  }
  SimProgram sim(args, false, environment);
  const std::string pty = sim.FirstLine();
  if (pty.empty()) {
    EXPECT_EQ(sim.Wait(), 1);
    const std::string errors = sim.Errors();
    if (errors.find("built without a window") != std::string::npos) GTEST_SKIP() << errors;
    FAIL() << errors;
  }
  ASSERT_TRUE(IsLink(link));

  int status = -1;
  if (c.way == WayOut::DisplayGone) {
    x->Stop();
    status = sim.Wait();
  } else if (c.way == WayOut::ReplugWithoutReader) {
    // The device hangs up at the first frame and comes back on a new pty a second later,
    // printing its path into a pipe nobody reads any more.
    sim.CloseOutput();
    const int watch = inotify_init1(IN_CLOEXEC);
    ASSERT_GE(inotify_add_watch(watch, zotpx::PortFolder().c_str(), IN_CREATE), 0);
    Send({pty, 9600}, zotpx::MakeFrame(0x10, {0x00, 0x06, 0x09}));
    EXPECT_TRUE(Created(watch, c.port)) << "no new link after the hang-up";
    close(watch);
    status = sim.Terminate(c.signal);
  } else {
    status = sim.Terminate(c.signal);
  }
  EXPECT_EQ(status, c.status) << sim.Errors();
  EXPECT_FALSE(IsLink(link));
  EXPECT_EQ(ReadFile(dir / "dump.bin"), Bytes(kMemorySize, 0xFF));
}

INSTANTIATE_TEST_SUITE_P(
    Ways, SimWayOutTest,
    ::testing::Values(WayOutCase{"Interrupt", WayOut::Signal, SIGINT, 0, "COM243"},
                      WayOutCase{"Terminate", WayOut::Signal, SIGTERM, 0, "COM244"},
                      WayOutCase{"HangUpSignal", WayOut::Signal, SIGHUP, 0, "COM245"},
                      WayOutCase{"DisplayGone", WayOut::DisplayGone, 0, 1, "COM246"},
                      WayOutCase{"ReplugWithoutReader", WayOut::ReplugWithoutReader, SIGTERM, 0,
                                 "COM247"}),
    [](const ::testing::TestParamInfo<WayOutCase>& info) { return std::string(info.param.name); });

// Without a display, --screen ends the program before there is a pty or a link.
TEST(SimProgramTest, ScreenWithoutADisplayEndsBeforeAnythingIsLinked) {
  const std::string link = LinkPath("COM241");
  if (IsLink(link)) unlink(link.c_str());  // left by a simulator that was killed
  SimProgram sim({"--model", "ZOT-PA", "--baud", "9600", "--port", "COM241", "--screen"}, false,
                 {"QT_QPA_PLATFORM=xcb"});
  EXPECT_EQ(sim.Wait(), 1);
  EXPECT_EQ(sim.FirstLine(), "");
  EXPECT_NE(sim.Errors().find("zotpx-sim: --screen: "), std::string::npos);
  EXPECT_FALSE(IsLink(link));
}

}  // namespace
