// Every kind of command from the window against every fault of the line and the device: the
// exact status text and log block, the port closed (it opens again at once), the form enabled,
// and the same command working again as soon as the fault is gone.
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QComboBox>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "serial/port.h"
#include "serial/reporter.h"
#include "support/bmp_writer.h"
#include "support/form_fixture.h"

namespace {

using zotpx::Bytes;
using zotpx::sim::Fault;
namespace fs = std::filesystem;

// What the matrix does to a command, beyond the simulator's own faults.
enum class Trouble {
  Noise,
  BadChecksum,
  WrongEcho,
  ShortFrame,
  Stall,
  Silence,
  Refuse,
  HangUp,
  PortHeld,      // another process holds the port's lock
  PortVanished,  // the port's device node is gone before the click
  EraseSilence,  // a download's first erase unanswered: the 5 s wait, tried once
};

const char* Name(Trouble t) {
  static const char* const kNames[] = {"Noise",    "BadChecksum",  "WrongEcho",   "ShortFrame",
                                       "Stall",    "Silence",      "Refuse",      "HangUp",
                                       "PortHeld", "PortVanished", "EraseSilence"};
  return kNames[static_cast<int>(t)];
}

Fault SimFault(Trouble t) {
  switch (t) {
    case Trouble::Noise:
      return Fault::Noise;
    case Trouble::BadChecksum:
      return Fault::BadChecksum;
    case Trouble::WrongEcho:
      return Fault::WrongEcho;
    case Trouble::ShortFrame:
      return Fault::ShortFrame;
    case Trouble::Stall:
      return Fault::Stall;
    case Trouble::Silence:
      return Fault::Silence;
    case Trouble::Refuse:
      return Fault::Refuse;
    case Trouble::HangUp:
      return Fault::HangUp;
    case Trouble::EraseSilence:
      return Fault::Silence;
    default:
      return Fault::None;
  }
}

// How a command ends: as if nothing happened, with its own failure, or refused at the open.
enum class Outcome { Ok, Failed, OpenFailed };

class FaultMatrixTest;

// One kind of command as the operator runs it.
struct CommandKind {
  const char* name;
  const char* button;
  zotpx::sim::DeviceConfig device;
  int model_index;  // ComboDeviceType as connecting left it (-1: leave it)
  // The frame the fault is aimed at (1-based, counting every frame the device receives).
  int fault_frame;
  std::function<void(FaultMatrixTest&)> prepare;  // once: files to write, slots to load
  std::function<void(FaultMatrixTest&)> arm;      // before every click: dialog answers
  std::string ok_status;
  std::string failed_status;
  // The log block, given the frames the device received and how the command ended.
  std::function<std::vector<std::string>(const std::vector<Bytes>& frames, Outcome)> log;
  // Faults whose outcome is not the command's failure.
  std::map<Trouble, Outcome> exceptions;
};

std::string Hex(const char* title, const Bytes& frame) {
  return zotpx::FormatLogLine(title, frame.size(), frame.data());
}

// Frames sent one after another under one header: each request, and its reply while they are
// accepted; the first unanswered one ends the block.
std::vector<std::string> FramesBlock(const std::string& title, const std::vector<Bytes>& frames,
                                     Outcome outcome) {
  if (outcome == Outcome::OpenFailed) return {};
  std::vector<std::string> block{"【" + title + "】"};
  for (std::size_t i = 0; i < frames.size(); ++i) {
    block.push_back(Hex("发送：", frames[i]));
    if (outcome == Outcome::Ok || i + 1 < frames.size())
      block.push_back(Hex("接收：", zotpx::MakeFrame(frames[i][2], {0x00})));
  }
  block.push_back("");
  return block;
}

// A download's block: no frame bytes, only its phases.
std::vector<std::string> TransferBlock(const std::string& log_title, Outcome outcome,
                                       const std::string& erased_line,
                                       const std::string& done_line) {
  if (outcome == Outcome::OpenFailed) return {};
  std::vector<std::string> block{log_title, "正在擦除存储器..."};
  if (!erased_line.empty()) block.push_back(erased_line);
  block.push_back("正在写入存储器...");
  block.push_back(outcome == Outcome::Ok ? done_line : "写入存储器失败");
  block.push_back("");
  return block;
}

// What the operator does first: defined with the fixture below.
void LoadSuperBitmap(FaultMatrixTest& t);
void ChooseFontFile(FaultMatrixTest& t);
void ChooseStaticFile(FaultMatrixTest& t);
void ChooseCrossFile(FaultMatrixTest& t);

const std::map<Trouble, Outcome> kReaderSkipsNoise = {{Trouble::Noise, Outcome::Ok}};

const std::vector<CommandKind>& Kinds() {
  static const std::vector<CommandKind> kinds = {
      {
          "Connect",
          "BtnSearchCmd",
          {.model = zotpx::DeviceModel::PB, .baud = 9600},
          -1,
          1,  // the identify request; the probe is no frame
          nullptr,
          nullptr,
          "连接设备成功：产品型号和通信速率已自动匹配",
          "连接设备失败：请检查产品是否正确连接到计算机串口",
          [](const std::vector<Bytes>&, Outcome outcome) {
            if (outcome == Outcome::OpenFailed) return std::vector<std::string>{};
            return std::vector<std::string>{"【连接设备】", ""};
          },
          // The identification is raw text, not a frame: nothing to garble in checksum or echo.
          {{Trouble::BadChecksum, Outcome::Ok}, {Trouble::WrongEcho, Outcome::Ok}},
      },
      {
          "Parameters",
          "BtnConfigCmd",
          {.model = zotpx::DeviceModel::PA, .baud = 115200},
          1,
          1,
          nullptr,
          nullptr,
          "参数设置命令成功：请查看通信数据记录以获得更多信息",
          "参数设置命令失败：接收响应失败",
          [](const std::vector<Bytes>& frames, Outcome outcome) {
            return FramesBlock("参数设置命令", frames, outcome);
          },
          // The reader skips junk; an ordinary reply's status byte is not judged.
          {{Trouble::Noise, Outcome::Ok}, {Trouble::Refuse, Outcome::Ok}},
      },
      {
          "SuperBitmap",
          "BtnSuperBitmapCmd",
          {.model = zotpx::DeviceModel::PA, .baud = 115200},
          1,
          2,  // the second of three data frames; the control frame comes last
          LoadSuperBitmap,
          nullptr,
          "超大位图字符命令成功：请查看通信数据记录以获得更多信息",
          "超大位图字符命令失败：接收响应失败",
          [](const std::vector<Bytes>& frames, Outcome outcome) {
            return FramesBlock("超大位图字符命令", frames, outcome);
          },
          {{Trouble::Noise, Outcome::Ok}, {Trouble::Refuse, Outcome::Ok}},
      },
      {
          "FontDownload",
          "BtnEepromCmd",
          {.model = zotpx::DeviceModel::PA, .baud = 115200},
          1,
          3,  // one erase, then the second of three writes
          nullptr,
          ChooseFontFile,
          "内部字库下载成功：请查看通信数据记录以获得更多信息",
          "内部字库下载失败：写入存储器失败",
          [](const std::vector<Bytes>&, Outcome outcome) {
            return TransferBlock("【内部字库下载】", outcome, "", "写入存储器成功");
          },
          kReaderSkipsNoise,
      },
      {
          "StaticDownload",
          "BtnStaticCmd",
          {.model = zotpx::DeviceModel::PA, .baud = 115200},
          1,
          3,
          nullptr,
          ChooseStaticFile,
          "生成和下载静态命令成功：请查看通信数据记录以获得更多信息",
          "生成和下载静态命令失败：写入存储器失败",
          [](const std::vector<Bytes>&, Outcome outcome) {
            // "User.cfg" is made before the port is opened, whatever happens on the line.
            std::vector<std::string> block{"生成静态命令成功", ""};
            for (std::string& line :
                 TransferBlock("【下载静态命令】", outcome, "擦除存储器成功", "下载静态命令成功"))
              block.push_back(std::move(line));
            return block;
          },
          kReaderSkipsNoise,
      },
      {
          "CrossDownload",
          "BtnCrossDownCmd",
          {.model = zotpx::DeviceModel::PB, .baud = 115200},
          2,
          4,  // two erases, then the second write
          nullptr,
          ChooseCrossFile,
          "十字线文件下载成功：请查看通信数据记录以获得更多信息",
          "十字线文件下载失败：写入存储器失败",
          [](const std::vector<Bytes>&, Outcome outcome) {
            return TransferBlock("【十字线文件下载】", outcome, "", "写入存储器成功");
          },
          kReaderSkipsNoise,
      },
  };
  return kinds;
}

struct MatrixCase {
  std::size_t kind;
  Trouble trouble;
};

void PrintTo(const MatrixCase& c, std::ostream* out) {
  *out << Kinds()[c.kind].name << " x " << Name(c.trouble);
}

std::string CaseName(const ::testing::TestParamInfo<MatrixCase>& info) {
  return std::string(Kinds()[info.param.kind].name) + "_" + Name(info.param.trouble);
}

std::vector<MatrixCase> AllCases() {
  std::vector<MatrixCase> cases;
  for (std::size_t k = 0; k < Kinds().size(); ++k)
    for (int t = 0; t <= static_cast<int>(Trouble::PortVanished); ++t)
      cases.push_back({k, static_cast<Trouble>(t)});
  // Five seconds of silence after an erase request: once is enough.
  cases.push_back({3, Trouble::EraseSilence});
  return cases;
}

// Another process that opens the port and holds its lock until killed.
class PortHolder {
 public:
  explicit PortHolder(const std::string& path) {
    int ready[2];
    if (pipe(ready) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
      const char ok = fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) == 0 ? 1 : 0;
      (void)!write(ready[1], &ok, 1);
      for (;;) pause();
    }
    close(ready[1]);
    char ok = 0;
    held_ = pid_ > 0 && read(ready[0], &ok, 1) == 1 && ok == 1;
    close(ready[0]);
  }
  ~PortHolder() { Release(); }
  void Release() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
  bool held() const { return held_; }
  pid_t pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  bool held_ = false;
};

