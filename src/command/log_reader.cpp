#include "command/log_reader.h"

#include <algorithm>
#include <array>
#include <iterator>

#include "base/hex.h"
#include "base/log_time.h"
#include "base/printable.h"
#include "base/text_lines.h"
#include "base/texts.h"
#include "crosshair/cross_download.h"
#include "serial/memory_transfer.h"
#include "text/cp936.h"
#include "text/font_library.h"
#include "text/static_file.h"

namespace zotpx {

namespace {

constexpr std::string_view kTitleOpen = "【";
constexpr std::string_view kTitleClose = "】";
constexpr Language kLanguages[] = {Language::Chinese, Language::English};

bool StartsWith(std::string_view text, std::string_view start) {
  return text.substr(0, start.size()) == start;
}

// A text in every language a log may have been written in.
using InEither = std::array<std::string_view, std::size(kLanguages)>;

InEither TextsOf(TextId id) {
  InEither texts;
  for (std::size_t i = 0; i < texts.size(); ++i) texts[i] = TextIn(kLanguages[i], id);
  return texts;
}

// A log is read whichever language wrote it: the line's label, in either, taken off it.
bool TakeLabel(std::string_view& line, const InEither& labels) {
  for (const std::string_view label : labels) {
    if (StartsWith(line, label)) {
      line.remove_prefix(label.size());
      return true;
    }
  }
  return false;
}

bool IsTextIn(std::string_view line, TextId id) {
  for (const Language language : kLanguages)
    if (line == TextIn(language, id)) return true;
  return false;
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

// What the three downloads put where, by their log titles.
struct KnownTransfer {
  std::string title;
  TransferPlan plan;
  std::size_t size;  // 0: the file's, which the log does not tell
};

// Those of both languages: a log may come from a tool that spoke either.
const std::vector<KnownTransfer>& KnownTransfers() {
  static const std::vector<KnownTransfer> known = [] {
    std::vector<KnownTransfer> all;
    for (const Language language : kLanguages) {
      const std::string statics(TextIn(language, "caption.BtnStaticCmd"));
      const std::string cross(TextIn(language, "caption.BtnCrossDownCmd"));
      const std::string font(TextIn(language, "caption.BtnEepromCmd"));
      all.push_back({std::string(TextIn(language, kStaticDownloadTitle.id())),
                     StaticTransferPlan(statics), kStaticImageSize});
      all.push_back({cross, CrossTransferPlan(cross), kCrossDownloadSize});
      all.push_back({font, FontTransferPlan(font, 0), 0});
    }
    return all;
  }();
  return known;
}

// The time a line of the block was logged, by its text.
// The block's phase line that is one of `ids`' texts, in whichever language wrote it.
const LogEntry* PhaseOf(const LogBlock& block, std::initializer_list<TextId> ids) {
  for (const LogEntry& entry : block.entries)
    if (entry.kind == LogEntry::Kind::Phase)
      for (const TextId id : ids)
        if (IsTextIn(entry.text, id)) return &entry;
  return nullptr;
}

std::optional<std::int64_t> TimeOf(const LogBlock& block, std::initializer_list<TextId> ids) {
  const LogEntry* entry = PhaseOf(block, ids);
  return entry ? entry->time : std::nullopt;
}

std::optional<std::int64_t> Between(std::optional<std::int64_t> from,
                                    std::optional<std::int64_t> to) {
  if (!from || !to) return std::nullopt;
  return *to - *from;
}

}  // namespace

LogEntry ReadLogEntry(std::string_view line, std::size_t number) {
  // Every line of a log asks for them: looked up once.
  static const InEither kSent = TextsOf("serial.log_sent");
  static const InEither kReceived = TextsOf("serial.log_received");
  LogEntry entry;
  entry.line = number;
  // A byte order mark that an editor put before the first line is no part of it.
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (number == 1 && StartsWith(line, kByteOrderMark)) line.remove_prefix(kByteOrderMark.size());
  std::string converted;
  if (!IsUtf8(line)) {
    // A log saved as GBK by another editor or an older tool reads the same.
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(line.data()),
                                              line.size());
    if (std::optional<std::string> utf8 = Cp936ToUtf8(bytes)) {
      converted = std::move(*utf8);
      line = converted;
      entry.cp936 = true;
    } else {
      entry.no_text = true;
    }
  }
  entry.time = TakeLogTime(line);
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
  } else if (std::string_view bytes = line; TakeLabel(bytes, kSent)) {
    entry.kind = LogEntry::Kind::Sent;
    entry.bytes = HexPairs(bytes);
  } else if (TakeLabel(bytes, kReceived)) {
    entry.kind = LogEntry::Kind::Received;
    entry.bytes = HexPairs(bytes);
  } else {
    entry.kind = LogEntry::Kind::Phase;
    entry.text = std::string(line);
  }
  return entry;
}

std::vector<LogEntry> ReadLogEntries(std::string_view text) {
  std::vector<LogEntry> entries;
  LineSplitter lines;
  const auto add = [&entries](std::string_view line) {
    entries.push_back(ReadLogEntry(line, entries.size() + 1));
  };
  lines.Feed(text, add);
  lines.Finish(add);
  return entries;
}

bool IsLogEntry(const LogEntry& entry) {
  return entry.kind == LogEntry::Kind::Title || entry.kind == LogEntry::Kind::Sent ||
         entry.kind == LogEntry::Kind::Received;
}

bool IsCommunicationLog(std::string_view text) {
  for (const LogEntry& entry : ReadLogEntries(text))
    if (IsLogEntry(entry)) return true;
  return false;
}

