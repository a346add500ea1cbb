#include "command/log_reader.h"

#include <map>

#include "base/captions.h"
#include "base/hex.h"
#include "crosshair/cross_download.h"
#include "serial/memory_transfer.h"
#include "text/font_library.h"
#include "text/static_file.h"

namespace zotpx {

namespace {

constexpr std::string_view kTitleOpen = "【";
constexpr std::string_view kTitleClose = "】";
constexpr std::string_view kSentLabel = "发送：";
constexpr std::string_view kReceivedLabel = "接收：";

bool StartsWith(std::string_view text, std::string_view start) {
  return text.substr(0, start.size()) == start;
}

// "[COM3] 发送：..." as --trace and station logs label a port's lines.
std::string_view TakePortLabel(std::string_view& line) {
  if (line.empty() || line.front() != '[') return {};
  const std::size_t close = line.find("] ");
  if (close == std::string_view::npos) return {};
  const std::string_view port = line.substr(1, close - 1);
  line.remove_prefix(close + 2);
  return port;
}

LogEntry ReadEntry(std::string_view line, std::size_t number) {
  LogEntry entry;
  entry.line = number;
  entry.port = std::string(TakePortLabel(line));
  while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
  if (line.empty()) {
    entry.kind = LogEntry::Kind::Blank;
  } else if (StartsWith(line, kTitleOpen) &&
             line.size() >= kTitleOpen.size() + kTitleClose.size() &&
             line.substr(line.size() - kTitleClose.size()) == kTitleClose) {
    entry.kind = LogEntry::Kind::Title;
    entry.text = std::string(
        line.substr(kTitleOpen.size(), line.size() - kTitleOpen.size() - kTitleClose.size()));
  } else if (StartsWith(line, kSentLabel) || StartsWith(line, kReceivedLabel)) {
    entry.kind = StartsWith(line, kSentLabel) ? LogEntry::Kind::Sent : LogEntry::Kind::Received;
    entry.bytes = HexPairs(line.substr(kSentLabel.size()));
  } else {
    entry.kind = LogEntry::Kind::Phase;
    entry.text = std::string(line);
  }
  return entry;
}

// What the three downloads put where, by their log titles.
struct KnownTransfer {
  std::string title;
  TransferPlan plan;
  std::size_t size;  // 0: the file's, which the log does not tell
};

const std::vector<KnownTransfer>& KnownTransfers() {
  static const std::vector<KnownTransfer> known = {
      {kStaticDownloadTitle, StaticTransferPlan(captions::kBtnStaticCmd), kStaticImageSize},
      {captions::kBtnCrossDownCmd, CrossTransferPlan(captions::kBtnCrossDownCmd),
       kCrossDownloadSize},
      {captions::kBtnEepromCmd, FontTransferPlan(captions::kBtnEepromCmd, 0), 0},
  };
  return known;
}

}  // namespace

std::vector<LogEntry> ReadLogEntries(std::string_view text) {
  std::vector<LogEntry> entries;
  std::size_t number = 1;
  while (!text.empty()) {
    const std::size_t end = text.find_first_of("\r\n");
    entries.push_back(ReadEntry(text.substr(0, end), number++));
    if (end == std::string_view::npos) break;
    text.remove_prefix(
        end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1));
  }
  return entries;
}

bool IsCommunicationLog(std::string_view text) {
  for (const LogEntry& entry : ReadLogEntries(text))
    if (entry.kind == LogEntry::Kind::Title || entry.kind == LogEntry::Kind::Sent ||
        entry.kind == LogEntry::Kind::Received)
      return true;
  return false;
}

std::vector<LogBlock> ReadLogBlocks(std::string_view text) {
  std::vector<LogBlock> blocks;
  std::map<std::string, std::size_t> open;  // port -> its block being read
  std::string last_port;
  for (LogEntry& entry : ReadLogEntries(text)) {
    // A blank line carries no label in a trace; it ends the block of the port just heard.
    const std::string port =
        entry.kind == LogEntry::Kind::Blank && entry.port.empty() ? last_port : entry.port;
    last_port = port;
    const auto found = open.find(port);
    if (entry.kind == LogEntry::Kind::Blank) {
      if (found != open.end()) open.erase(found);
      continue;
    }
    if (entry.kind == LogEntry::Kind::Title || found == open.end()) {
      LogBlock block;
      block.port = port;
      block.line = entry.line;
      if (entry.kind == LogEntry::Kind::Title) block.title = entry.text;
      open[port] = blocks.size();
      blocks.push_back(std::move(block));
      if (entry.kind == LogEntry::Kind::Title) continue;
    }
    blocks[open[port]].entries.push_back(std::move(entry));
  }
  return blocks;
}

std::vector<LoggedRequest> RequestsOf(const LogBlock& block) {
  std::vector<LoggedRequest> requests;
  for (const LogEntry& entry : block.entries) {
    if (entry.kind == LogEntry::Kind::Sent)
      requests.push_back({&entry, nullptr});
    else if (entry.kind == LogEntry::Kind::Received && !requests.empty() &&
             !requests.back().received)
      requests.back().received = &entry;
  }
  return requests;
}

std::optional<TransferSummary> TransferOf(const LogBlock& block) {
  const auto has = [&block](std::string_view line) {
    for (const LogEntry& entry : block.entries)
      if (entry.kind == LogEntry::Kind::Phase && entry.text == line) return true;
    return false;
  };
  if (!has(kErasingLogLine)) return std::nullopt;
  TransferSummary summary;
  summary.title = block.title;
  const KnownTransfer* known = nullptr;
  for (const KnownTransfer& k : KnownTransfers())
    if (k.title == block.title) known = &k;
  const std::string success = known ? known->plan.success_log_line : std::string(kWrittenLogLine);
  if (has(kEraseFailedLogLine))
    summary.result = TransferSummary::Result::EraseFailed;
  else if (has(kWriteFailedLogLine))
    summary.result = TransferSummary::Result::WriteFailed;
  else if (has(success))
    summary.result = TransferSummary::Result::Done;
  if (!known) return summary;
  // The write phase begins once every region is erased.
  if (has(kWritingLogLine) && !known->plan.erase.empty() && known->size)
    summary.erased = known->plan.erase;
  if (summary.result == TransferSummary::Result::Done && known->size) {
    summary.first = known->plan.base;
    summary.end = known->plan.base + static_cast<std::uint32_t>(known->size);
    summary.bytes = known->size;
  }
  return summary;
}

}  // namespace zotpx
