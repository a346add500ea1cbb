// Files the operator may pick that are not what they seem, for every command that reads or
// writes one: Chinese and blank-containing names, directories, paths gone between the dialog and
// the open, FIFOs, pictures cut short or changed after they were listed, a font library that
// shrinks while it is sent, and "User.cfg" or the crosshair file where they cannot be written.
// Each ends with its own message, the window never waits on a file, and no file is left
// half-written.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QTableWidget>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>

#include "serial/port.h"
#include "support/bmp_writer.h"
#include "support/form_fixture.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// A 1-bit picture with one black pixel at the top left.
void WriteMonoBitmap(const QString& path, int width, int height) {
  ASSERT_TRUE(zotpx::test::WriteFileBytes(
      QFile::encodeName(path).toStdString(),
      zotpx::test::MakeBmp({.width = width, .height = height},
                           [](int x, int y) { return x == 0 && y == 0; })))
      << path.toStdString();
}

using zotpx::Bytes;

std::uintmax_t FileSize(const QString& path) {
  return fs::file_size(QFile::encodeName(path).toStdString());
}

Bytes ReadAll(const QString& path) {
  std::ifstream in(QFile::encodeName(path).toStdString(), std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

// Opens the FIFO for writing after a while, so that a reader stuck in its open comes free and
// the test can fail instead of hanging.
class FifoWatchdog {
 public:
  explicit FifoWatchdog(std::string path)
      : thread_([path = std::move(path), this] {
          for (int i = 0; i < 300 && !done_; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
          if (done_) return;
          const int fd = open(path.c_str(), O_WRONLY | O_NONBLOCK);
          if (fd >= 0) close(fd);
        }) {}
  ~FifoWatchdog() {
    done_ = true;
    thread_.join();
  }

 private:
  std::atomic<bool> done_{false};
  std::thread thread_;
};

// Files larger than `bytes` cannot be written while this lives: a full disk, reproducibly.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    old_handler_ = signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    signal(SIGXFSZ, old_handler_);
  }

 private:
  rlimit saved_{};
  sighandler_t old_handler_;
};

class BadFilesTest : public FormTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    saved_app_directory_ = AppDirectory;
    AppDirectory = dir_.path() + "/";
  }
  void TearDown() override { AppDirectory = saved_app_directory_; }

  QString Path(const QString& name) const { return dir_.path() + "/" + name; }
  std::string Local(const QString& name) const {
    return QFile::encodeName(Path(name)).toStdString();
  }
  QStringList Entries() const {
    return QDir(dir_.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
  }
  QTableWidget* ShapeList() { return form().Ctl<QTableWidget>("ListCrossDown"); }

  // Adds the file through the add button's dialog; returns how long the click took.
  Clock::duration AddShape(const QString& path) {
    dialogs().open_answers.push_back(path);
    const auto start = Clock::now();
    Click("BtnCrossDownAdd");
    return Clock::now() - start;
  }

  QTemporaryDir dir_;
  QString saved_app_directory_;
};

const std::string kAddOk = "添加位图文件成功：请查看图像显示区域";
const std::string kAddCannotOpen = "添加位图文件失败：无法访问位图文件";
const std::string kGenerateOk = "生成十字线文件成功";
const std::string kCannotSave = "生成十字线文件失败：无法保存文件";

TEST_F(BadFilesTest, ShapeWithChineseAndBlanksInItsNameIsAddedAndSaved) {
  const QString shape = Path(QStringLiteral("十字线 图形 1.bmp"));
  WriteMonoBitmap(shape, 384, 256);
  AddShape(shape);
  EXPECT_EQ(Status(), kAddOk);
  ASSERT_EQ(ShapeList()->rowCount(), 1);
  EXPECT_EQ(ShapeList()->item(0, 1)->text(), shape);

  const QString target = Path(QStringLiteral("我的 十字线.bin"));
  dialogs().save_answers.push_back(target);
  Click("BtnCrossDownFile");
  EXPECT_EQ(Status(), kGenerateOk);
  EXPECT_EQ(FileSize(target), 0x40000u);
  EXPECT_EQ(ReadAll(target)[0], 0x01);  // the black pixel at the top left
}

