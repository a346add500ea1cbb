// The main window's shell: layout and defaults at start, the status line and the log, the
// port list, error display for a handler that throws, and the dialog filter conversion.
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOptionProgressBar>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>

#include "serial/frame.h"
#include "serial/port.h"
#include "serial/transaction.h"
#include "support/form_fixture.h"

namespace {

using Kind = ScriptedDialogs::Kind;

class FormShellTest : public FormTest {
 protected:
  // Lays the window out as it is shown, so that geometry inside the groups is real.
  void Show() {
    form().show();
    QCoreApplication::processEvents();
  }
};

TEST_F(FormShellTest, WindowIsFixedSizeWithCaptionColourAndFont) {
  EXPECT_EQ(form().windowTitle(), QStringLiteral("ZOT-Px系列字符叠加芯片和模块管理软件"));
  EXPECT_EQ(QGuiApplication::applicationDisplayName(), form().windowTitle());
  const QSize client(TForm1::kClientWidth, TForm1::kClientHeight);
  EXPECT_EQ(form().minimumSize(), client);
  EXPECT_EQ(form().maximumSize(), client);
  EXPECT_FALSE(form().windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(form().windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_EQ(form().palette().color(QPalette::Window), QColor(208, 224, 240));
  EXPECT_EQ(form().font().pixelSize(), 16);
  EXPECT_EQ(form().font().families().value(0), QStringLiteral("宋体"));
  EXPECT_EQ(form().Ctl<QPushButton>("BtnConfigCmd")->font().pixelSize(), 16);
  EXPECT_TRUE(form().timer_ok());
}

TEST_F(FormShellTest, RegionsSitAtTheirClientCoordinates) {
  const struct {
    const char* name;
    QRect rect;
  } regions[] = {
      {"GroupControl", {8, 8, 273, 425}},
      {"PageOsd", {288, 8, 689, 425}},
      {"MemoProtocol", {8, 440, 969, 197}},
      {"GroupTest", {778, 439, 201, 181}},
      {"PanelTest", {959, 619, 20, 20}},
      {"StatusBar", {0, TForm1::kClientHeight - 20, TForm1::kClientWidth, 20}},
  };
  for (const auto& region : regions)
    EXPECT_EQ(form().Ctl<QWidget>(region.name)->geometry(), region.rect) << region.name;
  EXPECT_EQ(form().Ctl<QGroupBox>("GroupControl")->title(), QStringLiteral(" 系统控制 "));
  EXPECT_FALSE(form().Ctl<QWidget>("GroupTest")->isVisibleTo(&form()));
  EXPECT_TRUE(form().Ctl<QWidget>("PanelTest")->isVisibleTo(&form()));
}

TEST_F(FormShellTest, EveryPageControlHasItsTabsAndShowsTheFirst) {
  const struct {
    const char* control;
    std::vector<std::pair<const char*, const char*>> tabs;
  } pages[] = {
      {"PageOsd",
       {{"TabDateTime", "日期时间"},
        {"TabChar", "字符叠加"},
        {"TabGraphic", "图形绘制"},
        {"TabCross", "十字线"}}},
      {"PageChar",
       {{"TabCharString", "文本字符"},
        {"TabCharBitmap", "闪烁位图字符"},
        {"TabCharSuper", "超大位图字符"}}},
      {"PageGraphic", {{"TabGraphicBase", "基本图形"}, {"TabGraphicBitmap", "单色位图"}}},
      {"PageCross", {{"TabCrossCtrl", "十字线控制"}, {"TabCrossDown", "十字线下载"}}},
  };
  for (const auto& page : pages) {
    auto* tabs = form().Ctl<QTabWidget>(page.control);
    ASSERT_EQ(tabs->count(), static_cast<int>(page.tabs.size())) << page.control;
    EXPECT_EQ(tabs->currentIndex(), 0) << page.control;
    for (int i = 0; i < tabs->count(); ++i) {
      EXPECT_EQ(tabs->widget(i)->objectName(), QString::fromLatin1(page.tabs[i].first));
      EXPECT_EQ(tabs->tabText(i), QString::fromUtf8(page.tabs[i].second));
      EXPECT_TRUE(tabs->isTabVisible(i)) << page.tabs[i].first;
    }
  }
}

TEST_F(FormShellTest, ModelTabsShowOnlyWhatTheModelHas) {
  auto* osd = form().Ctl<QTabWidget>("PageOsd");
  const int graphic = osd->indexOf(form().Ctl<QWidget>("TabGraphic"));
  const int cross = osd->indexOf(form().Ctl<QWidget>("TabCross"));
  form().ShowModelTabs(zotpx::DeviceModel::PA);
  EXPECT_TRUE(osd->isTabVisible(graphic));
  EXPECT_FALSE(osd->isTabVisible(cross));
  form().ShowModelTabs(zotpx::DeviceModel::PB);
  EXPECT_FALSE(osd->isTabVisible(graphic));
  EXPECT_TRUE(osd->isTabVisible(cross));
}

TEST_F(FormShellTest, SystemGroupHasItsControlsInOrderWithDefaults) {
  const struct {
    const char* name;
    int items;
    const char* shown;
    const char* label;
  } combos[] = {
      {"ComboDeviceType", 3, "未知型号", "型号："},
      {"UartPort", -1, "COM1", "串口："},
      {"UartBaud", 8, "9600", "速率："},
      {"ComboColumnOffsetEx", 16, "6(缺省)", "外部视频水平偏移："},
      {"ComboColumnOffsetIn", 16, "9(缺省)", "内部视频水平偏移："},
      {"ComboKey1", 2, "低有效", "开关1"},
      {"ComboKey6", 2, "低有效", "开关6"},
  };
  for (const auto& c : combos) {
    QComboBox* combo = form().Combo(c.name);
    if (c.items >= 0) {
      EXPECT_EQ(combo->count(), c.items) << c.name;
    }
    EXPECT_EQ(combo->currentText(), QString::fromUtf8(c.shown)) << c.name;
    EXPECT_EQ(combo->accessibleName(), QString::fromUtf8(c.label)) << c.name;
    EXPECT_FALSE(combo->isEditable()) << c.name;
  }
  QComboBox* port = form().Combo("UartPort");
  ASSERT_GE(port->count(), 16);
  EXPECT_EQ(port->itemText(15), QStringLiteral("COM16"));
  EXPECT_EQ(form().Combo("UartBaud")->itemText(6), QStringLiteral("345600"));
  EXPECT_TRUE(form().Check("CheckEnable")->isChecked());
  EXPECT_EQ(form().Text("EditVersion"), "未知版本");
  for (const char* display_only : {"ComboDeviceType", "UartBaud", "EditVersion"})
    EXPECT_FALSE(form().Ctl<QWidget>(display_only)->isEnabled()) << display_only;
  EXPECT_TRUE(port->isEnabled());

  // Top to bottom as the operator reads them, and all inside the group's frame.
  Show();
  auto* group = form().Ctl<QWidget>("GroupControl");
  const char* const order[] = {"ComboDeviceType",     "UartPort",
                               "BtnSearchCmd",        "UartBaud",
                               "EditVersion",         "Panel1",
                               "BtnEepromCmd",        "BtnStaticCmd",
                               "PanelGroup1",         "ComboColumnOffsetEx",
                               "ComboColumnOffsetIn", "ComboKey1",
                               "ComboKey2",           "ComboKey3",
                               "CheckEnable",         "BtnConfigCmd"};
  int last_top = -1;
  for (const char* name : order) {
    auto* control = form().Ctl<QWidget>(name);
    const QRect rect(control->mapTo(group, QPoint(0, 0)), control->size());
    EXPECT_GT(rect.top(), last_top) << name;
    EXPECT_TRUE(group->rect().contains(rect)) << name << " overflows the group";
    // A squeezed row clips its text: each control stays at least one text line tall.
    const bool separator = QByteArray(name).startsWith("Panel");
    EXPECT_GE(control->height(), separator ? 2 : QFontMetrics(control->font()).height()) << name;
    last_top = rect.top();
  }
  EXPECT_EQ(form().Ctl<QWidget>("ComboKey4")->y(), form().Ctl<QWidget>("ComboKey1")->y());
  EXPECT_GT(form().Ctl<QWidget>("ComboKey4")->x(), form().Ctl<QWidget>("ComboKey1")->x());
  EXPECT_EQ(form().Caption("BtnSearchCmd"), "连接设备");
  EXPECT_EQ(form().Caption("BtnEepromCmd"), "内部字库下载");
  EXPECT_EQ(form().Caption("BtnStaticCmd"), "生成和下载静态命令");
  EXPECT_EQ(form().Caption("BtnConfigCmd"), "参数设置命令");
}

TEST_F(FormShellTest, StatusLineAndLogStartWithTheirTexts) {
  EXPECT_EQ(Status(), "欢迎使用ZOT-Px系列字符叠加芯片和模块，请先执行“连接设备”");
  EXPECT_EQ(Log(), (std::vector<std::string>{"【通信数据记录】", ""}));
  auto* bar = form().Ctl<QStatusBar>("StatusBar");
  EXPECT_FALSE(bar->isSizeGripEnabled());
  EXPECT_EQ(form().Ctl<QLabel>("StatusPanel0")->width(), 600);
  EXPECT_EQ(form().Ctl<QLabel>("StatusPanel1")->width(), 130);
  EXPECT_EQ(form().Ctl<QLabel>("StatusPanel2")->width(), 50);
  EXPECT_FALSE(form().Ctl<QProgressBar>("ProgressDownload")->isVisibleTo(&form()));
  auto* memo = form().Ctl<QPlainTextEdit>("MemoProtocol");
  EXPECT_EQ(memo->lineWrapMode(), QPlainTextEdit::NoWrap);

  form().SetStatus("参数设置命令失败：接收响应失败");
  EXPECT_EQ(Status(), "参数设置命令失败：接收响应失败");
  form().SetStatus("<b>not markup</b>");
  EXPECT_EQ(form().Ctl<QLabel>("StatusPanel0")->textFormat(), Qt::PlainText);
}

// During a download the figures stand whole on the bar, and the bar whole in the status line
// beside the status text, on Qt's own style and on Windows' (which sets a bar's text beside
// it); afterwards the panels it stood in for are back.
TEST_F(FormShellTest, DownloadFiguresFitTheBarInTheStatusLine) {
  Show();
  auto* bar = form().Ctl<QProgressBar>("ProgressDownload");
  const QWidget* line = form().Ctl<QStatusBar>("StatusBar");
  const QWidget* status = form().Ctl<QLabel>("StatusPanel0");
  const zotpx::ProgressEstimate estimates[] = {
      {0, false, 0, 0}, {100, true, 90.0 * 1024, 0}, {37, true, 999.9 * 1024, 99 * 60 + 59}};
  for (const char* name : {"Fusion", "Windows"}) {
    SCOPED_TRACE(name);
    const std::unique_ptr<QStyle> style(QStyleFactory::create(QString::fromLatin1(name)));
    ASSERT_TRUE(style);
    bar->setStyle(style.get());
    form().Progress(0, 100);
    QApplication::processEvents();
    EXPECT_EQ(status->width(), 600);
    EXPECT_GT(bar->x(), status->geometry().right());
    EXPECT_LE(bar->geometry().right(), line->contentsRect().right());
    for (const zotpx::ProgressEstimate& e : estimates) {
      bar->setFormat(ProgressBarText(e));
      bar->setValue(e.percent);
      QStyleOptionProgressBar option;
      option.initFrom(bar);
      option.state |= QStyle::State_Horizontal;
      option.minimum = bar->minimum();
      option.maximum = bar->maximum();
      option.progress = bar->value();
      option.text = bar->text();
      option.textAlignment = bar->alignment();
      option.textVisible = true;
      const QRect label = style->subElementRect(QStyle::SE_ProgressBarLabel, &option, bar);
      EXPECT_TRUE(bar->rect().contains(label)) << option.text.toStdString();
      EXPECT_LE(option.fontMetrics.horizontalAdvance(option.text), label.width())
          << option.text.toStdString();
    }
    form().Progress(0, 0);
    QApplication::processEvents();
    bar->setStyle(nullptr);
    EXPECT_FALSE(bar->isVisible());
    for (const char* panel : {"StatusPanel1", "StatusPanel2"}) {
      EXPECT_TRUE(form().Ctl<QLabel>(panel)->isVisible());
      EXPECT_LE(form().Ctl<QLabel>(panel)->geometry().right(), line->contentsRect().right());
    }
  }
}

TEST_F(FormShellTest, LogBytesAppendsExactlyOneLine) {
  Show();
  const std::uint8_t reply[] = {0x55, 0xAA, 0x10, 0x01, 0x00, 0x11};
  std::vector<std::uint8_t> long_frame(260);
  for (std::size_t i = 0; i < long_frame.size(); ++i) long_frame[i] = static_cast<std::uint8_t>(i);

  const std::size_t mark = LogMark();
  form().LogLine("【参数设置命令】");
  form().LogBytes("接收：", sizeof reply, reply);
  form().LogBytes("发送：", long_frame.size(), long_frame.data());
  form().LogLine("");
  const std::vector<std::string> lines = LogSince(mark);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "【参数设置命令】");  // no trailing space without bytes
  EXPECT_EQ(lines[1], "接收：55 AA 10 01 00 11 ");
  EXPECT_EQ(QString::fromStdString(lines[2]).size(), 3 + 780);
  EXPECT_EQ(lines[2].substr(lines[2].size() - 15), "FF 00 01 02 03 ");
  EXPECT_EQ(lines[2].substr(9, 12), "00 01 02 03 ");  // after "发送：" (9 bytes of UTF-8)
  EXPECT_EQ(lines[3], "");

  // The long line stays one screen line: no wrapping in the log.
  auto* memo = form().Ctl<QPlainTextEdit>("MemoProtocol");
  const QTextBlock block = memo->document()->findBlockByNumber(static_cast<int>(mark) + 2);
  ASSERT_TRUE(block.isValid());
  ASSERT_NE(block.layout(), nullptr);
  EXPECT_EQ(block.layout()->lineCount(), 1);
}

TEST_F(FormShellTest, TwoCommandsInARowLogTwoBlocks) {
  StartDevice({.model = zotpx::DeviceModel::PA, .baud = 115200});
  const std::size_t mark = LogMark();
  for (int i = 0; i < 2; ++i) {
    const zotpx::TxResult result = zotpx::RunCommandFrames(
        form(), "参数设置命令", form().CurrentLink(),
        [] { return std::vector<zotpx::Bytes>{zotpx::MakeFrame(0x10, {0x00})}; });
    ASSERT_EQ(result, zotpx::TxResult::Ok) << Status();
  }
  const std::vector<std::string> lines = LogSince(mark);
  ASSERT_EQ(lines.size(), 8u);
  for (int block = 0; block < 2; ++block) {
    EXPECT_EQ(lines[block * 4 + 0], "【参数设置命令】");
    EXPECT_EQ(lines[block * 4 + 1], "发送：55 AA 10 01 00 11 ");
    EXPECT_EQ(lines[block * 4 + 2].rfind("接收：55 AA 10 01 ", 0), 0u) << lines[block * 4 + 2];
    EXPECT_EQ(lines[block * 4 + 3], "");
  }
  EXPECT_EQ(Status(), "参数设置命令成功：请查看通信数据记录以获得更多信息");
}

TEST_F(FormShellTest, PortListKeepsAChosenPortAcrossRefresh) {
  form().SelectPort(QStringLiteral("/dev/zotpx-test-gone"));
  form().Combo("UartBaud")->setCurrentIndex(4);
  EXPECT_EQ(form().CurrentLink().port, "/dev/zotpx-test-gone");
  EXPECT_EQ(form().CurrentLink().baud, 115200);
  Show();
  QComboBox* port = form().Combo("UartPort");
  port->showPopup();  // refreshes the list
  port->hidePopup();
  EXPECT_EQ(port->currentText(), QStringLiteral("/dev/zotpx-test-gone"));
  EXPECT_EQ(port->findText(QStringLiteral("/dev/zotpx-test-gone")), port->count() - 1);
  EXPECT_EQ(port->itemText(0), QStringLiteral("COM1"));
}

// Lets the window's events run until `done`, for up to five seconds.
bool RunsUntil(const std::function<bool()>& done) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < 5000) {
    QEventLoop pause;
    QTimer::singleShot(50, &pause, &QEventLoop::quit);
    pause.exec();
  }
  return done();
}

