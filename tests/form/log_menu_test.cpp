// The communication log's context menu: the usual edit actions stay; saving writes the log as
// shown, in UTF-8; the static export holds exactly the start-up commands the device acknowledged,
// in order, and the static download puts them back into the device's memory; the layout export
// is a layout that zotpx apply replays to the same frames, and the designer is handed the same.
#include <QAction>
#include <QFile>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <memory>

#include "cli/zotpx_run.h"
#include "command/codec.h"
#include "support/bmp_writer.h"
#include "support/form_fixture.h"
#include "text/cp936.h"
#include "text/static_file.h"

namespace {

using zotpx::Bytes;
using Kind = ScriptedDialogs::Kind;

Bytes ReadAll(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  const QByteArray bytes = file.readAll();
  return Bytes(bytes.begin(), bytes.end());
}

// The menu the log shows on a right click.
std::unique_ptr<QMenu> LogMenu(TForm1& form) {
  return std::unique_ptr<QMenu>(
      CreateLogMenu(form, form.Ctl<QPlainTextEdit>("MemoProtocol"), QPoint(4, 4)));
}

void Trigger(TForm1& form, const char* action) {
  LogMenu(form)->findChild<QAction*>(QString::fromLatin1(action))->trigger();
}

class LogMenuTest : public FormTest {
 protected:
  LogMenuTest() : saved_directory_(AppDirectory) {
    AppDirectory = MakeAppDirectory(folder_.path());
  }
  ~LogMenuTest() override { AppDirectory = saved_directory_; }
  QString Path(const char* name) const { return folder_.filePath(QString::fromUtf8(name)); }

