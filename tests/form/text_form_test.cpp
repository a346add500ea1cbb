// The text page and the font test from the window against the simulated device: the frames the
// device received, the log blocks and status texts, the 200-byte limit of the string box, the
// refusals that open and log nothing, and the font test's runs, wrap-around and leftover fields.
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <sstream>

#include "command/font_test.h"
#include "serial/frame.h"
#include "support/form_fixture.h"
#include "support/hex.h"
#include "text/cp936.h"

namespace {

using zotpx::Bytes;

const std::string kStringTitle = "文本字符串命令";
const std::string kAreaTitle = "字符区域命令";
const std::string kSuccess = "成功：请查看通信数据记录以获得更多信息";
const std::string kPortFailed = "通信失败：请检查串口是否存在或被其他程序占用";
const QString kWrapText = QStringLiteral("测试到达最后一块文字区域，将返回到开始");

using zotpx::test::Hex;

std::string LogHex(const Bytes& bytes) {
  return zotpx::FormatLogLine("", bytes.size(), bytes.data());
}

class TextFormTest : public FormTest {
 protected:
  QString EditText(const char* name) { return form().Edit(name)->text(); }
  int ComboIndex(const char* name) { return form().Index(name); }
  void DoubleClickPanel() {
    QWidget* panel = form().Ctl<QWidget>("PanelTest");
    const QPointF at(10, 10);
    QMouseEvent event(QEvent::MouseButtonDblClick, at, panel->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(panel, &event);
  }
  void Type(QLineEdit* edit, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, text);
    QCoreApplication::sendEvent(edit, &press);
  }
  std::vector<Bytes> FramesSince(std::size_t first) {
    std::vector<Bytes> frames = sim()->ReceivedFrames();
    frames.erase(frames.begin(), frames.begin() + static_cast<std::ptrdiff_t>(first));
    return frames;
  }
};

struct FrameCase {
  const char* name;
  const char* button;
  std::vector<std::pair<const char*, const char*>> edits;
  std::vector<std::pair<const char*, int>> combos;
  const char* frame;
};

TEST_F(TextFormTest, ButtonsSendTheKnownFramesAndLogThem) {
  StartDevice({.model = zotpx::DeviceModel::PA, .baud = 115200});
  const FrameCase cases[] = {
      {"ABC",
       "BtnStringCmd",
       {{"EditString", "ABC"}},
       {},
       "55 AA 14 08 22 00 05 00 32 41 42 43 3B"},
      {"汉字",
       "BtnStringCmd",
       {{"EditString", "汉字"}},
       {},
       "55 AA 14 09 22 00 05 00 32 BA BA D7 D6 97"},
      {"X 256",
       "BtnStringCmd",
       {{"EditString", "A汉"}, {"EditStringLeft", "256"}},
       {{"ComboStringShow", 1}},
       "55 AA 14 08 A2 01 00 00 32 41 BA BA A6"},
      {"area defaults", "BtnAreaCmd", {}, {}, "55 AA 16 09 87 00 00 00 00 01 7F 00 FF 25"},
      {"area fill foreground",
       "BtnAreaCmd",
       {{"EditAreaLeft", "10"},
        {"EditAreaTop", "20"},
        {"EditAreaRight", "100"},
        {"EditAreaBottom", "50"}},
       {{"ComboAreaLayer", 0}, {"ComboAreaShow", 0}},
       "55 AA 16 09 01 00 0A 00 14 00 64 00 32 D4"},
  };
  for (const FrameCase& c : cases) {
    for (const auto& [edit, text] : c.edits) form().SetText(edit, QString::fromUtf8(text));
    for (const auto& [combo, index] : c.combos) form().Combo(combo)->setCurrentIndex(index);
    const std::size_t frames = sim()->ReceivedFrameCount();
    const std::size_t mark = LogMark();
    Click(c.button);

    const std::string title = form().Caption(c.button);
    EXPECT_EQ(Status(), title + kSuccess) << c.name;
    ASSERT_EQ(sim()->ReceivedFrameCount(), frames + 1) << c.name;
    const Bytes sent = sim()->ReceivedFrames().back();
    EXPECT_EQ(sent, Hex(c.frame)) << c.name;
    const Bytes reply = zotpx::MakeFrame(sent[2], {0x00});
    EXPECT_EQ(LogSince(mark),
              (std::vector<std::string>{"【" + title + "】", "发送：" + LogHex(sent),
                                        "接收：" + LogHex(reply), ""}))
        << c.name;
  }
}

struct RefusalCase {
  const char* name;
  const char* button;
  std::vector<std::pair<const char*, const char*>> edits;
  std::string status;
};

TEST_F(TextFormTest, RefusedCommandsOpenAndLogNothing) {
  StartDevice({.model = zotpx::DeviceModel::PA, .baud = 115200});
  const RefusalCase cases[] = {
      {"empty text wins over coordinates",
       "BtnStringCmd",
       {{"EditString", ""}, {"EditStringLeft", "abc"}, {"EditStringTop", "999"}},
       kStringTitle + "失败：待叠加字符串不能为空"},
      {"X out of range",
       "BtnStringCmd",
       {{"EditString", "A"}, {"EditStringLeft", "384"}, {"EditStringTop", "50"}},
       kStringTitle + "失败：不合法的坐标值"},
      {"emoji",
       "BtnStringCmd",
       {{"EditString", "OK\xF0\x9F\x98\x80"}, {"EditStringLeft", "5"}},
       kStringTitle + "失败：字符串含有无法转换为GBK编码的字符“\xF0\x9F\x98\x80”（U+1F600）"},
      {"corners the wrong way",
       "BtnAreaCmd",
       {{"EditAreaLeft", "10"}, {"EditAreaRight", "9"}},
       kAreaTitle + "失败：请输入合法的坐标数值"},
      {"empty corner",
       "BtnAreaCmd",
       {{"EditAreaLeft", "0"}, {"EditAreaRight", ""}},
       kAreaTitle + "失败：请输入合法的坐标数值"},
  };
  for (const RefusalCase& c : cases) {
    for (const auto& [edit, text] : c.edits) form().SetText(edit, QString::fromUtf8(text));
    const std::size_t mark = LogMark();
    Click(c.button);
    EXPECT_EQ(Status(), c.status) << c.name;
    EXPECT_EQ(LogSince(mark), std::vector<std::string>{}) << c.name;
    EXPECT_EQ(sim()->ReceivedFrameCount(), 0u) << c.name;
  }
}

TEST_F(TextFormTest, StringBoxHoldsTwoHundredCodePageBytesCutAtWholeCharacters) {
  QLineEdit* edit = form().Edit("EditString");
  edit->setFocus();

  // Typing: a Chinese character fits in the last two bytes, nothing more does.
  form().SetText("EditString", QString(198, QLatin1Char('a')));
  edit->end(false);
  Type(edit, QStringLiteral("汉"));
  Type(edit, QStringLiteral("字"));
  Type(edit, QStringLiteral("b"));
  EXPECT_EQ(edit->text(), QString(198, QLatin1Char('a')) + QStringLiteral("汉"));

  // One byte left: a double-byte character does not go in half.
  form().SetText("EditString", QString(199, QLatin1Char('a')));
  edit->end(false);
  Type(edit, QStringLiteral("汉"));
  EXPECT_EQ(edit->text(), QString(199, QLatin1Char('a')));
  Type(edit, QStringLiteral("b"));
  EXPECT_EQ(zotpx::Cp936ByteCount(edit->text().toStdString()), 200u);

  // Pasting into the middle keeps what was there and as much of the paste as fits.
  const QString start =
      QString(90, QLatin1Char('x')) + QStringLiteral("汉").repeated(50);  // 190 bytes
  form().SetText("EditString", start);
  edit->setCursorPosition(5);
  edit->insert(QStringLiteral("字").repeated(6));
  EXPECT_EQ(edit->text(), start.left(5) + QStringLiteral("字").repeated(5) + start.mid(5));
  EXPECT_EQ(edit->cursorPosition(), 10);

  // Set from code: the end is cut. Mixed text of 150 + 2 * 100 bytes keeps 150 + 2 * 25.
  form().SetText("EditString", QString(150, QLatin1Char('a')) + QStringLiteral("汉").repeated(100));
  EXPECT_EQ(edit->text(), QString(150, QLatin1Char('a')) + QStringLiteral("汉").repeated(25));

  // An emoji never goes in as half a surrogate pair.
  form().SetText("EditString", QString(199, QLatin1Char('a')));
  edit->end(false);
  edit->insert(QStringLiteral("\U0001F600"));
  EXPECT_EQ(edit->text(), QString(199, QLatin1Char('a')));
}

TEST_F(TextFormTest, PanelDoubleClickTogglesTheFontTestGroup) {
  QWidget* group = form().Ctl<QWidget>("GroupTest");
  QWidget* panel = form().Ctl<QWidget>("PanelTest");
  EXPECT_TRUE(group->isHidden());

  QMouseEvent press(QEvent::MouseButtonPress, QPointF(10, 10), panel->mapToGlobal(QPointF(10, 10)),
                    Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QMouseEvent release(QEvent::MouseButtonRelease, QPointF(10, 10),
                      panel->mapToGlobal(QPointF(10, 10)), Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
  QCoreApplication::sendEvent(panel, &press);
  QCoreApplication::sendEvent(panel, &release);
  EXPECT_TRUE(group->isHidden());

  DoubleClickPanel();
  EXPECT_FALSE(group->isHidden());
  DoubleClickPanel();
  EXPECT_TRUE(group->isHidden());
}

TEST_F(TextFormTest, FontTestRunsNineTransactionsAndLeavesItsFields) {
  StartDevice({.model = zotpx::DeviceModel::PA, .baud = 115200});
  DoubleClickPanel();
  form().SetText("EditAreaLeft", QStringLiteral("7"));
  form().Combo("ComboAreaLayer")->setCurrentIndex(0);
  form().Combo("ComboStringColor")->setCurrentIndex(5);
  const std::size_t mark = LogMark();
  Click("BtnTestCmd");

  const std::vector<Bytes> frames = sim()->ReceivedFrames();
  ASSERT_EQ(frames.size(), 9u);
  EXPECT_EQ(frames[0], Hex("55 AA 16 09 87 00 00 00 00 01 7F 00 FF 25"));
  EXPECT_EQ(frames[1],
            Hex("55 AA 14 1D 30 00 02 00 02 B0 A0 B0 A1 B0 A2 B0 A3 B0 A4 B0 A5 B0 A6 B0 A7 "
                "B0 A8 B0 A9 B0 AA B0 AB 67"));
  EXPECT_EQ(frames[8],
            Hex("55 AA 14 1D 30 00 02 00 B8 B0 F4 B0 F5 B0 F6 B0 F7 B0 F8 B0 F9 B0 FA B0 FB "
                "B0 FC B0 FD B0 FE B0 FF 0D"));
  for (int row = 0; row < 8; ++row) {
    EXPECT_EQ(frames[1 + row].size(), 34u) << row;
    EXPECT_EQ(frames[1 + row][8], 2 + 26 * row) << row;
  }
  // Nine blocks of four lines each: header, sent, received, blank.
  const std::vector<std::string> log = LogSince(mark);
  ASSERT_EQ(log.size(), 36u);
  EXPECT_EQ(log[0], "【字符区域命令】");
  EXPECT_EQ(log[4], "【文本字符串命令】");
  EXPECT_EQ(log[34], "接收：" + LogHex(zotpx::MakeFrame(0x14, {0x00})));
  EXPECT_EQ(Status(), kStringTitle + kSuccess);

  EXPECT_EQ(EditText("EditStringLeft"), QStringLiteral("2"));
  EXPECT_EQ(EditText("EditStringTop"), QStringLiteral("184"));
  EXPECT_EQ(EditText("EditString").toStdString(),
            zotpx::Cp936ToUtf8Lossy(zotpx::FontTestRow(0xB0, 7)));
  EXPECT_EQ(EditText("EditAreaLeft"), QStringLiteral("0"));
  EXPECT_EQ(EditText("EditAreaTop"), QStringLiteral("0"));
  EXPECT_EQ(EditText("EditAreaRight"), QStringLiteral("383"));
  EXPECT_EQ(EditText("EditAreaBottom"), QStringLiteral("255"));
  EXPECT_EQ(form().Combo("ComboAreaLayer")->currentText(), QStringLiteral("全部颜色"));
  EXPECT_EQ(form().Combo("ComboAreaShow")->currentText(), QStringLiteral("清除区域"));
  EXPECT_EQ(form().Combo("ComboStringSpace")->currentText(), QStringLiteral("3像素"));
  EXPECT_EQ(form().Combo("ComboTestBlock")->currentText(), QStringLiteral("0xB1"));
  EXPECT_EQ(dialogs().Count(ScriptedDialogs::Kind::Message), 0u);
}

TEST_F(TextFormTest, FontTestWrapsFromTheLastBlockWithTheMessage) {
  StartDevice({.model = zotpx::DeviceModel::PA, .baud = 115200});
  DoubleClickPanel();
  form().Combo("ComboTestBlock")->setCurrentIndex(70);  // 0xF6

  Click("BtnTestCmd");
  EXPECT_EQ(FramesSince(1).front()[9], 0xF6);
  EXPECT_EQ(form().Combo("ComboTestBlock")->currentText(), QStringLiteral("0xF7"));
  EXPECT_EQ(dialogs().Count(ScriptedDialogs::Kind::Message), 0u);

  Click("BtnTestCmd");
  const std::vector<Bytes> rows = FramesSince(10);
  ASSERT_EQ(rows.size(), 8u);
  for (const Bytes& row : rows) EXPECT_EQ(row[9], 0xF7);
  EXPECT_EQ(Bytes(rows[7].end() - 3, rows[7].end() - 1), Hex("F7 FF"));
  ASSERT_EQ(dialogs().Count(ScriptedDialogs::Kind::Message), 1u);
  EXPECT_EQ(dialogs().requests.back().title, form().windowTitle());
  EXPECT_EQ(dialogs().requests.back().text, kWrapText);
  EXPECT_EQ(form().Combo("ComboTestBlock")->currentIndex(), 0);
}

TEST_F(TextFormTest, FontTestWithoutAPortReportsEachFailureAndStillAdvances) {
  form().SelectPort(QStringLiteral("/nonexistent/zotpx-port"));
  form().Ctl<QWidget>("GroupTest")->show();
  const std::size_t mark = LogMark();
  Click("BtnTestCmd");
  EXPECT_EQ(Status().rfind(kPortFailed, 0), 0u) << Status();
  EXPECT_EQ(LogSince(mark), std::vector<std::string>{});
  EXPECT_EQ(ComboIndex("ComboTestBlock"), 1);
}

}  // namespace
