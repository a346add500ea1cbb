// The communication log read back: the window's log (shown or saved), `zotpx --log` files and
// station logs whose lines carry a "[port] " label, as --trace prints them. A block is 【title】,
// 发送：/接收： lines in hex, phase lines, and a blank line.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "base/bytes.h"
#include "command/explain.h"

namespace zotpx {

struct LogEntry {
  enum class Kind { Title, Sent, Received, Phase, Blank };
  Kind kind = Kind::Phase;
  std::size_t line = 0;  // from 1
  std::string port;      // the line's "[port] " label; empty without one
  std::string text;      // Title: the title; Phase: the line
  Bytes bytes;           // Sent, Received
};

// One entry a line; LF, CR LF and CR all end a line.
std::vector<LogEntry> ReadLogEntries(std::string_view text);
// Whether the text reads as a communication log: it has a title, 发送： or 接收： line.
bool IsCommunicationLog(std::string_view text);

// One command's block: its title, then what it logged, in order. A station log's blocks are
// gathered per port, so a port's block stays whole however the ports' lines interleave.
struct LogBlock {
  std::string port;
  std::string title;
  std::size_t line = 0;  // of its title
  std::vector<LogEntry> entries;
};
std::vector<LogBlock> ReadLogBlocks(std::string_view text);

// A request of a block and whether the device's reply was logged after it: the tool logs a reply
// only when it accepted it.
struct LoggedRequest {
  const LogEntry* sent = nullptr;
  const LogEntry* received = nullptr;  // nullptr: no accepted reply
};
std::vector<LoggedRequest> RequestsOf(const LogBlock& block);

// The memory transfer a block's phase lines tell of (the downloads log no frames), with the
// addresses of the download its title names; nothing for a block that is no transfer.
std::optional<TransferSummary> TransferOf(const LogBlock& block);

}  // namespace zotpx
