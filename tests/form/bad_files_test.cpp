// Files the operator may pick that are not what they seem: Chinese and blank-containing names,
// directories, paths gone between the dialog and the open, FIFOs, pictures that change after
// they were listed, and targets that cannot be written. Each ends with its own message, the
// window never waits on a file, and no file is left half-written.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

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

#include "support/bmp_writer.h"
#include "support/form_fixture.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// A 1-bit picture with one black pixel at the top left.
void WriteMonoBitmap(const QString& path, int width, int height) {
  ASSERT_TRUE(zotpx::test::WriteFileBytes(
      QFile::encodeName(path).toStdString(),
      zotpx::test::MakeBmp({.width = width, .height = height}, [](int x, int y) { return x == 0 && y == 0; })))
      << path.toStdString();
}

using zotpx::Bytes;

std::uintmax_t FileSize(const QString& path) { return fs::file_size(QFile::encodeName(path).toStdString()); }

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
          for (int i = 0; i < 300 && !done_; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
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
  std::string Local(const QString& name) const { return QFile::encodeName(Path(name)).toStdString(); }
  QStringList Entries() const { return QDir(dir_.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden); }
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

TEST_F(BadFilesTest, ShapeThatCannotBeReadIsRefusedAtOnceWithoutWaiting) {
  ASSERT_EQ(mkdir(Local("folder.bmp").c_str(), 0700), 0);
  ASSERT_EQ(symlink(Local("nowhere.bmp").c_str(), Local("dangling.bmp").c_str()), 0);
  ASSERT_EQ(mkfifo(Local("pipe.bmp").c_str(), 0600), 0);
  WriteMonoBitmap(Path("gone.bmp"), 384, 256);

  const struct {
    const char* what;
    const char* name;
  } cases[] = {
      {"a directory chosen as a file", "folder.bmp"},
      {"a link to nothing", "dangling.bmp"},
      {"a FIFO, which would wait for a writer for ever", "pipe.bmp"},
      {"a file removed between the dialog and the open", "gone.bmp"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    if (std::string(c.name) == "gone.bmp") fs::remove(Local("gone.bmp"));
    FifoWatchdog watchdog(Local("pipe.bmp"));
    const auto took = AddShape(Path(c.name));
    EXPECT_EQ(Status(), kAddCannotOpen);
    EXPECT_LT(took, std::chrono::seconds(1));
    EXPECT_EQ(ShapeList()->rowCount(), 0);
  }
}

TEST_F(BadFilesTest, ShapeWhoseHeaderPassesButWhoseBodyIsCutStaysListedAndTheErrorIsShown) {
  WriteMonoBitmap(Path("cut.bmp"), 384, 256);
  fs::resize_file(Local("cut.bmp"), 100);
  const std::string before = Status();
  AddShape(Path("cut.bmp"));
  EXPECT_EQ(ShapeList()->rowCount(), 1);
  EXPECT_EQ(dialogs().Count(ScriptedDialogs::Kind::Error), 1u);
  EXPECT_EQ(Status(), before);
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
        .write(reinterpret_cast<const char*>(old_file.data()), static_cast<std::streamsize>(old_file.size()));
  }
  const QStringList before = Entries();

  const struct {
    const char* what;
    QString target;
    bool disk_full;
  } cases[] = {
      {"a directory chosen as the file", Path("folder.bin"), false},
      {"a folder that does not exist", Path("no such folder/Cross.bin"), false},
      {"a full disk", Path("Cross.bin"), true},
      {"a full disk over an existing file", Path("old.bin"), true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    dialogs().save_answers.push_back(c.target);
    dialogs().question_answers.push_back(true);  // replace it, where asked
    {
      std::optional<FileSizeLimit> limit;
      if (c.disk_full) limit.emplace(0x40000 / 2);
      Click("BtnCrossDownFile");
    }
    EXPECT_EQ(Status(), kCannotSave);
    // No new file, no temporary left beside the target, the old file as it was.
    EXPECT_EQ(Entries(), before);
    EXPECT_EQ(ReadAll(Path("old.bin")), old_file);
  }
}

}  // namespace
