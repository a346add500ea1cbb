// The communication log read back: the window's log (shown or saved), `zotpx --log` files and
// station logs whose lines carry a "[port] " label, as --trace prints them, with or without
// the times of --log-time. A block is 【title】, 发送：/接收： lines in hex, phase lines, and a
// blank line. A line in code page 936 (a log saved as GBK) is read as such. A log reads the same
// whichever language the tool that wrote it spoke: labels and titles are known in both.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/bytes.h"
#include "command/explain.h"

namespace zotpx {

struct LogEntry {
  enum class Kind { Title, Sent, Received, Phase, Blank };
  Kind kind = Kind::Phase;
  std::size_t line = 0;              // from 1
  std::optional<std::int64_t> time;  // --log-time's, in microseconds since 1970 (UTC)
  std::string port;                  // the line's "[port] " label; empty without one
  std::string text;                  // Title: the title; Phase: the line
  Bytes bytes;                       // Sent, Received
  bool cp936 = false;                // the line was code page 936, not UTF-8
  bool no_text = false;              // ... nor that: bytes that are no text at all
};

// One line (without its line end) as entry `number`.
LogEntry ReadLogEntry(std::string_view line, std::size_t number);
// One entry a line; LF, CR LF and CR all end a line.
std::vector<LogEntry> ReadLogEntries(std::string_view text);
// Whether the entry is one only a communication log has: a title, 发送： or 接收：.
bool IsLogEntry(const LogEntry& entry);
// Whether the text reads as a communication log: it has such a line.
bool IsCommunicationLog(std::string_view text);

// One command's block: its title, then what it logged, in order. A station log's blocks are
// gathered per port, so a port's block stays whole however the ports' lines interleave.
struct LogBlock {
  std::string port;
  std::string title;
  std::size_t line = 0;                  // of its title
  std::optional<std::int64_t> time;      // of its title
  std::optional<std::int64_t> end_time;  // of the blank line that ended it
  std::vector<LogEntry> entries;
};

// Gathers blocks from entries as they come, and hands each on once it ends: at its blank
// line, or (Finish) at the end of the log, in the order they began.
class LogBlockReader {
 public:
  explicit LogBlockReader(std::function<void(LogBlock&&)> done) : done_(std::move(done)) {}
  void Add(LogEntry entry);
  void Finish();

 private:
  std::function<void(LogBlock&&)> done_;
  std::vector<LogBlock> open_;  // one per port at most, in the order they began
  std::string last_port_;
};
// The command a block's title names, in either language; nullptr for a title of no row.
const CommandRow* RowByTitle(std::string_view title);

// The whole text's blocks, in the order they began.
std::vector<LogBlock> ReadLogBlocks(std::string_view text);

// A request of a block and whether the device's reply was logged after it: the tool logs a reply
// only when it accepted it.
struct LoggedRequest {
  const LogEntry* sent = nullptr;
  const LogEntry* received = nullptr;  // nullptr: no accepted reply
};
std::vector<LoggedRequest> RequestsOf(const LogBlock& block);

// The memory transfer a block's phase lines tell of (the downloads log no frames): the
// addresses of the download its title names, or those the command line's log gives; how long
// each phase took, when the log has times. Nothing for a block that is no transfer.
std::optional<TransferSummary> TransferOf(const LogBlock& block);

}  // namespace zotpx
