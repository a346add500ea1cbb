// The communication log's context menu: the usual edit actions stay; saving the log writes it
// as shown, in UTF-8; the export holds exactly the start-up commands the device acknowledged,
// in order, and the static download puts them back into the device's memory.
#include <QAction>
#include <QFile>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <memory>

#include "support/form_fixture.h"
#include "text/static_file.h"

namespace {

using zotpx::Bytes;
using Kind = ScriptedDialogs::Kind;

const char kExportTitle[] = "导出为静态命令文件";
const char kSaveTitle[] = "保存通信记录";

Bytes ReadAll(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  const QByteArray bytes = file.readAll();
  return Bytes(bytes.begin(), bytes.end());
}

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

// Runs `action` of the menu the log shows on a right click.
void Trigger(TForm1& form, const char* action) {
  std::unique_ptr<QMenu> menu(
      CreateLogMenu(form, form.Ctl<QPlainTextEdit>("MemoProtocol"), QPoint(4, 4)));
  auto* chosen = menu->findChild<QAction*>(QString::fromLatin1(action));
  ASSERT_NE(chosen, nullptr) << action;
  chosen->trigger();
}

class LogMenuTest : public FormTest {
 protected:
  LogMenuTest() : saved_directory_(AppDirectory) {
    AppDirectory = MakeAppDirectory(folder_.path());
  }
  ~LogMenuTest() override { AppDirectory = saved_directory_; }
  QString Path(const char* name) const { return folder_.filePath(QString::fromUtf8(name)); }

  QTemporaryDir folder_;

