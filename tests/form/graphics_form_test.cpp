// The basic shapes and the three bitmap tabs from the window: shape frames against the simulated
// device, loading real bitmap files into the slots (checks, decoding, packing, preview), and
// the bitmap commands' frames, block runs and failures.
#include <QCheckBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <algorithm>
#include <sstream>

#include "app/bitmap_image.h"
#include "command/codec.h"
#include "serial/frame.h"
#include "support/bmp_writer.h"
#include "support/form_fixture.h"
#include "support/hex.h"

namespace {

using zotpx::Bytes;
using zotpx::test::BmpLayout;
using zotpx::test::MakeBmp;

const std::string kSuccess = "成功：请查看通信数据记录以获得更多信息";

using zotpx::test::Hex;

std::string LogHex(const Bytes& bytes) {
  return zotpx::FormatLogLine("", bytes.size(), bytes.data());
}

bool Black(int, int) {
  return true;
}

// The 16 x 8 example: black at x 0 and x 9 of the top row.
bool Example(int x, int y) {
  return y == 0 && (x == 0 || x == 9);
}

class GraphicsFormTest : public FormTest {
 protected:
  QString File(const std::string& name, const Bytes& bytes) {
    const QString path = dir_.filePath(QString::fromStdString(name));
    EXPECT_TRUE(zotpx::test::WriteFileBytes(path.toStdString(), bytes));
    return path;
  }
  QString Bmp(const std::string& name, const BmpLayout& layout,
              const zotpx::test::DarkPixel& dark = nullptr) {
    return File(name, MakeBmp(layout, dark));
  }

  // A click on a select label, as the mouse gives it, with the dialog answering `path`.
  void Choose(const char* label, const std::optional<QString>& path) {
    dialogs().open_answers.push_back(path);
    QLabel* target = form().Ctl<QLabel>(label);
    const QPointF at(target->width() / 2.0, target->height() / 2.0);
    const QPointF global = target->mapToGlobal(at);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(target, &press);
    QCoreApplication::sendEvent(target, &release);
  }

  bool Loaded(const char* image, const char* path_edit) {
    const bool shown = !form().Ctl<QLabel>(image)->isHidden();
    EXPECT_EQ(shown, !form().Edit(path_edit)->text().isEmpty());
    return shown;
  }

