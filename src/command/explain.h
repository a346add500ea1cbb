// Bytes of the serial line in words: command frames by the command table, replies, the connect
// scan's probe, the identification, and what a memory transfer did. For `zotpx decode`, and for
// any face that shows what a line of the communication log means.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "command/codec.h"

namespace zotpx {

enum class Direction { Unknown, Sent, Received };

// One piece of what went on the line.
struct Piece {
  enum class Kind {
    Frame,           // 55 AA and as many bytes as its length byte says
    Cut,             // 55 AA, but the bytes end before its length byte is met
    Probe,           // 5A: the connect scan asks at a rate
    ProbeAnswer,     // A5: a device answers at that rate
    Identification,  // the device's raw answer to the identify request
    Other,           // bytes that are none of these
  };
  Kind kind = Kind::Other;
  Bytes bytes;
};

// Splits bytes as the line carried them: frames by their length byte, the pieces between them
// by what they are.
std::vector<Piece> SplitPieces(std::span<const std::uint8_t> bytes);

// A frame that reads as the device's reply rather than a request: one data byte, and not the
// identify request (55 AA 00 01 FF 00).
bool IsReplyFrame(std::span<const std::uint8_t> frame);

// What a reply says: whose acknowledgement it is and its status. The memory requests count
// only status 01 as done.
struct ReplyMeaning {
  std::uint8_t command = 0;
  const CommandRow* row = nullptr;  // the request's, where the caller knows it
  std::uint8_t status = 0;
  bool checksum_ok = false;
  bool memory = false;
  bool accepted = false;  // as the tool takes it: 6 bytes, the request's code, and for memory 01
};
ReplyMeaning ReadReply(std::span<const std::uint8_t> frame,
                       std::optional<std::uint8_t> request = std::nullopt);
// The request's title, or every title its code stands for ("日期控制命令/时间控制命令").
std::string ReplyTitle(const ReplyMeaning& reply);

// The identification text, split: the model word and the version after it.
struct IdentificationText {
  std::string model;    // "ZOT-PA"
  std::string version;  // what follows the model word
  std::string text;     // the whole text, as the window's version box shows it
};
std::optional<IdentificationText> ReadIdentification(std::span<const std::uint8_t> bytes);

// One line each, without the direction: "rect (矩形控制命令) colour=fg ...; checksum ok".
std::string DescribeFrame(const DecodedFrame& frame);
std::string DescribeReply(const ReplyMeaning& reply);
// The same lines cut into their parts, for a face that shows one a line: the command and its
// values, each problem, the checksum's verdict, the refusal.
std::vector<std::string> DescribeFrameParts(const DecodedFrame& frame);
std::vector<std::string> DescribeReplyParts(const ReplyMeaning& reply);
std::string DescribePiece(const Piece& piece, Direction direction);

// What a memory transfer did, from its frames or from a log block's phase lines.
struct TransferSummary {
  enum class Result { Unknown, Done, EraseFailed, WriteFailed };
  std::string title;                   // the download's log title, when known
  std::vector<std::uint32_t> erased;   // region starts asked for
  std::optional<std::uint32_t> first;  // the address range written, when known
  std::uint32_t end = 0;               // one past the last byte
  std::size_t bytes = 0;               // how many bytes were written (acknowledged, with replies)
  std::size_t requests = 0;
  bool gaps = false;  // writes that do not follow on from each other
  Result result = Result::Unknown;
};
std::string DescribeTransfer(const TransferSummary& summary);

// Follows erase and write requests and their acknowledgements as they go by.
class TransferTracker {
 public:
  void Sent(const DecodedFrame& frame);
  void Received(std::span<const std::uint8_t> frame);
  bool active() const { return summary_.requests > 0; }
  // Without any reply in sight the bytes are those sent and the result is unknown; with
  // replies, those acknowledged, and a request left unanswered failed.
  TransferSummary summary() const;

 private:
  TransferSummary summary_;
  std::optional<std::uint32_t> next_;  // where a write that follows on would begin
  bool replies_ = false;
  bool awaiting_ = false;    // the last request has had no reply yet
  bool last_erase_ = false;  // ... and it was an erase
  std::size_t last_bytes_ = 0;
  std::size_t sent_bytes_ = 0;
  std::size_t acknowledged_bytes_ = 0;
};

}  // namespace zotpx
