// What zotpx decode says of each piece of the line, and of each memory transfer: a line of text
// or a JSON object, kept or left out as --only and --errors say, or counted for --stats.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "command/explain.h"

namespace zotpx::cli {

// What was asked besides the inputs.
struct DecodeChoice {
  bool json = false;
  std::vector<const CommandRow*> only;  // empty: every command
  bool errors = false;
  bool stats = false;
};

// Where a piece was found.
struct Where {
  const std::string* source = nullptr;
  std::size_t line = 0;   // from 1; 0: a piece of hex, numbered
  std::size_t piece = 0;  // the n-th piece of hex given as such
  std::string_view port;
};

// One thing decode says.
struct Item {
  enum class Kind { Piece, Transfer };
  Kind kind = Kind::Piece;
  Where where;
  Direction direction = Direction::Unknown;
  const Piece* piece = nullptr;
  const DecodedFrame* frame = nullptr;  // a command frame
  const ReplyMeaning* reply = nullptr;  // a reply
  const TransferSummary* transfer = nullptr;
  const CommandRow* row = nullptr;  // the command it is, or answers
  const char* label = nullptr;      // instead of sent / received: "record ", "skipped "
  bool skipped = false;             // a static text's line the download skips
  std::vector<std::string> notes;   // after its words: what the log says of it, its times
  std::vector<std::string> late;    // the device's time limits it broke
  std::optional<std::int64_t> time;
  std::optional<std::int64_t> gap_us;
  std::optional<std::int64_t> latency_us;
  std::optional<std::int64_t> unanswered_us;  // a request without reply: how long until the end
  bool no_reply = false;                      // a logged request whose reply was not accepted
  bool error = false;
};

// A frame that reads as a reply: one received, or one of a reply's form when the direction is
// not known.
bool IsReply(const Piece& piece, Direction direction);

class DecodeOutput {
 public:
  explicit DecodeOutput(const DecodeChoice& choice);
  ~DecodeOutput();
  DecodeOutput(const DecodeOutput&) = delete;
  DecodeOutput& operator=(const DecodeOutput&) = delete;

  // A block's title: printed before the first thing of the block that is kept (at once, without
  // filters).
  void Title(const Where& where, const std::string& title);
  void EndBlock();
  // Judges the item (its `error`), then prints it, counts it, or leaves it out.
  void Say(Item& item);
  // The summary, with --stats; standard output flushed.
  void Finish();
  // How many items kept were wrong.
  std::size_t errors() const;

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace zotpx::cli
