// Every kind of command from the window against every fault of the line and the device: the
// exact status text and log block, the port closed (it opens again at once), the form enabled,
// and the same command working again as soon as the fault is gone.
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QComboBox>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "serial/port.h"
#include "serial/reporter.h"
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
};

const char* Name(Trouble t) {
  static const char* const kNames[] = {"Noise",  "BadChecksum", "WrongEcho", "ShortFrame",
                                       "Stall",  "Silence",     "Refuse",    "HangUp",
                                       "PortHeld", "PortVanished"};
  return kNames[static_cast<int>(t)];
}

Fault SimFault(Trouble t) {
  switch (t) {
    case Trouble::Noise: return Fault::Noise;
    case Trouble::BadChecksum: return Fault::BadChecksum;
    case Trouble::WrongEcho: return Fault::WrongEcho;
    case Trouble::ShortFrame: return Fault::ShortFrame;
    case Trouble::Stall: return Fault::Stall;
    case Trouble::Silence: return Fault::Silence;
    case Trouble::Refuse: return Fault::Refuse;
    case Trouble::HangUp: return Fault::HangUp;
    default: return Fault::None;
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
  std::function<void(FaultMatrixTest&)> prepare;  // files to choose, fields to fill
  std::string ok_status;
  std::string failed_status;
  // The log block, given the frames the device received and whether the command succeeded.
  std::function<std::vector<std::string>(const std::vector<Bytes>& frames, Outcome)> log;
  // Faults whose outcome is not the command's failure.
  std::map<Trouble, Outcome> exceptions;
};

std::string Hex(const char* title, const Bytes& frame) {
  return zotpx::FormatLogLine(title, frame.size(), frame.data());
}

// The ordinary single-frame block: header, request, reply when accepted, blank line.
std::vector<std::string> OrdinaryBlock(const std::string& title, const std::vector<Bytes>& frames,
                                       Outcome outcome) {
  std::vector<std::string> block{"【" + title + "】"};
  if (!frames.empty()) block.push_back(Hex("发送：", frames.front()));
  if (outcome == Outcome::Ok && !frames.empty()) {
    block.push_back(Hex("接收：", zotpx::MakeFrame(frames.front()[2], {0x00})));
  }
  block.push_back("");
  return block;
}

const std::vector<CommandKind>& Kinds() {
  static const std::vector<CommandKind> kinds = {
      {
          "Connect",
          "BtnSearchCmd",
          {.model = "ZOT-PB", .baud = 9600},
          -1,
          1,  // the identify request; the probe is no frame
          nullptr,
          "连接设备成功：产品型号和通信速率已自动匹配",
          "连接设备失败：请检查产品是否正确连接到计算机串口",
          [](const std::vector<Bytes>&, Outcome) {
            return std::vector<std::string>{"【连接设备】", ""};
          },
          // The identification is raw text, not a frame: nothing to garble in checksum or echo.
          {{Trouble::BadChecksum, Outcome::Ok}, {Trouble::WrongEcho, Outcome::Ok}},
      },
      {
          "Parameters",
          "BtnConfigCmd",
          {.model = "ZOT-PA", .baud = 115200},
          1,
          1,
          nullptr,
          "参数设置命令成功：请查看通信数据记录以获得更多信息",
          "参数设置命令失败：接收响应失败",
          [](const std::vector<Bytes>& frames, Outcome outcome) {
            return OrdinaryBlock("参数设置命令", frames, outcome);
          },
          // The reader skips junk; an ordinary reply's status byte is not judged.
          {{Trouble::Noise, Outcome::Ok}, {Trouble::Refuse, Outcome::Ok}},
      },
  };
  return kinds;
}

struct MatrixCase {
  std::size_t kind;
  Trouble trouble;
};

std::string CaseName(const ::testing::TestParamInfo<MatrixCase>& info) {
  return std::string(Kinds()[info.param.kind].name) + "_" + Name(info.param.trouble);
}

std::vector<MatrixCase> AllCases() {
  std::vector<MatrixCase> cases;
  for (std::size_t k = 0; k < Kinds().size(); ++k)
    for (int t = 0; t <= static_cast<int>(Trouble::PortVanished); ++t)
      cases.push_back({k, static_cast<Trouble>(t)});
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
 protected:
  void SetUp() override {
    const CommandKind& kind = Kinds()[GetParam().kind];
    StartDevice(kind.device);
    if (kind.model_index >= 0) form().Combo("ComboDeviceType")->setCurrentIndex(kind.model_index);
    // Connecting starts from the first rate, whatever the window shows.
    if (std::string(kind.button) == "BtnSearchCmd") form().Combo("UartBaud")->setCurrentIndex(0);
    if (kind.prepare) kind.prepare(*this);
  }
  void TearDown() override {
    zotpx::ClosePort();
    if (!link_.empty()) fs::remove(link_);
  }

  // A name for the port that can vanish: a link to the pty, as udev makes for an adapter.
  std::string LinkToDevice() {
    char pattern[] = "/tmp/zotpx-port-XXXXXX";
    const char* dir = mkdtemp(pattern);
    if (!dir) return {};
    link_ = std::string(dir) + "/ttyUSB0";
    fs::create_symlink(sim()->path(), link_);
    return link_;
  }

  std::string link_;
};

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
    port = LinkToDevice();
    ASSERT_FALSE(port.empty());
    form().SelectPort(QString::fromStdString(port));
    fs::remove(port);  // unplugged after it was chosen
    outcome = Outcome::OpenFailed;
    expected_status = std::string(zotpx::kOpenFailureText) + "（设备 " + port + " 不存在）";
  } else {
    sim()->AddFault({.fault = SimFault(trouble), .nth = kind.fault_frame});
  }
  if (outcome == Outcome::Ok) expected_status = kind.ok_status;
  if (outcome == Outcome::Failed) expected_status = kind.failed_status;

  const std::size_t mark = LogMark();
  Click(kind.button);

  EXPECT_EQ(Status(), expected_status);
  const std::vector<std::string> expected_log =
      outcome == Outcome::OpenFailed ? std::vector<std::string>{}
                                     : kind.log(sim()->ReceivedFrames(), outcome);
  EXPECT_EQ(LogSince(mark), expected_log);
  EXPECT_TRUE(form().isEnabled());
  EXPECT_EQ(zotpx::PortHandle, zotpx::kInvalidHandle);
  std::printf("[matrix] %-12s %-13s -> %s\n", kind.name, Name(trouble), Status().c_str());

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
  ASSERT_TRUE(zotpx::OpenPort(port, kind.device.baud)) << zotpx::OpenFailureText();
  zotpx::ClosePort();
  Click(kind.button);
  EXPECT_EQ(Status(), kind.ok_status);
  EXPECT_TRUE(form().isEnabled());
  EXPECT_EQ(zotpx::PortHandle, zotpx::kInvalidHandle);
}

INSTANTIATE_TEST_SUITE_P(EveryCommandEveryFault, FaultMatrixTest, ::testing::ValuesIn(AllCases()),
                         CaseName);

}  // namespace
