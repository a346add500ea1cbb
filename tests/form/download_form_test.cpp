// The three downloads from the window against the simulated device: refusals before any dialog,
// the dialogs they open, file refusals, "User.cfg", the device's memory afterwards, the progress
// bar, and the form enabled again however a download ends.
#include <QComboBox>
#include <QFile>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <random>

#include "crosshair/cross_download.h"
#include "serial/port.h"
#include "support/form_fixture.h"
#include "text/font_library.h"
#include "text/static_file.h"

namespace {

using zotpx::Bytes;
using zotpx::sim::Fault;
using Kind = ScriptedDialogs::Kind;

const std::string kSuccess = "成功：请查看通信数据记录以获得更多信息";

Bytes RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  Bytes bytes(size);
  for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
  return bytes;
}

Bytes FontBytes(std::size_t size, std::uint8_t code = 0x10) {
  Bytes bytes = RandomBytes(size, static_cast<unsigned>(size));
  if (size > 15) bytes[11] = bytes[15] = code;
  return bytes;
}

class DownloadFormTest : public FormTest {
 protected:
  DownloadFormTest() : saved_directory_(AppDirectory) {
    AppDirectory = MakeAppDirectory(folder_.path());
  }
  ~DownloadFormTest() override { AppDirectory = saved_directory_; }

  // The window as connecting leaves it: model item and rate item.
  void Connected(int model, const zotpx::sim::DeviceConfig& config) {
    StartDevice(config);
    form().Combo("ComboDeviceType")->setCurrentIndex(model);
  }
  QString Write(const char* name, const Bytes& bytes) {
    const QString path = folder_.filePath(QString::fromLatin1(name));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    return path;
  }
  void Choose(const QString& path) { dialogs().open_answers.push_back(path); }
  Bytes MemoryAt(std::size_t address, std::size_t size) {
    const Bytes memory = sim().Memory();
    return Bytes(memory.begin() + static_cast<std::ptrdiff_t>(address),
                 memory.begin() + static_cast<std::ptrdiff_t>(address + size));
  }
  QProgressBar* Bar() { return form().Ctl<QProgressBar>("ProgressDownload"); }
  QString UserCfg() const { return AppDirectory + QStringLiteral("User.cfg"); }

  QTemporaryDir folder_;

 private:
  QString saved_directory_;
};

// ---- refusals before any dialog ----

struct RefusalCase {
  const char* button;
  int model;
  int rate;
  const char* status;
};

class DownloadRefusalTest : public DownloadFormTest,
                            public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(DownloadRefusalTest, ModelAndRateAreRefusedBeforeAnyDialog) {
  const RefusalCase& c = GetParam();
  form().Combo("ComboDeviceType")->setCurrentIndex(c.model);
  form().Combo("UartBaud")->setCurrentIndex(c.rate);
  const std::size_t mark = LogMark();
  Click(c.button);
  EXPECT_EQ(Status(), c.status);
  EXPECT_TRUE(dialogs().requests.empty());
  EXPECT_TRUE(LogSince(mark).empty());
  EXPECT_TRUE(form().isEnabled());
}

INSTANTIATE_TEST_SUITE_P(
    Checks, DownloadRefusalTest,
    ::testing::Values(
        RefusalCase{"BtnEepromCmd", 0, 7, "内部字库下载失败：请先连接设备获得产品型号才能下载字库"},
        RefusalCase{"BtnEepromCmd", 1, 3,
                    "内部字库下载失败：通信速率至少要设置为115200bps以减少下载字库时间"},
        RefusalCase{"BtnEepromCmd", 2, 0,
                    "内部字库下载失败：通信速率至少要设置为115200bps以减少下载字库时间"},
        RefusalCase{"BtnStaticCmd", 0, 7,
                    "生成和下载静态命令失败：请先连接设备获得产品型号才能下载静态命令"},
        RefusalCase{"BtnCrossDownCmd", 0, 7, "十字线文件下载失败：当前型号的产品不支持十字线下载"},
        RefusalCase{"BtnCrossDownCmd", 1, 0, "十字线文件下载失败：当前型号的产品不支持十字线下载"},
        RefusalCase{"BtnCrossDownCmd", 2, 3,
                    "十字线文件下载失败：通信速率至少要设置为115200bps以减少下载十字线时间"}));

