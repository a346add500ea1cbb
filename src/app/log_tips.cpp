// What a line of the communication log means, shown as its tool tip: a frame sent with its
// command, fields and checksum, a reply with what it acknowledges, a download's transfer. A
// Chinese lead-in says what the line is; the words after it are zotpx decode's, one part a line,
// so the fields read as the command line and layout files name them.
#include <QEvent>
#include <QHelpEvent>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QToolTip>

#include "app/form.h"
#include "command/log_reader.h"

namespace {

using zotpx::LogBlock;
using zotpx::LogEntry;

std::string Lines(const std::string& lead, const std::vector<std::string>& parts) {
  std::string text = lead;
  for (const std::string& part : parts) text += "\n" + part;
  return text;
}

std::string Size(const zotpx::Bytes& bytes) {
  return TForm1::tr("%1 字节").arg(bytes.size()).toStdString();
}

// The logged request that `entry` is, or answers.
std::optional<zotpx::LoggedRequest> RequestOf(const LogBlock& block, const LogEntry& entry) {
  for (const zotpx::LoggedRequest& request : zotpx::RequestsOf(block))
    if (request.sent == &entry || request.received == &entry) return request;
  return std::nullopt;
}

std::string ExplainSent(const LogBlock& block, const LogEntry& entry) {
  std::vector<std::string> parts;
  for (const zotpx::Piece& piece : zotpx::SplitPieces(entry.bytes)) {
    if (piece.kind != zotpx::Piece::Kind::Frame) {
      parts.push_back(zotpx::DescribePiece(piece, zotpx::Direction::Sent));
      continue;
    }
    const zotpx::DecodedFrame frame = zotpx::DecodeFrame(piece.bytes);
    std::vector<std::string> words = zotpx::DescribeFrameParts(frame);
    // The command on a line of its own and its fields on the next: a tip wraps a long line
    // wherever it likes, Chinese titles included.
    const std::string command =
        frame.row ? frame.row->title + " " + std::string(frame.row->name) + " " : std::string();
    if (!command.empty() && words.front().rfind(command, 0) == 0) {
      parts.push_back(command.substr(0, command.size() - 1));
      words.front().erase(0, command.size());
    }
    parts.insert(parts.end(), words.begin(), words.end());
  }
  const std::optional<zotpx::LoggedRequest> request = RequestOf(block, entry);
  if (request && !request->received)
    parts.push_back(TForm1::tr("未记录应答：设备没有应答，或应答不被接受").toStdString());
  return Lines(
      TForm1::tr("发送的命令帧，%1：").arg(QString::fromStdString(Size(entry.bytes))).toStdString(),
      parts);
}

std::string ExplainReceived(const LogBlock& block, const LogEntry& entry) {
  const std::optional<zotpx::LoggedRequest> request = RequestOf(block, entry);
  const zotpx::CommandRow* row = request ? zotpx::DecodeFrame(request->sent->bytes).row : nullptr;
  std::vector<std::string> parts;
  for (const zotpx::Piece& piece : zotpx::SplitPieces(entry.bytes)) {
    if (piece.kind != zotpx::Piece::Kind::Frame) {
      parts.push_back(zotpx::DescribePiece(piece, zotpx::Direction::Received));
      continue;
    }
    zotpx::ReplyMeaning reply =
        zotpx::ReadReply(piece.bytes, row ? std::optional(row->command) : std::nullopt);
    reply.row = row;
    for (std::string& part : zotpx::DescribeReplyParts(reply)) parts.push_back(std::move(part));
  }
  return Lines(
      TForm1::tr("设备的应答，%1：").arg(QString::fromStdString(Size(entry.bytes))).toStdString(),
      parts);
}

// A title or phase line: the download's transfer, or which command the block is.
std::string ExplainBlock(const LogBlock& block, bool title) {
  if (const std::optional<zotpx::TransferSummary> transfer = zotpx::TransferOf(block))
    return Lines(TForm1::tr("存储器传输：").toStdString(), {zotpx::DescribeTransfer(*transfer)});
  if (!title) return {};
  for (const zotpx::CommandRow& row : zotpx::CommandRows())
    if (row.title == block.title && !row.table.empty())
      return TForm1::tr("命令记录：%1，命令行 zotpx %2")
          .arg(QString::fromStdString(row.title),
               QString::fromLatin1(row.name.data(), static_cast<int>(row.name.size())))
          .toStdString();
  return {};
}

// The words for line `line` (from 1) of one block of the log.
std::string ExplainLogLine(std::string_view block_text, std::size_t line) {
  for (const LogBlock& block : zotpx::ReadLogBlocks(block_text)) {
    if (block.line == line && !block.title.empty()) return ExplainBlock(block, true);
    for (const LogEntry& entry : block.entries) {
      if (entry.line != line) continue;
      switch (entry.kind) {
        case LogEntry::Kind::Sent:
          return ExplainSent(block, entry);
        case LogEntry::Kind::Received:
          return ExplainReceived(block, entry);
        case LogEntry::Kind::Phase:
          return ExplainBlock(block, false);
        default:
          return {};
      }
    }
  }
  return {};
}

bool IsTitle(const QTextBlock& line) {
  return line.text().startsWith(QStringLiteral("【"));
}

bool IsBlank(const QTextBlock& line) {
  return line.text().trimmed().isEmpty();
}

// Shows the tool tip of the line under the mouse, for as long as the mouse stays on that line.
class LogTips : public QObject {
 public:
  LogTips(TForm1& form, QPlainTextEdit* log) : QObject(log), form_(form), log_(log) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::ToolTip) return QObject::eventFilter(watched, event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const QTextCursor cursor = log_->cursorForPosition(help->pos());
    // The nearest line is not always under the mouse (below the last line, say).
    const QRect at = log_->cursorRect(cursor);
    const QRect area(0, at.top(), log_->viewport()->width(), at.height());
    const QTextBlock line = cursor.block();
    const QString tip = area.contains(help->pos()) ? form_.LogTip(line.blockNumber()) : QString();
    if (tip.isEmpty())
      QToolTip::hideText();
    else
      // Plain text (every tip begins with a Chinese lead-in, never a tag): one line of the
      // tip a line on the screen. Rich text would wrap at whatever width Qt guesses, in the
      // middle of a title.
      QToolTip::showText(help->globalPos(), tip, log_->viewport(), area);
    return true;
  }

 private:
  TForm1& form_;
  QPlainTextEdit* log_;
};

}  // namespace

void InstallLogTips(TForm1& form, QPlainTextEdit* log) {
  log->viewport()->installEventFilter(new LogTips(form, log));
}

QString TForm1::LogTip(int line) const {
  const QTextBlock hovered = log_->document()->findBlockByNumber(line);
  if (!hovered.isValid() || IsBlank(hovered)) return {};
  // The line's block: back to its title, on to the blank line that ends it.
  QTextBlock first = hovered;
  while (!IsTitle(first) && first.previous().isValid() && !IsBlank(first.previous()))
    first = first.previous();
  QString text;
  for (QTextBlock b = first; b.isValid() && !IsBlank(b) && (b == first || !IsTitle(b));
       b = b.next())
    text += b.text() + QLatin1Char('\n');
  const std::string tip =
      ExplainLogLine(text.toStdString(), static_cast<std::size_t>(line - first.blockNumber() + 1));
  return QString::fromStdString(tip);
}