class FaultMatrixTest : public FormTest, public ::testing::WithParamInterface<MatrixCase> {
 public:
  using FormTest::dialogs;
  using FormTest::form;
  // A file in the test's own folder, which is also where "User.cfg" goes.
  QString Write(const QString& name, const Bytes& bytes) {
    const QString path = folder_.filePath(name);
    EXPECT_TRUE(zotpx::test::WriteFileBytes(QFile::encodeName(path).toStdString(), bytes));
    return path;
  }
  void Answer(const QString& path) { dialogs().open_answers.push_back(path); }

 protected:
  FaultMatrixTest() : saved_directory_(AppDirectory) {
    AppDirectory = MakeAppDirectory(folder_.path());
  }
  ~FaultMatrixTest() override { AppDirectory = saved_directory_; }

  void SetUp() override {
    const CommandKind& kind = Kinds()[GetParam().kind];
    ASSERT_TRUE(folder_.isValid());
    StartDevice(kind.device);
    if (kind.model_index >= 0) form().Combo("ComboDeviceType")->setCurrentIndex(kind.model_index);
    // Connecting starts from the first rate, whatever the window shows.
    if (std::string(kind.button) == "BtnSearchCmd") form().Combo("UartBaud")->setCurrentIndex(0);
    if (kind.prepare) kind.prepare(*this);
  }
  void TearDown() override { form().port().Close(); }