struct DialogCase {
  const char* button;
  int model;
  int rate;
  const char* title;
  int filter_index;
};

class DownloadDialogTest : public DownloadFormTest,
                           public ::testing::WithParamInterface<DialogCase> {};

TEST_P(DownloadDialogTest, CancellingTheDialogChangesNothing) {
  const DialogCase& c = GetParam();
  form().Combo("ComboDeviceType")->setCurrentIndex(c.model);
  form().Combo("UartBaud")->setCurrentIndex(c.rate);
  const std::string before = Status();
  const std::size_t mark = LogMark();
  Click(c.button);
  ASSERT_EQ(dialogs().requests.size(), 1u);
  const Dialogs::FileRequest& request = dialogs().requests[0].file;
  EXPECT_EQ(request.title, QString::fromUtf8(c.title));
  EXPECT_EQ(request.directory, AppDirectory);
  EXPECT_TRUE(request.file_name.isEmpty());
  EXPECT_EQ(request.filter, kOpenDialogFilter);
  EXPECT_EQ(request.filter_index, c.filter_index);
  EXPECT_EQ(Status(), before);
  EXPECT_TRUE(LogSince(mark).empty());
}

INSTANTIATE_TEST_SUITE_P(Dialogs, DownloadDialogTest,
                         ::testing::Values(DialogCase{"BtnEepromCmd", 1, 4, "打开内部字库文件", 2},
                                           // no rate check for the static commands
                                           DialogCase{"BtnStaticCmd", 2, 0, "打开静态命令文件", 1},
                                           DialogCase{"BtnCrossDownCmd", 2, 4, "打开十字线文件",
                                                      4}));

// ---- font library ----

TEST_F(DownloadFormTest, FontFilesAreRefusedBySizeThenHeader) {
  Connected(2, {.model = zotpx::DeviceModel::PB, .baud = 115200});
  struct Case {
    const char* name;
    Bytes bytes;
    int model;
    const char* status;
  };
  const Case cases[] = {
      {"short.font", FontBytes(10), 2, "内部字库下载失败：无效的字库文件"},
      {"empty.font", {}, 2, "内部字库下载失败：无效的字库文件"},
      {"huge.font", FontBytes(0x74001), 1, "内部字库下载失败：无效的字库文件"},
      {"huge-pb.font", FontBytes(0x80000), 2, "内部字库下载失败：无效的字库文件"},
      {"big.font", FontBytes(0x34001), 2, "内部字库下载失败：当前型号的产品不支持此字库"},
      {"mixed.font",
       [] {
         Bytes b = FontBytes(0x4000);
         b[15] = 0x18;
         return b;
       }(),
       2, "内部字库下载失败：无效的字库文件"},
      {"code32.font", FontBytes(0x4000, 32), 1, "内部字库下载失败：无效的字库文件"},
  };
  const std::size_t mark = LogMark();
  for (const Case& c : cases) {
    form().Combo("ComboDeviceType")->setCurrentIndex(c.model);
    Choose(Write(c.name, c.bytes));
    Click("BtnEepromCmd");
    EXPECT_EQ(Status(), c.status) << c.name;
    EXPECT_TRUE(form().isEnabled()) << c.name;
  }
  Choose(folder_.filePath(QStringLiteral("gone.font")));
  Click("BtnEepromCmd");
  EXPECT_EQ(Status(), "内部字库下载失败：打开字库文件失败");
  EXPECT_TRUE(LogSince(mark).empty());
  EXPECT_EQ(sim().ReceivedFrameCount(), 0u);
}