 private:
  QTemporaryDir dir_;
};

TEST_F(GraphicsFormTest, ShapeGroupsStandTopToBottomWithTheirCaptions) {
  const char* names[] = {"GroupLine", "GroupRect", "GroupCircle"};
  const char* captions[] = {" 直线 ", " 矩形 ", " 圆形 "};
  QLayout* page = form().Ctl<QWidget>("TabGraphicBase")->layout();
  ASSERT_NE(page, nullptr);
  for (int i = 0; i < 3; ++i) {
    auto* group = form().Ctl<QGroupBox>(names[i]);
    EXPECT_EQ(group->title().toStdString(), captions[i]);
    EXPECT_EQ(page->indexOf(group), i);  // a column, top first
  }
  EXPECT_EQ(form().Combo("ComboCircleRadius")->currentText(), QStringLiteral("25"));
  EXPECT_EQ(form().Combo("ComboLineColor")->currentText(), QStringLiteral("背景色"));
}

TEST_F(GraphicsFormTest, ShapeDefaultsSendTheWorkedFramesAndLogThem) {
  StartDevice({.model = zotpx::DeviceModel::PA, .baud = 115200});
  const std::size_t mark = LogMark();
  Click("BtnLineCmd");
  EXPECT_EQ(Status(), "直线控制命令" + kSuccess);
  Click("BtnRectCmd");
  EXPECT_EQ(Status(), "矩形控制命令" + kSuccess);
  Click("BtnCircleCmd");
  EXPECT_EQ(Status(), "圆形控制命令" + kSuccess);
  EXPECT_EQ(sim().ReceivedFrames(),
            (std::vector<Bytes>{Hex("55 AA 1A 07 09 00 05 00 14 00 C8 0B"),
                                Hex("55 AA 1B 09 08 00 00 00 00 01 7F 00 FF AB"),
                                Hex("55 AA 1C 06 08 00 1E 00 C8 19 29")}));
  const std::vector<std::string> log = LogSince(mark);
  ASSERT_EQ(log.size(), 12u);
  EXPECT_EQ(log[0], "【直线控制命令】");
  EXPECT_EQ(log[1], "发送：55 AA 1A 07 09 00 05 00 14 00 C8 0B ");
  EXPECT_EQ(log[2].rfind("接收：55 AA 1A 01 ", 0), 0u);
  EXPECT_EQ(log[3], "");
}

TEST_F(GraphicsFormTest, ShapeFieldsAndListsReachTheFrame) {
  StartDevice({.model = zotpx::DeviceModel::PA, .baud = 115200});
  form().SetText("EditCircleLeft", QStringLiteral("256"));
  form().SetText("EditCircleTop", QStringLiteral("128"));
  form().Combo("ComboCircleRadius")->setCurrentIndex(122);  // 127: only Y 127 and 128 fit
  form().Combo("ComboCircleColor")->setCurrentIndex(1);
  form().Combo("ComboCircleThick")->setCurrentIndex(3);
  form().Combo("ComboCircleMode")->setCurrentIndex(1);
  form().Combo("ComboCircleShow")->setCurrentIndex(1);
  Click("BtnCircleCmd");
  EXPECT_EQ(Status(), "圆形控制命令" + kSuccess);
  ASSERT_EQ(sim().ReceivedFrameCount(), 1u);
  EXPECT_EQ(sim().ReceivedFrames()[0], zotpx::MakeFrame(0x1C, Hex("D9 01 00 00 80 7F")));
}

TEST_F(GraphicsFormTest, ShapeCheckFailuresOpenNothingAndLogNothing) {
  StartDevice({.model = zotpx::DeviceModel::PA, .baud = 115200});
  const std::size_t mark = LogMark();
  form().SetText("EditLineLength", QStringLiteral("385"));
  Click("BtnLineCmd");
  EXPECT_EQ(Status(), "直线控制命令失败：请输入合法的坐标数值和长度");
  form().SetText("EditRectRight", QStringLiteral(""));
  Click("BtnRectCmd");
  EXPECT_EQ(Status(), "矩形控制命令失败：请输入合法的坐标数值");
  form().SetText("EditCircleLeft", QStringLiteral("24"));
  Click("BtnCircleCmd");
  EXPECT_EQ(Status(), "圆形控制命令失败：请输入合法的坐标数值");
  EXPECT_EQ(sim().ReceivedFrameCount(), 0u);
  EXPECT_EQ(LogSince(mark).size(), 0u);
}

TEST_F(GraphicsFormTest, ShapeWithoutDeviceReplyFailsToReceive) {
  StartDevice({.model = zotpx::DeviceModel::PA, .baud = 115200});
  sim()->AddFault({.fault = zotpx::sim::Fault::WrongEcho, .nth = 1});
  const std::size_t mark = LogMark();
  Click("BtnRectCmd");
  EXPECT_EQ(Status(), "矩形控制命令失败：接收响应失败");
  EXPECT_EQ(LogSince(mark),
            (std::vector<std::string>{"【矩形控制命令】",
                                      "发送：55 AA 1B 09 08 00 00 00 00 01 7F 00 FF AB ", ""}));
}

TEST_F(GraphicsFormTest, LoadAsksTheSharedDialogAndShowsTheDoubledPreview) {
  const QString path = Bmp("example.bmp", {.width = 16, .height = 8}, Example);
  Choose("LabelBitmapSelect", path);
  ASSERT_EQ(dialogs().requests.size(), 1u);
  const Dialogs::FileRequest& request = dialogs().requests[0].file;
  EXPECT_EQ(request.title, QStringLiteral("打开位图文件"));
  EXPECT_EQ(request.directory, AppDirectory);
  EXPECT_EQ(request.filter, kOpenDialogFilter);
  EXPECT_EQ(request.filter_index, 3);
  EXPECT_EQ(Status(), "选择位图文件成功：请查看图像预览区");
  EXPECT_TRUE(Loaded("ImageBitmapFile", "EditBitmapFile"));
  EXPECT_EQ(form().Edit("EditBitmapFile")->text(), path);
  EXPECT_EQ(form().Ctl<QLabel>("ImageBitmapFile")->size(), QSize(32, 16));

  Choose("LabelSingleBitmapSelect", Bmp("full.bmp", {.width = 192, .height = 128}));
  EXPECT_EQ(dialogs().requests.back().title, QStringLiteral("打开单色位图文件"));
  EXPECT_EQ(Status(), "选择单色位图文件成功：请查看图像预览区");
  EXPECT_EQ(form().Ctl<QLabel>("ImageSingleBitmapFile")->size(), QSize(384, 256));
}

TEST_F(GraphicsFormTest, EachSlotRefusesWhatItsLimitsRefuse) {
  struct Case {
    const char* label;
    const char* title;
    int width, height;
    bool loads;
  } cases[] = {
      {"LabelBitmapSelect", "选择位图文件", 40, 48, true},
      {"LabelBitmapSelect", "选择位图文件", 48, 48, false},
      {"LabelBitmapSelect", "选择位图文件", 128, 128, false},
      {"LabelSuperBitmapSelect", "选择超大位图文件", 128, 128, true},
      {"LabelSuperBitmapSelect", "选择超大位图文件", 192, 128, false},
      {"LabelSingleBitmapSelect", "选择单色位图文件", 192, 128, true},
      {"LabelSingleBitmapSelect", "选择单色位图文件", 200, 8, false},
      {"LabelSingleBitmapSelect", "选择单色位图文件", 8, 12, false},
  };
  for (const Case& c : cases) {
    Choose(c.label, Bmp("size.bmp", {.width = c.width, .height = c.height}));
    EXPECT_EQ(Status(), std::string(c.title) +
                            (c.loads ? "成功：请查看图像预览区" : "失败：不合法的位图文件"))
        << c.label << " " << c.width << "x" << c.height;
  }
  Choose("LabelSuperBitmapSelect", QStringLiteral("/nonexistent/a.bmp"));
  EXPECT_EQ(Status(), "选择超大位图文件失败：无法访问位图文件");
}

TEST_F(GraphicsFormTest, PackingFollowsTheColourNotThePaletteIndex) {
  const Bytes example = Hex("01 02 00 00 00 00 00 00 00 00 00 00 00 00 00 00");
  const BmpLayout black_first{.width = 16, .height = 8};
  BmpLayout white_first = black_first;
  white_first.dark_first = false;
  BmpLayout top_down = black_first;
  top_down.top_down = true;
  BmpLayout true_colour = black_first;
  true_colour.bits_per_pixel = 24;
  BmpLayout four_bit = white_first;
  four_bit.bits_per_pixel = 4;
  BmpLayout near_black = black_first;
  near_black.dark = 0x010101;
  struct Case {
    const char* name;
    BmpLayout layout;
    Bytes expected;
  } cases[] = {
      {"black at index 0", black_first, example},
      {"black at index 1", white_first, example},
      {"top-down rows", top_down, example},
      {"24-bit", true_colour, example},
      {"4-bit", four_bit, example},
      {"almost black", near_black, Bytes(16, 0)},
  };
  for (const Case& c : cases)
    EXPECT_EQ(PackBlackPixels(LoadBitmapImage(Bmp("pack.bmp", c.layout, Example))), c.expected)
        << c.name;
}

TEST_F(GraphicsFormTest, FlashingExampleSendsTheWorkedFrame) {
  StartDevice({.model = zotpx::DeviceModel::PA, .baud = 115200});
  BmpLayout layout{.width = 16, .height = 8};
  layout.dark_first = false;
  Choose("LabelBitmapSelect", Bmp("example.bmp", layout, Example));
  Click("BtnBitmapCmd");
  EXPECT_EQ(Status(), "位图字符命令" + kSuccess);
  ASSERT_EQ(sim().ReceivedFrameCount(), 1u);
  EXPECT_EQ(sim().ReceivedFrames()[0],
            Hex("55 AA 15 17 0B 00 05 00 64 10 08 01 02 00 00 00 00 00 00 00 00 00 00 00 00 00 "
                "00 BB"));
  form().SetText("EditBitmapLeft", QStringLiteral("369"));
  Click("BtnBitmapCmd");
  EXPECT_EQ(Status(), "位图字符命令失败：不合法的坐标值");
}

TEST_F(GraphicsFormTest, OversizedPictureGoesAsNineNumberedBlocksThenControl) {
  StartDevice({.model = zotpx::DeviceModel::PA, .baud = 115200});
  Choose("LabelSuperBitmapSelect", Bmp("big.bmp", {.width = 128, .height = 128}, Black));
  const std::size_t mark = LogMark();
  Click("BtnSuperBitmapCmd");
  EXPECT_EQ(Status(), "超大位图字符命令" + kSuccess);
  const std::vector<Bytes> frames = sim().ReceivedFrames();
  zotpx::Values values(*zotpx::FindRow("bitmap oversized"));  // the page's defaults
  values["file"].picture = zotpx::LoadedBitmap{128, 128, Bytes(2048, 0xFF)};
  EXPECT_EQ(frames, zotpx::BuildFrames(values));
  ASSERT_EQ(frames.size(), 10u);
  for (std::size_t k = 1; k <= 9; ++k) EXPECT_EQ((frames[k - 1][4] >> 3) & 15, int(k));
  const std::vector<std::string> log = LogSince(mark);
  ASSERT_EQ(log.size(), 22u);  // header, 10 sent and 10 received lines, blank
  EXPECT_EQ(log[0], "【超大位图字符命令】");
  EXPECT_EQ(log[1], "发送：" + LogHex(frames[0]));
  EXPECT_EQ(log[19], "发送：55 AA 17 07 07 00 37 00 64 80 80 C0 ");
  EXPECT_EQ(log[21], "");
}

TEST_F(GraphicsFormTest, MissingReplyToBlockThreeStopsTheRun) {
  StartDevice({.model = zotpx::DeviceModel::PA, .baud = 115200});
  Choose("LabelSingleBitmapSelect", Bmp("full.bmp", {.width = 192, .height = 128}, Black));
  sim()->AddFault({.fault = zotpx::sim::Fault::Silence, .nth = 3});
  const std::size_t mark = LogMark();
  Click("BtnSingleBitmapCmd");
  EXPECT_EQ(Status(), "单色位图命令失败：接收响应失败");
  EXPECT_EQ(sim().ReceivedFrameCount(), 3u);
  const std::vector<std::string> log = LogSince(mark);
  ASSERT_EQ(log.size(), 7u);  // header, sent/received 1 and 2, sent 3, blank
  EXPECT_EQ(log[5].rfind("发送：55 AA 1D F7 18 ", 0), 0u);
  EXPECT_EQ(log[6], "");
}

TEST_F(GraphicsFormTest, ControlOnlySendsOneTwelveByteFrame) {
  StartDevice({.model = zotpx::DeviceModel::PA, .baud = 115200});
  Choose("LabelSingleBitmapSelect", Bmp("full.bmp", {.width = 192, .height = 128}, Black));
  form().Check("CheckSingleBitmapData")->setChecked(true);
  Click("BtnSingleBitmapCmd");
  EXPECT_EQ(Status(), "单色位图命令" + kSuccess);
  EXPECT_EQ(sim().ReceivedFrames(),
            (std::vector<Bytes>{Hex("55 AA 1D 07 00 00 B9 00 64 C0 80 81")}));
}

TEST_F(GraphicsFormTest, SmallerPictureAfterLargerOneIsPaddedWithZeros) {
  StartDevice({.model = zotpx::DeviceModel::PA, .baud = 115200});
  Choose("LabelSuperBitmapSelect", Bmp("big.bmp", {.width = 128, .height = 128}, Black));
  Choose("LabelSuperBitmapSelect", Bmp("small.bmp", {.width = 16, .height = 16}, Black));
  Click("BtnSuperBitmapCmd");
  const std::vector<Bytes> frames = sim().ReceivedFrames();
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_TRUE(std::all_of(frames[0].begin() + 11, frames[0].begin() + 43,
                          [](std::uint8_t b) { return b == 0xFF; }));
  EXPECT_TRUE(std::all_of(frames[0].begin() + 43, frames[0].begin() + 251,
                          [](std::uint8_t b) { return b == 0; }));
}

TEST_F(GraphicsFormTest, FailedLoadAfterGoodOneLeavesTheSlotUnloaded) {
  StartDevice({.model = zotpx::DeviceModel::PA, .baud = 115200});
  Choose("LabelSuperBitmapSelect", Bmp("good.bmp", {.width = 16, .height = 16}, Black));
  ASSERT_TRUE(Loaded("ImageSuperBitmapFile", "EditSuperBitmapFile"));
  Choose("LabelSuperBitmapSelect", std::nullopt);  // cancelled: nothing changes
  EXPECT_TRUE(Loaded("ImageSuperBitmapFile", "EditSuperBitmapFile"));

  Choose("LabelSuperBitmapSelect",
         Bmp("bad.bmp", {.width = 16, .height = 16, .bits_per_pixel = 8}));
  EXPECT_EQ(Status(), "选择超大位图文件失败：不合法的位图文件");
  EXPECT_FALSE(Loaded("ImageSuperBitmapFile", "EditSuperBitmapFile"));
  Click("BtnSuperBitmapCmd");
  EXPECT_EQ(Status(), "超大位图字符命令失败：请先选择一个位图文件");
  form().Check("CheckSuperBitmapData")->setChecked(true);
  Click("BtnSuperBitmapCmd");
  EXPECT_EQ(Status(), "超大位图字符命令失败：请先选择一个位图文件");
  EXPECT_EQ(sim().ReceivedFrameCount(), 0u);
}

TEST_F(GraphicsFormTest, UndecodableFileGoesToTheErrorDisplayAndStaysUnloaded) {
  Choose("LabelBitmapSelect", Bmp("good.bmp", {.width = 16, .height = 8}, Example));
  ASSERT_TRUE(Loaded("ImageBitmapFile", "EditBitmapFile"));
  // The header passes the tool's own check; the picture itself is missing.
  Bytes header_only = MakeBmp({.width = 16, .height = 8});
  header_only.resize(64);
  Choose("LabelBitmapSelect", File("cut.bmp", header_only));
  EXPECT_EQ(dialogs().Count(ScriptedDialogs::Kind::Error), 1u);
  EXPECT_FALSE(Loaded("ImageBitmapFile", "EditBitmapFile"));
  // A compression the decoder does not know.
  Bytes unknown = MakeBmp({.width = 16, .height = 8}, Example);
  unknown[30] = 0x7F;
  Choose("LabelBitmapSelect", Bmp("good.bmp", {.width = 16, .height = 8}, Example));
  Choose("LabelBitmapSelect", File("unknown.bmp", unknown));
  EXPECT_EQ(dialogs().Count(ScriptedDialogs::Kind::Error), 2u);
  EXPECT_FALSE(Loaded("ImageBitmapFile", "EditBitmapFile"));
  Click("BtnBitmapCmd");
  EXPECT_EQ(Status(), "位图字符命令失败：请先选择一个位图文件");
}

}  // namespace