// A simulator started or ended while the window is open: its COMn link joins the list and
// leaves it by itself, the chosen port and the window's size as they were.
TEST_F(FormShellTest, PortListFollowsAComLinkThatComesAndGoes) {
  Show();
  QComboBox* port = form().Combo("UartPort");
  port->setCurrentIndex(2);
  const QSize size = form().size();
  const std::string folder = zotpx::PortFolder();
  // Private, as the simulator makes it: -p COMn takes no link from a folder others may write.
  std::filesystem::create_directories(std::filesystem::path(folder).parent_path());
  mkdir(folder.c_str(), 0700);
  const std::string link = folder + "/COM232";
  ASSERT_EQ(symlink("/dev/null", link.c_str()), 0);
  EXPECT_TRUE(RunsUntil([port] { return port->findText(QStringLiteral("COM232")) >= 0; }));
  std::filesystem::remove(link);
  EXPECT_TRUE(RunsUntil([port] { return port->findText(QStringLiteral("COM232")) < 0; }));
  EXPECT_EQ(port->currentText(), QStringLiteral("COM3"));
  EXPECT_EQ(form().size(), size);
}

TEST_F(FormShellTest, AnErrorEscapingAHandlerIsShownAndTheWindowStaysUsable) {
  Show();
  form().SetFormEnabled(false);
  form().Guard([] { throw std::runtime_error("内存不足"); });
  form().Guard([] { throw 42; });
  EXPECT_EQ(dialogs().Texts(Kind::Error), (QStringList{QStringLiteral("内存不足"), QString()}));
  EXPECT_TRUE(form().isVisible());
  EXPECT_TRUE(form().isEnabled());
  form().Guard([] {});
  EXPECT_EQ(dialogs().Count(Kind::Error), 2u);
}