TEST_F(DownloadFormTest, FontLibraryLandsAt0x4000WithTheProgressBarRunning) {
  Connected(1, {.model = zotpx::DeviceModel::PA, .baud = 460800});
  const Bytes font = FontBytes(0x74000, 0x18);
  Choose(Write("full.font", font));
  // Sample the window whenever the download lets events run.
  struct Sample {
    bool enabled, bar_visible;
    QString bar_text, status;
  };
  std::vector<Sample> samples;
  QTimer sampler;
  QObject::connect(&sampler, &QTimer::timeout, [&] {
    samples.push_back({form().isEnabled(), !Bar()->isHidden(), Bar()->text(), form().StatusText()});
  });
  sampler.start(0);
  const std::size_t mark = LogMark();
  Click("BtnEepromCmd");
  sampler.stop();

  EXPECT_EQ(Status(), "内部字库下载" + kSuccess);
  EXPECT_EQ(MemoryAt(0x4000, font.size()), font);
  EXPECT_EQ(LogSince(mark), (std::vector<std::string>{"【内部字库下载】", "正在擦除存储器...",
                                                      "正在写入存储器...", "写入存储器成功", ""}));
  EXPECT_TRUE(form().isEnabled());
  EXPECT_TRUE(Bar()->isHidden());
  ASSERT_GE(samples.size(), 100u);
  EXPECT_TRUE(
      std::none_of(samples.begin(), samples.end(), [](const Sample& s) { return s.enabled; }));
  EXPECT_TRUE(
      std::all_of(samples.begin(), samples.end(), [](const Sample& s) { return s.bar_visible; }));
  EXPECT_TRUE(samples.back().bar_text.contains(QStringLiteral("KB/s")));
  EXPECT_TRUE(samples.back().bar_text.contains(QStringLiteral("剩余")));
  EXPECT_EQ(samples.back().status, QStringLiteral("正在进行字库下载... 99%"));
}

TEST_F(DownloadFormTest, FailedFontDownloadEnablesTheFormAgain) {
  Connected(1, {.model = zotpx::DeviceModel::PA, .baud = 115200});
  Choose(Write("a.font", FontBytes(0x14000)));
  sim().AddFault({.fault = Fault::Refuse, .nth = 2});
  Click("BtnEepromCmd");
  EXPECT_EQ(Status(), "内部字库下载失败：擦除存储器失败");
  EXPECT_TRUE(form().isEnabled());
  EXPECT_TRUE(Bar()->isHidden());

  sim().ClearFaults();
  sim().AddFault({.fault = Fault::Silence, .nth = 2 + 100});
  Choose(folder_.filePath(QStringLiteral("a.font")));
  Click("BtnEepromCmd");
  EXPECT_EQ(Status(), "内部字库下载失败：写入存储器失败");
  EXPECT_TRUE(form().isEnabled());

  // A port that cannot be opened: the communication failure alone, nothing logged.
  form().SelectPort(QStringLiteral("/dev/zotpx-no-such-port"));
  Choose(folder_.filePath(QStringLiteral("a.font")));
  const std::size_t mark = LogMark();
  Click("BtnEepromCmd");
  EXPECT_EQ(Status().rfind(zotpx::kOpenFailureText, 0), 0u) << Status();
  EXPECT_TRUE(LogSince(mark).empty());
  EXPECT_TRUE(form().isEnabled());
}

// ---- static commands ----

const char kStaticText[] =
    "; start-up: show the overlay, then a text\n"
    "55 AA 10 01 00 11 00\n"
    "0x55,0xAA,0x14,0x08,0x22,0x00,0x05,0x00,0x32,0x41,0x42,0x43,0x3B,0x00\n";

Bytes StaticText() {
  return Bytes(std::begin(kStaticText), std::end(kStaticText) - 1);
}

