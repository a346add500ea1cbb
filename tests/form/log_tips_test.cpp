// The communication log's tool tips: every row of the shared frame table, clicked in the window,
// leaves a block whose title, request and reply each say what they are, and hovering a line
// shows its words while hovering below the last line shows none.
#include <QHelpEvent>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QToolTip>

#include "command/explain.h"
#include "serial/transaction.h"
#include "support/form_fixture.h"
#include "support/frame_table.h"
#include "support/hex.h"

namespace {

using zotpx::test::FrameRow;

class LogTipsTest : public FormTest {
 protected:
  std::string Tip(std::size_t line) { return form().LogTip(static_cast<int>(line)).toStdString(); }

  // Sends a tool tip event for the point `y` pixels down the log's viewport; the tip shown.
  QString Hover(int y) {
    auto* log = form().Ctl<QPlainTextEdit>("MemoProtocol");
    const QPoint at(20, y);
    QHelpEvent event(QEvent::ToolTip, at, log->viewport()->mapToGlobal(at));
    QCoreApplication::sendEvent(log->viewport(), &event);
    return QToolTip::isVisible() ? QToolTip::text() : QString();
  }
};

std::string Lines(const std::vector<std::string>& parts) {
  std::string text;
  for (const std::string& part : parts) text += "\n" + part;
  return text;
}

class RowTipsTest : public LogTipsTest, public ::testing::WithParamInterface<FrameRow> {};

TEST_P(RowTipsTest, BlockExplainsItsTitleRequestAndReply) {
  const FrameRow& row = GetParam();
  StartDevice({.model = zotpx::DeviceModel::PB, .baud = 115200});
  for (const auto& [control, value] : row.controls) SetControl(control, value);
  if (!row.clock.empty()) StopClockAt(row.clock);
  const std::size_t mark = LogMark();
  Click(row.button.c_str());
  ASSERT_EQ(Status(), row.title + zotpx::kSuccessText);
  const zotpx::Bytes frame = zotpx::test::Hex(row.frame);
  const zotpx::DecodedFrame decoded = zotpx::DecodeFrame(frame);
  ASSERT_TRUE(decoded.ok());

  EXPECT_EQ(Tip(mark - 1), "") << "the blank line before";
  EXPECT_EQ(Tip(mark),
            "命令记录：" + row.title + "，命令行 zotpx " + std::string(decoded.row->name));
  // zotpx decode's words, the command on a line of its own.
  std::vector<std::string> words = zotpx::DescribeFrameParts(decoded);
  const std::string command = row.title + " " + std::string(decoded.row->name);
  ASSERT_EQ(words.front().substr(0, command.size() + 1), command + " ");
  words.front().erase(0, command.size() + 1);
  const std::string sent = Tip(mark + 1);
  EXPECT_EQ(sent,
            "发送的命令帧，" + std::to_string(frame.size()) + " 字节：\n" + command + Lines(words));
  // The reply names its own request, though date and time share a code.
  EXPECT_EQ(Tip(mark + 2), "设备的应答，6 字节：\nreply to " + row.title +
                               ": acknowledged (status 00)\nchecksum ok");
  EXPECT_EQ(Tip(mark + 3), "");

  // A request whose reply the window did not take says so.
  sim().AddFault({.fault = zotpx::sim::Fault::WrongEcho, .command = frame[2]});
  const std::size_t failed = LogMark();
  Click(row.button.c_str());
  EXPECT_EQ(Tip(failed + 1), sent + "\n未记录应答：设备没有应答，或应答不被接受");
}

INSTANTIATE_TEST_SUITE_P(Rows, RowTipsTest, ::testing::ValuesIn(zotpx::test::FrameRows()),
                         [](const auto& info) { return info.param.name; });

TEST_F(LogTipsTest, HoveringALineShowsItsWordsAndBelowTheLastLineNone) {
  const zotpx::Bytes frame = zotpx::test::Hex("55 AA 1F 04 00 C0 00 80 63");
  form().LogBytes("发送：", frame.size(), frame.data());  // the last line, without a block end
  form().show();
  QCoreApplication::processEvents();
  auto* log = form().Ctl<QPlainTextEdit>("MemoProtocol");
  const QRect line = log->cursorRect(QTextCursor(log->document()->lastBlock()));
  EXPECT_EQ(Hover(line.bottom() + 20), QString());
  EXPECT_EQ(Hover(line.center().y()), QString::fromStdString(Tip(2)));
  EXPECT_NE(Tip(2).find("\n十字线移动命令 cross move\nx=192 y=128\n"), std::string::npos) << Tip(2);
}

}  // namespace