// Every command that opens a file the operator chose, with the message it gives when it cannot.
struct FileCommand {
  const char* what;
  void (TForm1::*handler)();
  int model;  // ComboDeviceType, as connecting left it
  int rate;   // UartBaud
  std::string cannot_open;
};

const FileCommand kFileCommands[] = {
    {"crosshair shape", &TForm1::BtnCrossDownAddClick, 2, 4, kAddCannotOpen},
    {"flashing bitmap", &TForm1::LabelBitmapSelectClick, 1, 4,
     "选择位图文件失败：无法访问位图文件"},
    {"single-colour bitmap", &TForm1::LabelSingleBitmapSelectClick, 1, 4,
     "选择单色位图文件失败：无法访问位图文件"},
    {"static command text", &TForm1::BtnStaticCmdClick, 1, 4,
     "生成和下载静态命令失败：打开命令文件失败"},
    {"font library", &TForm1::BtnEepromCmdClick, 1, 4, "内部字库下载失败：打开字库文件失败"},
    {"crosshair file", &TForm1::BtnCrossDownCmdClick, 2, 4,
     "十字线文件下载失败：打开十字线文件失败"},
};

TEST_F(BadFilesTest, ChoiceThatCannotBeReadIsRefusedAtOnceWithoutWaiting) {
  ASSERT_EQ(mkdir(Local("folder").c_str(), 0700), 0);
  ASSERT_EQ(symlink(Local("nowhere").c_str(), Local("dangling").c_str()), 0);
  ASSERT_EQ(mkfifo(Local("pipe").c_str(), 0600), 0);
  const struct {
    const char* what;
    const char* name;
  } choices[] = {
      {"a directory chosen as a file", "folder"},
      {"a link to nothing", "dangling"},
      {"a FIFO, which would wait for a writer for ever", "pipe"},
      {"a file removed between the dialog and the open", "gone"},
  };
  for (const FileCommand& command : kFileCommands) {
    form().Combo("ComboDeviceType")->setCurrentIndex(command.model);
    form().Combo("UartBaud")->setCurrentIndex(command.rate);
    for (const auto& choice : choices) {
      SCOPED_TRACE(std::string(command.what) + ": " + choice.what);
      FifoWatchdog watchdog(Local("pipe"));
      dialogs().open_answers.push_back(Path(choice.name));
      const std::size_t mark = LogMark();
      const auto start = Clock::now();
      (form().*command.handler)();
      EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
      EXPECT_EQ(Status(), command.cannot_open);
      EXPECT_EQ(LogSince(mark), std::vector<std::string>{});
      EXPECT_EQ(dialogs().Count(ScriptedDialogs::Kind::Question), 0u);
    }
  }
  EXPECT_EQ(ShapeList()->rowCount(), 0);
  EXPECT_FALSE(QFile::exists(Path("User.cfg")));
}

TEST_F(BadFilesTest, PictureWhoseHeaderPassesButWhoseBodyIsCutIsNeverTakenAsLoaded) {
  // The decoder alone would fill the missing rows with whatever memory held, and succeed.
  WriteMonoBitmap(Path("cut.bmp"), 384, 256);
  fs::resize_file(Local("cut.bmp"), 100);
  WriteMonoBitmap(Path("cut small.bmp"), 48, 40);
  fs::resize_file(Local("cut small.bmp"), 70);
  const std::string before = Status();

  // A crosshair shape stays listed and the error display says why.
  AddShape(Path("cut.bmp"));
  EXPECT_EQ(ShapeList()->rowCount(), 1);
  EXPECT_EQ(dialogs().Count(ScriptedDialogs::Kind::Error), 1u);
  EXPECT_EQ(Status(), before);

  // A bitmap slot is left unloaded: its command refuses to send.
  dialogs().open_answers.push_back(Path("cut small.bmp"));
  form().Guard([this] { form().LabelBitmapSelectClick(); });
  EXPECT_EQ(dialogs().Count(ScriptedDialogs::Kind::Error), 2u);
  Click("BtnBitmapCmd");
  EXPECT_EQ(Status(), "位图字符命令失败：请先选择一个位图文件");
}