Bytes ReadAll(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  const QByteArray bytes = file.readAll();
  return Bytes(bytes.begin(), bytes.end());
}

TEST_F(DownloadFormTest, StaticCommandsAreWrittenAskedAndDownloaded) {
  Connected(2, {.model = zotpx::DeviceModel::PB, .baud = 9600});
  const zotpx::StaticImage expected = zotpx::BuildStaticImage(StaticText());
  ASSERT_EQ(expected.records, 2u);  // a file with Linux line ends is read line by line
  Choose(Write("start.txt", StaticText()));
  dialogs().question_answers.push_back(true);
  const std::size_t mark = LogMark();
  Click("BtnStaticCmd");

  EXPECT_EQ(ReadAll(UserCfg()), expected.image);
  ASSERT_EQ(dialogs().Count(Kind::Question), 1u);
  EXPECT_EQ(dialogs().requests.back().title, form().windowTitle());
  EXPECT_EQ(dialogs().requests.back().text, QStringLiteral("已生成静态命令文件，是否立即下载？"));
  EXPECT_EQ(MemoryAt(0, 16384), expected.image);
  EXPECT_EQ(Status(), "生成和下载静态命令" + kSuccess);
  EXPECT_EQ(LogSince(mark), (std::vector<std::string>{
                                "生成静态命令成功", "", "【下载静态命令】", "正在擦除存储器...",
                                "擦除存储器成功", "正在写入存储器...", "下载静态命令成功", ""}));
  EXPECT_TRUE(form().isEnabled());
}

TEST_F(DownloadFormTest, StaticDownloadFailureShowsOnTheStatusLine) {
  Connected(1, {.model = zotpx::DeviceModel::PA, .baud = 115200});
  const QString path = Write("start.txt", StaticText());
  sim().AddFault({.fault = Fault::Refuse, .nth = 1});
  Choose(path);
  dialogs().question_answers.push_back(true);
  Click("BtnStaticCmd");
  EXPECT_EQ(Status(), "生成和下载静态命令失败：擦除存储器失败");

  sim().ClearFaults();
  sim().AddFault({.fault = Fault::Refuse, .nth = 1 + 30});
  Choose(path);
  dialogs().question_answers.push_back(true);
  const std::size_t mark = LogMark();
  Click("BtnStaticCmd");
  EXPECT_EQ(Status(), "生成和下载静态命令失败：写入存储器失败");
  const std::vector<std::string> lines = LogSince(mark);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[lines.size() - 2], "写入存储器失败");
  EXPECT_TRUE(form().isEnabled());
}

TEST_F(DownloadFormTest, CancelledQuestionKeepsUserCfgAndSendsNothing) {
  Connected(1, {.model = zotpx::DeviceModel::PA, .baud = 115200});
  Choose(Write("start.txt", StaticText()));
  Click("BtnStaticCmd");  // the question is answered Cancel
  EXPECT_EQ(ReadAll(UserCfg()).size(), 16384u);
  EXPECT_EQ(sim().ReceivedFrameCount(), 0u);
}