 private:
  QString saved_directory_;
};

TEST_F(LogMenuTest, MenuKeepsTheEditActionsAndAddsSaveAndExport) {
  std::unique_ptr<QMenu> menu(
      CreateLogMenu(form(), form().Ctl<QPlainTextEdit>("MemoProtocol"), QPoint(4, 4)));
  QStringList names;
  for (const QAction* action : menu->actions())
    if (!action->isSeparator()) names << action->objectName();
  for (const char* edit : {"edit-copy", "edit-paste", "select-all"})
    EXPECT_TRUE(names.contains(QString::fromLatin1(edit))) << edit;
  ASSERT_GE(names.size(), 2);
  EXPECT_EQ(names.mid(names.size() - 2), (QStringList{"MenuSaveLog", "MenuExportStatic"}));
  EXPECT_EQ(menu->findChild<QAction*>("MenuSaveLog")->text(), QStringLiteral("保存通信记录…"));
  EXPECT_EQ(menu->findChild<QAction*>("MenuExportStatic")->text(),
            QStringLiteral("导出为静态命令文件…"));
}

TEST_F(LogMenuTest, SaveWritesTheLogAsShownInUtf8) {
  const std::uint8_t frame[] = {0x55, 0xAA, 0x10, 0x01, 0x00, 0x11};
  form().LogBytes("发送：", sizeof frame, frame);
  form().LogLine("");
  const QByteArray old_text = "an older file";
  struct Case {
    const char* what;
    std::optional<QString> answer;  // the save dialog's
    bool exists;                    // a file is there already
    bool replace;                   // the answer to the question that asks
    const char* status;             // after the title; nullptr: unchanged
    bool saved;
  };
  const Case cases[] = {
      {"new file", Path("记录.txt"), false, false, "成功", true},
      {"replace answered Cancel", Path("old.txt"), true, false, nullptr, false},
      {"replace answered OK", Path("old.txt"), true, true, "成功", true},
      {"dialog cancelled", std::nullopt, false, false, nullptr, false},
      {"folder missing", Path("no-such-folder/log.txt"), false, false, "失败：无法保存文件", false},
  };
  for (const Case& c : cases) {
    if (c.exists) WriteFile(*c.answer, old_text);
    dialogs().requests.clear();
    dialogs().save_answers = {c.answer};
    dialogs().question_answers = {c.replace};
    form().SetStatus("before");
    Trigger(form(), "MenuSaveLog");

    ASSERT_EQ(dialogs().Count(Kind::Save), 1u) << c.what;
    const Dialogs::FileRequest& asked = dialogs().requests.front().file;
    EXPECT_EQ(asked.title, QString::fromUtf8(kSaveTitle));
    EXPECT_EQ(asked.directory, AppDirectory);
    EXPECT_EQ(asked.file_name, QStringLiteral("Log.txt"));
    EXPECT_EQ(QtFilterAt(asked.filter, asked.filter_index), QStringLiteral("Text Files(*.txt)"));
    EXPECT_EQ(dialogs().Count(Kind::Question), c.exists ? 1u : 0u) << c.what;
    EXPECT_EQ(Status(), c.status ? std::string(kSaveTitle) + c.status : "before") << c.what;
    if (!c.answer) continue;
    const QByteArray expected =
        c.saved ? form().LogLines().join('\n').toUtf8() : (c.exists ? old_text : QByteArray());
    EXPECT_EQ(ReadAll(*c.answer), Bytes(expected.begin(), expected.end())) << c.what;
  }
}

TEST_F(LogMenuTest, ExportHoldsTheAcknowledgedStartUpCommandsAndDownloadsBack) {
  StartDevice({.model = "ZOT-PA", .baud = 9600});
  Click("BtnSearchCmd");  // identification, not a start-up command
  ASSERT_EQ(form().Combo("ComboDeviceType")->currentText(), QStringLiteral("ZOT-PA"));
  form().SetText("EditString", QStringLiteral("导出ABC"));
  Click("BtnStringCmd");
  Click("BtnRectCmd");
  Click("BtnSetTimeCmd");  // the clock: live only
  sim().AddFault({.fault = zotpx::sim::Fault::WrongEcho, .command = 0x1A});
  Click("BtnLineCmd");  // not acknowledged
  ASSERT_EQ(Status(), "直线控制命令失败：接收响应失败");
  sim().ClearFaults();
  Click("BtnConfigCmd");

  // What the device received and acknowledged, in order, but for the identify and the clock.
  std::vector<Bytes> expected;
  std::vector<std::uint8_t> codes;
  for (const Bytes& frame : sim().ReceivedFrames()) {
    codes.push_back(frame[2]);
    if (frame[2] != 0x00 && frame[2] != 0x11 && frame[2] != 0x1A) expected.push_back(frame);
  }
  ASSERT_EQ(codes, (std::vector<std::uint8_t>{0x00, 0x14, 0x1B, 0x11, 0x1A, 0x10}));

  const QString path = Path("start.txt");
  dialogs().save_answers.push_back(path);
  Trigger(form(), "MenuExportStatic");
  EXPECT_EQ(Status(), std::string(kExportTitle) + "成功");
  ASSERT_EQ(dialogs().Count(Kind::Save), 1u);
  EXPECT_EQ(dialogs().requests.back().file.file_name, QStringLiteral("Static.txt"));
  const Bytes text = ReadAll(path);
  const std::string formatted = zotpx::FormatStaticText(expected);
  EXPECT_EQ(text, Bytes(formatted.begin(), formatted.end()));

  std::vector<Bytes> records;
  for (Bytes frame : expected) {
    frame.push_back(zotpx::kStaticTrailingByte);
    records.push_back(frame);
  }
  const zotpx::StaticImage image = zotpx::BuildStaticImage(text);
  EXPECT_EQ(zotpx::StaticImageRecords(image.image), records);

  // Back through "生成和下载静态命令": the device's static area holds those records.
  dialogs().open_answers.push_back(path);
  dialogs().question_answers.push_back(true);
  Click("BtnStaticCmd");
  EXPECT_EQ(Status(), "生成和下载静态命令成功：请查看通信数据记录以获得更多信息");
  const Bytes memory = sim().Memory();
  const Bytes area(memory.begin(), memory.begin() + 0x4000);
  EXPECT_EQ(area, image.image);
  EXPECT_EQ(zotpx::StaticImageRecords(area), records);
}

TEST_F(LogMenuTest, ExportRefusesWhatTheStaticDownloadCouldNotTake) {
  const Bytes clock = zotpx::MakeFrame(0x11, {26, 12, 7, 20, 45, 0});
  const Bytes identify = zotpx::MakeFrame(0x00, {0xFF});
  const Bytes erase = zotpx::MakeFrame(0x02, {0x40, 0x00, 0x00, 0x00, 0x00});
  struct Case {
    const char* what;
    std::vector<Bytes> acknowledged;
    const char* status;  // after the title
  };
  const Case cases[] = {
      {"nothing sent", {}, "失败：本次没有经设备确认的叠加命令"},
      {"only commands that never start up",
       {identify, clock, erase},
       "失败：本次没有经设备确认的叠加命令"},
      {"more than the static area holds",  // bitmap data frames, 252 bytes each
       std::vector<Bytes>(65, zotpx::MakeFrame(0x1D, Bytes(247, 0))), zotpx::kStaticTooBigText},
      {"more records than the count holds", std::vector<Bytes>(256, zotpx::MakeFrame(0x10, {0x00})),
       zotpx::kStaticTooManyText},
  };
  for (const Case& c : cases) {
    TForm1 window;
    auto owned = std::make_unique<ScriptedDialogs>();
    ScriptedDialogs& asked = *owned;
    window.SetDialogs(std::move(owned));
    for (const Bytes& frame : c.acknowledged) window.FrameAcknowledged(frame);
    Trigger(window, "MenuExportStatic");
    EXPECT_EQ(window.StatusText().toStdString(), std::string(kExportTitle) + c.status) << c.what;
    EXPECT_TRUE(asked.requests.empty()) << c.what;
  }
}

}  // namespace