TEST_F(BadFilesTest, ListedShapeThatChangedOrVanishedWritesNoFile) {
  WriteMonoBitmap(Path("a.bmp"), 384, 256);
  AddShape(Path("a.bmp"));
  ASSERT_EQ(Status(), kAddOk);

  // Replaced by a smaller picture after it was listed.
  WriteMonoBitmap(Path("a.bmp"), 16, 16);
  dialogs().save_answers.push_back(Path("Cross.bin"));
  Click("BtnCrossDownFile");
  EXPECT_EQ(Status(), "生成十字线文件失败：发现不合法的位图文件");
  EXPECT_EQ(dialogs().Count(ScriptedDialogs::Kind::Save), 0u);

  // Gone altogether: the decoder's error is shown, and still nothing is written.
  fs::remove(Local("a.bmp"));
  dialogs().save_answers.push_back(Path("Cross.bin"));
  Click("BtnCrossDownFile");
  EXPECT_EQ(dialogs().Count(ScriptedDialogs::Kind::Error), 1u);
  EXPECT_EQ(dialogs().Count(ScriptedDialogs::Kind::Save), 0u);
  EXPECT_EQ(Entries(), QStringList{});
}

TEST_F(BadFilesTest, CrossFileThatCannotBeWrittenLeavesNothingHalfWritten) {
  WriteMonoBitmap(Path("shape.bmp"), 384, 256);
  AddShape(Path("shape.bmp"));
  ASSERT_EQ(Status(), kAddOk);
  ASSERT_EQ(mkdir(Local("folder.bin").c_str(), 0700), 0);
  const Bytes old_file(0x40000, 0x5A);
  {
    std::ofstream(Local("old.bin"), std::ios::binary)
        .write(reinterpret_cast<const char*>(old_file.data()),
               static_cast<std::streamsize>(old_file.size()));
  }
  const QStringList before = Entries();

  const struct {
    const char* what;
    QString target;
    bool disk_full;
    const char* why;  // after the status, in brackets
  } cases[] = {
      {"a directory chosen as the file", Path("folder.bin"), false, "不是普通文件"},
      {"a folder that does not exist", Path("no such folder/Cross.bin"), false, "文件夹不存在"},
      {"a full disk", Path("Cross.bin"), true, "磁盘空间不足"},
      {"a full disk over an existing file", Path("old.bin"), true, "磁盘空间不足"},
      {"the listed shape chosen as the file", Path("shape.bmp"), false, "与读取的文件是同一个文件"},
  };
  const Bytes shape = ReadAll(Path("shape.bmp"));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    dialogs().save_answers.push_back(c.target);
    dialogs().question_answers.push_back(true);  // replace it, where asked
    {
      std::optional<FileSizeLimit> limit;
      if (c.disk_full) limit.emplace(0x40000 / 2);
      Click("BtnCrossDownFile");
    }
    EXPECT_EQ(Status(), kCannotSave + "（" + c.why + "）");
    // No new file, no temporary left beside the target, the old files as they were.
    EXPECT_EQ(Entries(), before);
    EXPECT_EQ(ReadAll(Path("old.bin")), old_file);
    EXPECT_EQ(ReadAll(Path("shape.bmp")), shape);
  }
}

const std::string kStaticCannotSave = "生成和下载静态命令失败：生成静态命令文件失败";

Bytes Text(const std::string& text) {
  return Bytes(text.begin(), text.end());
}

void WriteBytes(const std::string& path, const Bytes& bytes) {
  ASSERT_TRUE(zotpx::test::WriteFileBytes(path, bytes)) << path;
}

TEST_F(BadFilesTest, StaticTextWithChineseNameMakesUserCfgInAChineseFolder) {
  const QString folder = Path(QStringLiteral("工作 目录"));
  ASSERT_TRUE(QDir().mkpath(folder));
  AppDirectory = folder + "/";
  const QString text = Path(QStringLiteral("静态 命令.txt"));
  WriteBytes(QFile::encodeName(text).toStdString(), Text("55 AA 10 03 01 00 69 7D 00\r\n"));
  form().Combo("ComboDeviceType")->setCurrentIndex(1);
  dialogs().open_answers.push_back(text);
  Click("BtnStaticCmd");  // the question is answered Cancel: nothing is sent
  EXPECT_EQ(LogSince(LogMark() - 2), (std::vector<std::string>{"生成静态命令成功", ""}));
  const Bytes image = ReadAll(folder + QStringLiteral("/User.cfg"));
  ASSERT_EQ(image.size(), 16384u);
  EXPECT_EQ(Bytes(image.begin(), image.begin() + 5), (Bytes{'C', 'F', 'G', ' ', 1}));
}