  void ClickArmed(const CommandKind& kind) {
    if (kind.arm) kind.arm(*this);
    Click(kind.button);
  }

  QTemporaryDir folder_;
  QString saved_directory_;
};

void LoadSuperBitmap(FaultMatrixTest& t) {
  // 128 x 40: three data frames of 240 bytes and a last one padded, then the control frame.
  t.Answer(t.Write(
      QStringLiteral("big.bmp"),
      zotpx::test::MakeBmp({.width = 128, .height = 40}, [](int x, int y) { return x == y; })));
  t.form().LabelSuperBitmapSelectClick();
  ASSERT_EQ(t.form().StatusText(), QStringLiteral("选择超大位图文件成功：请查看图像预览区"));
}

void ChooseFontFile(FaultMatrixTest& t) {
  Bytes font(616, 0x3C);  // one erase, writes of 240, 240 and 136 bytes
  font[11] = font[15] = 0x10;
  t.Answer(t.Write(QStringLiteral("font.font"), font));
}

void ChooseStaticFile(FaultMatrixTest& t) {
  const std::string text = "55 AA 10 03 01 00 69 7D 00\r\n";
  t.Answer(t.Write(QStringLiteral("static.txt"), Bytes(text.begin(), text.end())));
  t.dialogs().question_answers.push_back(true);  // download it now
}