 private:
  QTemporaryDir folder_;
  QString saved_directory_;
};

TEST_F(LogMenuTest, EditActionsStayAndTheSaveWritesTheLogAsShownInUtf8) {
  QStringList names;
  const std::unique_ptr<QMenu> menu = LogMenu(form());
  for (const QAction* action : menu->actions()) names << action->objectName();
  EXPECT_TRUE(names.contains("edit-copy") && names.contains("select-all"))
      << names.join(QLatin1Char(' ')).toStdString();
  EXPECT_EQ(names.mid(names.size() - 6),
            (QStringList{"MenuSaveLog", "MenuExportStatic", "MenuExportLayout",
                         "MenuOpenInDesigner", "", "MenuLanguage"}));  // "" the separator

  const std::uint8_t frame[] = {0x55, 0xAA, 0x10, 0x01, 0x00, 0x11};
  form().LogBytes("发送：", sizeof frame, frame);
  form().LogLine("");  // the block's end
  QFile old_file(Path("old.txt"));
  ASSERT_TRUE(old_file.open(QIODevice::WriteOnly) && old_file.write("old") == 3);
  old_file.close();
  // Every line ended, as in any text file: the last block's blank line too.
  const QByteArray shown = form().LogLines().join('\n').toUtf8() + '\n';
  ASSERT_TRUE(shown.endsWith("11 \n\n"));
  const struct {
    const char* name;
    bool replace;  // the answer when asked
    const char* status;
    QByteArray file;
  } cases[] = {
      {"记录.txt", false, "保存通信记录成功", shown},
      {"old.txt", false, "", "old"},
      {"old.txt", true, "保存通信记录成功", shown},
      {"no-such-folder/log.txt", false, "保存通信记录失败：无法保存文件（文件夹不存在）", ""},
  };
  for (const auto& c : cases) {
    dialogs().requests.clear();
    dialogs().save_answers = {Path(c.name)};
    dialogs().question_answers = {c.replace};
    form().SetStatus("");
    Trigger(form(), "MenuSaveLog");
    EXPECT_EQ(dialogs().requests.front().file.file_name, QStringLiteral("Log.txt"));
    EXPECT_EQ(Status(), c.status) << c.name;
    EXPECT_EQ(ReadAll(Path(c.name)), Bytes(c.file.begin(), c.file.end())) << c.name;
  }
}

TEST_F(LogMenuTest, ExportHoldsTheAcknowledgedStartUpCommandsAndDownloadsBack) {
  StartDevice({.model = zotpx::DeviceModel::PA, .baud = 9600});
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

  std::vector<Bytes> expected;  // what the device took, but for the identify and the clock
  std::vector<Bytes> records;
  std::vector<std::uint8_t> codes;
  for (const Bytes& frame : sim().ReceivedFrames()) {
    codes.push_back(frame[2]);
    if (frame[2] == 0x00 || frame[2] == 0x11 || frame[2] == 0x1A) continue;
    expected.push_back(frame);
    records.push_back(frame);
    records.back().push_back(zotpx::kStaticTrailingByte);
  }
  ASSERT_EQ(codes, (std::vector<std::uint8_t>{0x00, 0x14, 0x1B, 0x11, 0x1A, 0x10}));

  const QString path = Path("start.txt");
  dialogs().save_answers.push_back(path);
  Trigger(form(), "MenuExportStatic");
  EXPECT_EQ(Status(), "导出为静态命令文件成功");
  EXPECT_EQ(dialogs().requests.back().file.file_name, QStringLiteral("Static.txt"));
  const std::string text = zotpx::FormatStaticText(expected);
  ASSERT_EQ(ReadAll(path), Bytes(text.begin(), text.end()));
  const zotpx::StaticImage image = zotpx::BuildStaticImage(ReadAll(path));
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

// A bitmap's run of frames goes into the export whole or not at all, as `zotpx static` takes a
// layout's: the run cut short by a missing reply leaves none of its blocks behind.
TEST_F(LogMenuTest, ExportTakesABitmapsRunWholeOrNotAtAll) {
  StartDevice({.model = zotpx::DeviceModel::PA, .baud = 115200});
  const QString bitmap = Path("full.bmp");
  ASSERT_TRUE(zotpx::test::WriteFileBytes(
      QFile::encodeName(bitmap).toStdString(),
      zotpx::test::MakeBmp({.width = 192, .height = 128}, [](int x, int) { return x < 8; })));
  dialogs().open_answers.push_back(bitmap);
  form().LabelSingleBitmapSelectClick();
  const auto exported = [this] {
    const QString path = Path("start.txt");
    dialogs().save_answers.push_back(path);
    dialogs().question_answers.push_back(true);
    Trigger(form(), "MenuExportStatic");
    std::vector<Bytes> frames;
    for (Bytes record : zotpx::StaticImageRecords(zotpx::BuildStaticImage(ReadAll(path)).image)) {
      record.pop_back();  // the trailing byte
      frames.push_back(record);
    }
    return frames;
  };

  sim().AddFault({.fault = zotpx::sim::Fault::Silence, .nth = 3});
  Click("BtnSingleBitmapCmd");
  ASSERT_EQ(Status(), "单色位图命令失败：接收响应失败");
  sim().ClearFaults();
  sim().ClearReceived();
  Click("BtnRectCmd");
  EXPECT_EQ(exported(), sim().ReceivedFrames()) << "only the rectangle";

  Click("BtnSingleBitmapCmd");
  ASSERT_EQ(Status(), "单色位图命令成功：请查看通信数据记录以获得更多信息");
  const std::vector<Bytes> all = sim().ReceivedFrames();
  ASSERT_GT(all.size(), 3u);
  EXPECT_EQ(exported(), all) << "the rectangle and the whole run";
}

TEST_F(LogMenuTest, ExportRefusesBeforeAnyDialog) {
  const struct {
    std::vector<Bytes> acknowledged;
    std::string status;
  } cases[] = {
      {{zotpx::MakeFrame(0x00, {0xFF}), zotpx::MakeFrame(0x11, {26, 12, 7, 20, 45, 0})},
       "导出为静态命令文件失败：本次没有经设备确认的叠加命令"},
      {std::vector<Bytes>(65, zotpx::MakeFrame(0x1D, Bytes(247, 0))),  // bitmap data frames
       std::string("导出为静态命令文件") + zotpx::kStaticTooBigText},
  };
  for (const auto& c : cases) {
    TForm1 window;
    auto owned = std::make_unique<ScriptedDialogs>();
    ScriptedDialogs& asked = *owned;
    window.SetDialogs(std::move(owned));
    window.CommandAcknowledged(c.acknowledged);
    Trigger(window, "MenuExportStatic");
    EXPECT_EQ(window.StatusText().toStdString(), c.status);
    EXPECT_TRUE(asked.requests.empty());
  }
}

// A session clicked together in the window, exported as a layout: zotpx apply sends the device
// the same overlay frames, but for the font test's rows whose bytes no layout text can hold.
TEST_F(LogMenuTest, LayoutExportReplaysTheSessionsFrames) {
  Trigger(form(), "MenuExportLayout");
  EXPECT_EQ(Status(), "导出为布局文件失败：本次没有经设备确认的叠加命令");
  EXPECT_TRUE(dialogs().requests.empty());

  StartDevice({.model = zotpx::DeviceModel::PA, .baud = 115200});
  const auto bitmap = [this](const char* name, int width, int height) {
    const QString path = Path(name);
    zotpx::test::WriteFileBytes(
        QFile::encodeName(path).toStdString(),
        zotpx::test::MakeBmp({.width = width, .height = height},
                             [](int x, int y) { return (x / 8 + y / 4) % 3 == 0; }));
    dialogs().open_answers.push_back(path);
  };
  bitmap("ring.bmp", 32, 32);
  form().LabelBitmapSelectClick();
  bitmap("badge.bmp", 64, 48);
  form().LabelSuperBitmapSelectClick();
  bitmap("wide.bmp", 192, 128);
  form().LabelSingleBitmapSelectClick();
  const std::vector<std::pair<std::vector<std::pair<std::string, std::string>>, const char*>>
      session = {
          {{{"EditString", "导出ABC"}, {"EditStringLeft", "10"}}, "BtnStringCmd"},
          {{{"EditRectLeft", "$0A"}, {"ComboRectMode", "1"}, {"ComboRectShow", "1"}}, "BtnRectCmd"},
          {{}, "BtnSetTimeCmd"},  // the clock: live only
          {{}, "BtnLineCmd"},     // answered with another code: not acknowledged
          {{{"ComboAreaShow", "0"}, {"ComboAreaLayer", "1"}}, "BtnAreaCmd"},
          {{{"EditBitmapLeft", "200"}}, "BtnBitmapCmd"},
          {{{"EditSuperBitmapLeft", "20"}, {"EditSuperBitmapTop", "150"}}, "BtnSuperBitmapCmd"},
          {{{"CheckSingleBitmapData", "1"}}, "BtnSingleBitmapCmd"},
          {{{"EditDateFormat", "yy-mm-dd"}, {"ComboDateShow", "1"}}, "BtnDateCmd"},
          {{{"CheckEnable", "0"}, {"ComboKey3", "1"}}, "BtnConfigCmd"},
          {{{"EditCircleLeft", "100"}, {"ComboCircleRadius", "10"}}, "BtnCircleCmd"},
          {{}, "BtnTestCmd"},  // the area and eight rows, the last with 0xFF cells
      };
  sim().AddFault({.fault = zotpx::sim::Fault::WrongEcho, .command = 0x1A});
  for (const auto& [controls, button] : session) {
    for (const auto& [control, value] : controls) SetControl(control, value);
    Click(button);
  }
  std::vector<Bytes> overlay;  // what the device took but the clock, the line and the odd rows
  const auto odd_text = [](const Bytes& frame) {
    const Bytes text(frame.begin() + 9, frame.end() - 1);
    return zotpx::Utf8ToCp936(zotpx::Cp936ToUtf8Lossy(text)).bytes != text;
  };
  for (const Bytes& frame : sim().ReceivedFrames())
    if (frame[2] != 0x11 && frame[2] != 0x1A && !(frame[2] == 0x14 && odd_text(frame)))
      overlay.push_back(frame);
  ASSERT_EQ(overlay.size(), 9u + 2 + 1 + 7) << "9 commands, 2 data frames, the area, 7 rows";

  const QString layout = Path("session.toml");
  dialogs().save_answers.push_back(layout);
  Trigger(form(), "MenuExportLayout");
  EXPECT_EQ(
      Status(),
      "导出为布局文件成功：写入 17 个叠加对象，3 个位图文件；另有 1 条命令无法写入布局，已略去");
  const ScriptedDialogs::Request& asked = dialogs().requests.back();
  EXPECT_EQ(asked.title, QStringLiteral("导出为布局文件"));
  EXPECT_EQ(asked.file.file_name, QStringLiteral("Layout.toml"));
  EXPECT_EQ(asked.file.filter, QStringLiteral("布局文件 (*.toml)|*.toml"));
  for (const char* name : {"session-4.bmp", "session-5.bmp", "session-6.bmp"})
    EXPECT_TRUE(QFile::exists(Path(name))) << name;

  zotpx::test::SimDevice replay =
      zotpx::test::StartSim({.model = zotpx::DeviceModel::PA, .baud = 115200});
  const auto applied = zotpx::test::RunZotpx(
      {"-p", replay.link.port, "-b", "115200", "apply", QFile::encodeName(layout).toStdString()});
  ASSERT_EQ(applied.status, 0) << applied.err;
  EXPECT_EQ(replay->ReceivedFrames(), overlay);

  // Opened in the designer instead: the very same layout, nothing written.
  std::optional<zotpx::Layout> opened;
  form().SetLayoutOpener([&opened](zotpx::Layout given) { opened = std::move(given); });
  Trigger(form(), "MenuOpenInDesigner");
  ASSERT_TRUE(opened);
  EXPECT_EQ(Status(), "在布局设计器中打开成功：17 个叠加对象");
  std::vector<Bytes> frames;
  for (const zotpx::LayoutObject& object : opened->objects)
    for (Bytes& frame : zotpx::BuildFrames(object.values)) frames.push_back(std::move(frame));
  EXPECT_EQ(frames, overlay);
  EXPECT_EQ(opened->bitmaps.size(), 3u);
}

}  // namespace