TEST(AppDirectoryTest, GetsOneTrailingSlash) {
  const std::pair<const char*, const char*> cases[] = {{"/", "/"},
                                                       {"/home/op", "/home/op/"},
                                                       {"/home/op/", "/home/op/"},
                                                       {"/tmp/中文", "/tmp/中文/"}};
  for (const auto& [cwd, expected] : cases)
    EXPECT_EQ(MakeAppDirectory(QString::fromUtf8(cwd)), QString::fromUtf8(expected)) << cwd;
}

TEST(DialogFilterTest, WindowsFiltersBecomeQtFilters) {
  EXPECT_EQ(QtFilterList(kOpenDialogFilter),
            QStringLiteral("Text Files(*.txt);;Font Files(*.font);;Bitmap Files(*.bmp);;"
                           "Cross Files(*.bin);;All Files(*)"));
  const std::pair<int, const char*> picks[] = {{1, "Text Files(*.txt)"},
                                               {3, "Bitmap Files(*.bmp)"},
                                               {5, "All Files(*)"},
                                               {0, "Text Files(*.txt)"},
                                               {9, "Text Files(*.txt)"}};
  for (const auto& [index, expected] : picks)
    EXPECT_EQ(QtFilterAt(kOpenDialogFilter, index), QString::fromLatin1(expected)) << index;
  EXPECT_EQ(QtFilterList(QStringLiteral("Mixed|*.a;*.b")), QStringLiteral("Mixed(*.a *.b)"));
}

}  // namespace