void ChooseCrossFile(FaultMatrixTest& t) {
  Bytes cross(0x40000, 0);
  cross[0x3C000] = 'P', cross[0x3C001] = 'I', cross[0x3C002] = 'C', cross[0x3C003] = ' ';
  cross[0x3C004] = 1;
  t.Answer(t.Write(QStringLiteral("Cross.bin"), cross));
}

TEST_P(FaultMatrixTest, EndsWithItsStatusAndLogThePortClosedAndTheFormEnabled) {
  const CommandKind& kind = Kinds()[GetParam().kind];
  const Trouble trouble = GetParam().trouble;
  Outcome outcome = Outcome::Failed;
  if (auto it = kind.exceptions.find(trouble); it != kind.exceptions.end()) outcome = it->second;

  std::string port = sim()->path();
  std::unique_ptr<PortHolder> holder;
  std::string expected_status;
  if (trouble == Trouble::PortHeld) {
    holder = std::make_unique<PortHolder>(port);
    ASSERT_TRUE(holder->held());
    outcome = Outcome::OpenFailed;
    expected_status = std::string(zotpx::kOpenFailureText) + "（" + port + " 已被其他程序占用：" +
                      "zotpx_form_test，进程 " + std::to_string(holder->pid()) + "）";
  } else if (trouble == Trouble::PortVanished) {
    // A link to the pty, as udev makes for an adapter, gone after the port was chosen.
    port = QFile::encodeName(folder_.filePath(QStringLiteral("ttyUSB0"))).toStdString();
    fs::create_symlink(sim()->path(), port);
    form().SelectPort(QString::fromStdString(port));
    fs::remove(port);
    outcome = Outcome::OpenFailed;
    expected_status = std::string(zotpx::kOpenFailureText) + "（设备 " + port + " 不存在）";
  } else {
    const int frame = trouble == Trouble::EraseSilence ? 1 : kind.fault_frame;
    sim()->AddFault({.fault = SimFault(trouble), .nth = frame});
  }
  if (outcome == Outcome::Ok) expected_status = kind.ok_status;
  if (outcome == Outcome::Failed) expected_status = kind.failed_status;
  // A line that went says so after the usual failure.
  if (outcome == Outcome::Failed && trouble == Trouble::HangUp)
    expected_status += "（设备 " + port + " 已断开）";

  const std::size_t mark = LogMark();
  ClickArmed(kind);

  std::vector<std::string> expected_log = kind.log(sim()->ReceivedFrames(), outcome);
  if (trouble == Trouble::EraseSilence) {
    expected_status = "内部字库下载失败：擦除存储器失败";
    expected_log = {"【内部字库下载】", "正在擦除存储器...", "擦除存储器失败", ""};
  }
  EXPECT_EQ(Status(), expected_status);
  EXPECT_EQ(LogSince(mark), expected_log);
  EXPECT_TRUE(form().isEnabled());
  EXPECT_FALSE(form().port().IsOpen());
  std::printf("[matrix] %-14s %-13s -> %s\n", kind.name, Name(trouble), Status().c_str());

  // The line comes back: a hung-up device on a new pty, the adapter plugged in again, the
  // other program gone. The port opens at once and the command works again.
  if (trouble == Trouble::HangUp) {
    EXPECT_TRUE(sim()->HungUp());
    ASSERT_TRUE(sim().Restart());
    port = sim().link.port;
    form().SelectPort(QString::fromStdString(port));
  } else if (trouble == Trouble::PortVanished) {
    fs::create_symlink(sim()->path(), port);
  }
  if (holder) holder->Release();
  sim()->ClearFaults();
  zotpx::Port reopened;
  ASSERT_TRUE(reopened.Open(port, kind.device.baud)) << reopened.OpenFailureText();
  reopened.Close();
  ClickArmed(kind);
  EXPECT_EQ(Status(), kind.ok_status);
  EXPECT_TRUE(form().isEnabled());
  EXPECT_FALSE(form().port().IsOpen());
}

INSTANTIATE_TEST_SUITE_P(EveryCommandEveryFault, FaultMatrixTest, ::testing::ValuesIn(AllCases()),
                         CaseName);

}  // namespace