TEST_F(BadFilesTest, UserCfgThatCannotBeWrittenLeavesNothingHalfWritten) {
  form().Combo("ComboDeviceType")->setCurrentIndex(1);
  WriteBytes(Local("static.txt"), Text("55 AA 10 03 01 00 69 7D 00\r\n"));
  const QString as_folder = Path("cfg is a folder");
  ASSERT_TRUE(QDir().mkpath(as_folder + "/User.cfg"));
  const QString full_disk = Path("full disk");
  ASSERT_TRUE(QDir().mkpath(full_disk));
  const Bytes old_image(16384, 0x77);
  WriteBytes(QFile::encodeName(full_disk + "/User.cfg").toStdString(), old_image);

  const struct {
    const char* what;
    QString folder;
    bool disk_full;
    const char* why;
  } cases[] = {
      {"User.cfg is a directory", as_folder, false, "不是普通文件"},
      {"the working directory is gone", Path("gone"), false, "文件夹不存在"},
      {"the disk fills up half-way, over the last User.cfg", full_disk, true, "磁盘空间不足"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    AppDirectory = c.folder + "/";
    const QStringList before =
        QDir(c.folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    dialogs().open_answers.push_back(Path("static.txt"));
    const std::size_t mark = LogMark();
    {
      std::optional<FileSizeLimit> limit;
      if (c.disk_full) limit.emplace(8192);
      Click("BtnStaticCmd");
    }
    EXPECT_EQ(Status(), kStaticCannotSave + "（" + c.why + "）");
    EXPECT_EQ(LogSince(mark), std::vector<std::string>{});
    EXPECT_EQ(dialogs().Count(ScriptedDialogs::Kind::Question), 0u);
    EXPECT_EQ(QDir(c.folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              before);
  }
  EXPECT_EQ(ReadAll(full_disk + "/User.cfg"), old_image);
}

TEST_F(BadFilesTest, FontLibraryThatShrinksWhileItIsSentEndsWithTheWriteFailure) {
  StartDevice({.model = zotpx::DeviceModel::PA, .baud = 115200});
  form().Combo("ComboDeviceType")->setCurrentIndex(1);
  const QString font = Path(QStringLiteral("字库 16点阵.font"));
  Bytes bytes(16 + 2400, 0x3C);  // one erase, eleven writes
  bytes[11] = bytes[15] = 0x10;
  WriteBytes(QFile::encodeName(font).toStdString(), bytes);

  // Unchanged, a Chinese name with a blank in it goes through.
  dialogs().open_answers.push_back(font);
  Click("BtnEepromCmd");
  ASSERT_EQ(Status(), "内部字库下载成功：请查看通信数据记录以获得更多信息");

  // The second write's acknowledgement is held back while the file is cut to 300 bytes: the
  // third block cannot be read, and nothing made up goes to the device in its place.
  sim()->ClearReceived();
  sim()->ClearFaults();
  sim()->AddFault({.fault = zotpx::sim::Fault::Late, .nth = 3, .delay_ms = 400});
  std::thread cutter([&] {
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    while (sim()->ReceivedFrameCount() < 3 && Clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    fs::resize_file(QFile::encodeName(font).toStdString(), 300);
  });
  dialogs().open_answers.push_back(font);
  const std::size_t mark = LogMark();
  Click("BtnEepromCmd");
  cutter.join();
  EXPECT_EQ(Status(), "内部字库下载失败：写入存储器失败");
  EXPECT_EQ(LogSince(mark), (std::vector<std::string>{"【内部字库下载】", "正在擦除存储器...",
                                                      "正在写入存储器...", "写入存储器失败", ""}));
  EXPECT_EQ(sim()->ReceivedFrameCount(), 3u);
  EXPECT_TRUE(form().isEnabled());
  EXPECT_EQ(zotpx::PortHandle, zotpx::kInvalidHandle);
}

}  // namespace