TEST_F(DownloadFormTest, RefusedStaticTextsLeaveUserCfgAsItWas) {
  Connected(1, {.model = zotpx::DeviceModel::PA, .baud = 115200});
  Write("User.cfg", Bytes{'o', 'l', 'd'});
  std::string many;
  for (int k = 0; k < 256; ++k) many += "55 AA 10 01 00 11 00\r\n";
  std::string big;
  for (int k = 0; k < 64; ++k) big += "55AA14FE" + std::string(512, '1') + "\r\n";
  // The crosshair's settings, which a ZOT-PA does not have, on the second line.
  const std::string cross = "55 AA 10 01 00 11 00\r\n55 AA 1E 08 00 01 0A 22 00 00 00 00 53 00\r\n";
  struct Case {
    const char* name;
    Bytes text;
    const char* status;
  };
  const Case cases[] = {
      {"many.txt", Bytes(many.begin(), many.end()), "生成和下载静态命令失败：命令条数超过255条"},
      {"big.txt", Bytes(big.begin(), big.end()), "生成和下载静态命令失败：命令文件太大"},
      {"empty.txt", {}, "生成和下载静态命令失败：无效的命令文件"},
      {"cross.txt", Bytes(cross.begin(), cross.end()),
       "生成和下载静态命令失败：当前型号的产品不支持命令文件第2行的十字线设置命令"},
  };
  for (const Case& c : cases) {
    Choose(Write(c.name, c.text));
    Click("BtnStaticCmd");
    EXPECT_EQ(Status(), c.status) << c.name;
    EXPECT_EQ(ReadAll(UserCfg()), (Bytes{'o', 'l', 'd'})) << c.name;
  }
  Choose(folder_.filePath(QStringLiteral("gone.txt")));
  Click("BtnStaticCmd");
  EXPECT_EQ(Status(), "生成和下载静态命令失败：打开命令文件失败");
  EXPECT_EQ(dialogs().Count(Kind::Question), 0u);
}

TEST_F(DownloadFormTest, UserCfgThatCannotBeWrittenIsReported) {
  Connected(1, {.model = zotpx::DeviceModel::PA, .baud = 115200});
  const QString text = Write("start.txt", StaticText());
  AppDirectory = folder_.filePath(QStringLiteral("no-such-folder/"));
  Choose(text);
  Click("BtnStaticCmd");
  EXPECT_EQ(Status(), "生成和下载静态命令失败：生成静态命令文件失败（文件夹不存在）");
  EXPECT_EQ(dialogs().Count(Kind::Question), 0u);
}

// ---- crosshair ----

TEST_F(DownloadFormTest, CrosshairFileOfTheWrongSizeIsRefused) {
  Connected(2, {.model = zotpx::DeviceModel::PB, .baud = 115200});
  for (std::size_t size : {262143u, 262145u}) {
    Choose(Write("odd.bin", Bytes(size, 0)));
    Click("BtnCrossDownCmd");
    EXPECT_EQ(Status(), "十字线文件下载失败：无效的十字线文件") << size;
  }
  Choose(folder_.filePath(QStringLiteral("gone.bin")));
  Click("BtnCrossDownCmd");
  EXPECT_EQ(Status(), "十字线文件下载失败：打开十字线文件失败");
  EXPECT_EQ(sim().ReceivedFrameCount(), 0u);
}

TEST_F(DownloadFormTest, CrosshairShapesLandAt0x38000) {
  Connected(2, {.model = zotpx::DeviceModel::PB, .baud = 115200});
  const Bytes file = RandomBytes(0x40000, 3);
  Choose(Write("Cross.bin", file));
  Click("BtnCrossDownCmd");
  EXPECT_EQ(Status(), "十字线文件下载" + kSuccess);
  EXPECT_EQ(MemoryAt(0x38000, zotpx::kCrossDownloadSize),
            Bytes(file.begin(), file.begin() + zotpx::kCrossDownloadSize));
  EXPECT_TRUE(form().isEnabled());
  EXPECT_TRUE(Bar()->isHidden());
}

TEST_F(DownloadFormTest, MissingReplyToThe500thWriteEndsTheCrosshairDownload) {
  Connected(2, {.model = zotpx::DeviceModel::PB, .baud = 115200});
  sim().AddFault({.fault = Fault::Silence, .nth = 2 + 500});
  Choose(Write("Cross.bin", RandomBytes(0x40000, 5)));
  Click("BtnCrossDownCmd");
  EXPECT_EQ(Status(), "十字线文件下载失败：写入存储器失败");
  EXPECT_EQ(sim().ReceivedFrameCount(), 502u);
  EXPECT_TRUE(form().isEnabled());
  EXPECT_TRUE(Bar()->isHidden());
}

}  // namespace