void LogBlockReader::Add(LogEntry entry) {
  // A blank line carries no label in a trace; it ends the block of the port just heard.
  if (entry.kind != LogEntry::Kind::Blank || !entry.port.empty()) last_port_ = entry.port;
  const std::string& port = last_port_;
  auto found = std::find_if(open_.begin(), open_.end(),
                            [&port](const LogBlock& block) { return block.port == port; });
  if (entry.kind == LogEntry::Kind::Blank) {
    if (found == open_.end()) return;
    found->end_time = entry.time;
    LogBlock done = std::move(*found);
    open_.erase(found);
    done_(std::move(done));
    return;
  }
  if (entry.kind == LogEntry::Kind::Title || found == open_.end()) {
    // A title while the port's block is still open begins the next block: that one has ended.
    if (found != open_.end()) {
      LogBlock done = std::move(*found);
      open_.erase(found);
      done_(std::move(done));
    }
    LogBlock block;
    block.port = port;
    block.line = entry.line;
    block.time = entry.time;
    const bool title = entry.kind == LogEntry::Kind::Title;
    if (title) block.title = std::move(entry.text);
    open_.push_back(std::move(block));
    if (title) return;
    found = open_.end() - 1;
  }
  found->entries.push_back(std::move(entry));
}

void LogBlockReader::Finish() {
  std::vector<LogBlock> open = std::move(open_);
  open_.clear();
  for (LogBlock& block : open) done_(std::move(block));
}

const CommandRow* RowByTitle(std::string_view title) {
  // The title's id, from whichever language's catalogue has it; then the row that has that
  // id's text in the process's language.
  for (const Language language : kLanguages)
    for (const CatalogueEntry& entry : Catalogue(language)) {
      if (entry.text != title ||
          !(StartsWith(entry.id, "caption.") || StartsWith(entry.id, "command.title_")))
        continue;
      const std::string_view current = FindText(CurrentLanguage(), entry.id);
      for (const CommandRow& row : CommandRows())
        if (row.title == current) return &row;
    }
  return nullptr;
}

std::vector<LogBlock> ReadLogBlocks(std::string_view text) {
  std::vector<LogBlock> blocks;
  LogBlockReader reader([&blocks](LogBlock&& block) { blocks.push_back(std::move(block)); });
  for (LogEntry& entry : ReadLogEntries(text)) reader.Add(std::move(entry));
  reader.Finish();
  std::stable_sort(blocks.begin(), blocks.end(),
                   [](const LogBlock& a, const LogBlock& b) { return a.line < b.line; });
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
  const auto has = [&block](std::initializer_list<TextId> ids) {
    return PhaseOf(block, ids) != nullptr;
  };
  if (!has({kErasingLogLine.id()})) return std::nullopt;
  TransferSummary summary;
  summary.title = block.title;
  const KnownTransfer* known = nullptr;
  for (const KnownTransfer& k : KnownTransfers())
    if (!known && k.title == block.title) known = &k;
  // What goes where: the command line's log says; of the window's, the title tells all but
  // the font library's size.
  std::optional<LoggedTransferData> data;
  std::optional<std::size_t> interrupted;
  for (const LogEntry& entry : block.entries) {
    if (entry.kind != LogEntry::Kind::Phase) continue;
    if (!data) data = ReadTransferDataLogLine(entry.text);
    if (!interrupted) interrupted = ReadInterruptedTransferText(entry.text);
    // Stopped before a byte was written: the erase phase's interruption says no count.
    if (!interrupted && IsTextIn(entry.text, "serial.log_interrupted")) interrupted = 0;
  }
  if (!data && known && known->size) data = LoggedTransferData{known->plan.base, known->size};
  // A static command download logs its own success line instead of the memory's.
  const std::initializer_list<TextId> success = {kWrittenLogLine.id(),
                                                 "text.static_downloaded_log"};
  std::optional<std::int64_t> erase_end, write_end;
  if (has({kEraseFailedLogLine.id()})) {
    summary.result = TransferSummary::Result::EraseFailed;
    erase_end = TimeOf(block, {kEraseFailedLogLine.id()});
  } else if (has({kWriteFailedLogLine.id()})) {
    summary.result = TransferSummary::Result::WriteFailed;
    write_end = TimeOf(block, {kWriteFailedLogLine.id()});
  } else if (interrupted) {
    summary.result = TransferSummary::Result::Interrupted;
  } else if (has(success)) {
    summary.result = TransferSummary::Result::Done;
    write_end = TimeOf(block, success);
  }
  const bool writing = has({kWritingLogLine.id()});
  summary.erase_us = Between(TimeOf(block, {kErasingLogLine.id()}),
                             writing ? TimeOf(block, {kWritingLogLine.id()}) : erase_end);
  if (writing) summary.write_us = Between(TimeOf(block, {kWritingLogLine.id()}), write_end);
  if (!data) return summary;
  // The write phase begins once every region is erased.
  if (writing) {
    summary.erased = ErasePlan(data->base, data->size);
    summary.erase_requests = summary.erased.size();
  }
  std::optional<std::size_t> written;
  if (summary.result == TransferSummary::Result::Done) written = data->size;
  if (interrupted && writing) written = interrupted;
  if (written) {
    summary.bytes = *written;
    summary.write_requests = (*written + kMemoryBlockSize - 1) / kMemoryBlockSize;
    if (*written) {
      summary.first = data->base;
      summary.end = data->base + static_cast<std::uint32_t>(*written);
    }
  }
  if (summary.result == TransferSummary::Result::Done) JudgeTransferTimes(summary);
  return summary;
}

}  // namespace zotpx
