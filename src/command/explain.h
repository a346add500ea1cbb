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

// What a reply says, judged as the tool judges it: whose acknowledgement it is, its status, and
// every reason the tool would not take it. The memory requests count only status 01 as done.
struct ReplyMeaning {
  std::uint8_t command = 0;
  const CommandRow* row = nullptr;      // the request's, where the caller knows it
  std::optional<std::uint8_t> request;  // the request's code, where known
  std::uint8_t status = 0;
  bool checksum_ok = false;
  std::uint8_t checksum = 0;  // what it should be
  bool memory = false;        // the answer to a memory request (by its code, without one)
  bool accepted = false;  // as the tool takes it: 6 bytes, the request's code, and for memory 01
  // Why it is not taken, each reason (its length, its code against the request's or against
  // every command's); a wrong checksum and a memory refusal are said apart.
  std::vector<std::string> problems;
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

// What a memory transfer did, from its frames or from a log block's lines: what the device
// acknowledged, never more.
struct TransferSummary {
  enum class Result { Unknown, Done, EraseFailed, WriteFailed, Interrupted };
  std::string title;  // the download's log title, when known
  // Whether the figures are what the device acknowledged; false: no reply was in sight, and
  // they are what was asked of it.
  bool acknowledged = true;
  std::vector<std::uint32_t> erased;   // region starts
  std::optional<std::uint32_t> first;  // the address range written, when known
  std::uint32_t end = 0;               // one past the last byte
  std::size_t bytes = 0;
  std::optional<std::size_t> erase_requests;  // when known
  std::optional<std::size_t> write_requests;
  bool gaps = false;  // writes that do not follow on from each other
  Result result = Result::Unknown;
  // How long each phase took, from a log with times (microseconds).
  std::optional<std::int64_t> erase_us;
  std::optional<std::int64_t> write_us;
  std::vector<std::string> problems;  // the device's time limits broken
};
std::string DescribeTransfer(const TransferSummary& summary);
// "erase-failed" and the like, as --json names a result.
const char* TransferResultName(TransferSummary::Result result);
// Whether the phases' times break the device's limits (5000 ms an erase, 1000 ms a write, to
// the first byte of each reply): said in the summary's problems. Its requests must be known.
void JudgeTransferTimes(TransferSummary& summary);

// Follows erase and write requests and their acknowledgements as they go by.
class TransferTracker {
 public:
  void Sent(const DecodedFrame& frame);
  void Received(std::span<const std::uint8_t> frame);
  bool active() const { return erases_ + writes_ > 0; }
  // With replies in sight, what was acknowledged, and a request left unanswered failed; without
  // any, what was asked, and the result is unknown.
  TransferSummary summary() const;

 private:
  struct Request {
    bool erase = false;
    std::uint32_t address = 0;
    std::size_t bytes = 0;
  };
  // A request taken into a summary; `next` is where a write that follows on would begin.
  static void Add(TransferSummary& into, std::optional<std::uint32_t>& next,
                  const Request& request);

  TransferSummary acknowledged_;
  TransferSummary asked_;
  std::optional<std::uint32_t> next_acknowledged_;
  std::optional<std::uint32_t> next_asked_;
  std::optional<Request> awaiting_;  // the last request, while it has had no reply
  std::size_t erases_ = 0;
  std::size_t writes_ = 0;
  bool replies_ = false;
  TransferSummary::Result failed_ = TransferSummary::Result::Unknown;
};

// A duration as decode shows it: "0.412 ms", "12.3 ms", "1.204 s".
std::string DurationText(std::int64_t microseconds);

}  // namespace zotpx
