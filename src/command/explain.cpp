#include "command/explain.h"

#include <algorithm>
#include <cstdio>

#include "base/device_model.h"
#include "base/hex.h"
#include "base/printable.h"
#include "device/connect.h"
#include "serial/frame.h"
#include "serial/memory_transfer.h"

namespace zotpx {

namespace {

std::string Hex2(unsigned value) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  return {kDigits[(value >> 4) & 0xF], kDigits[value & 0xF]};
}

std::string Address(std::uint32_t address) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%06X", address);
  return text;
}

void AddOther(std::vector<Piece>& pieces, Bytes& other) {
  if (other.empty()) return;
  if (ReadIdentification(other)) {
    pieces.push_back({Piece::Kind::Identification, std::move(other)});
  } else if (std::all_of(other.begin(), other.end(),
                         [](std::uint8_t b) { return b == kProbeByte || b == kProbeAnswer; })) {
    for (const std::uint8_t b : other)
      pieces.push_back({b == kProbeByte ? Piece::Kind::Probe : Piece::Kind::ProbeAnswer, {b}});
  } else {
    pieces.push_back({Piece::Kind::Other, std::move(other)});
  }
  other.clear();
}

// Every title a code stands for, when no request says which: "日期控制命令/时间控制命令".
std::string TitlesOf(std::uint8_t command) {
  std::string titles;
  for (const CommandRow& row : CommandRows())
    if (row.command == command) titles += (titles.empty() ? "" : "/") + row.title;
  return titles;
}

std::string Hex0x(unsigned value) {
  return "0x" + Hex2(value);
}

}  // namespace

std::vector<Piece> SplitPieces(std::span<const std::uint8_t> bytes) {
  std::vector<Piece> pieces;
  Bytes other;
  std::size_t i = 0;
  while (i < bytes.size()) {
    if (bytes[i] != 0x55 || i + 1 >= bytes.size() || bytes[i + 1] != 0xAA) {
      other.push_back(bytes[i++]);
      continue;
    }
    AddOther(pieces, other);
    const std::size_t total = i + 3 < bytes.size() ? std::size_t{bytes[i + 3]} + 5 : 0;
    if (total == 0 || i + total > bytes.size()) {
      pieces.push_back(
          {Piece::Kind::Cut, Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(i), bytes.end())});
      return pieces;
    }
    pieces.push_back(
        {Piece::Kind::Frame, Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(i),
                                   bytes.begin() + static_cast<std::ptrdiff_t>(i + total))});
    i += total;
  }
  AddOther(pieces, other);
  return pieces;
}

bool IsReplyFrame(std::span<const std::uint8_t> frame) {
  return frame.size() == 6 && frame[0] == 0x55 && frame[1] == 0xAA && frame[3] == 1 &&
         !(frame[2] == 0x00 && frame[4] == 0xFF);
}

ReplyMeaning ReadReply(std::span<const std::uint8_t> frame, std::optional<std::uint8_t> request) {
  ReplyMeaning reply;
  reply.request = request;
  if (frame.size() < 5) return reply;
  const std::uint8_t command = frame[2];
  reply.command = command;
  const bool sized = frame.size() == std::size_t{frame[3]} + 5;
  reply.checksum = FrameChecksum(frame.data(), frame.size());
  reply.checksum_ok = sized && reply.checksum == frame.back();
  reply.status = frame.size() >= 6 ? frame[4] : 0;
  reply.memory = request.value_or(command) == kMemoryCommand;
  // Every reason, in the order the reader and then the transaction meet them.
  if (command > 0x1F)
    reply.problems.push_back("code " + Hex0x(command) + " is above 0x1F: never a frame");
  if (!sized)
    reply.problems.push_back("its length byte says " + std::to_string(frame[3]) + " data bytes, " +
                             std::to_string(frame.size() - 5) + " came");
  else if (frame[3] != 1)
    reply.problems.push_back("a reply has 1 data byte, this one " + std::to_string(frame[3]));
  if (request && *request != command)
    reply.problems.push_back("its code " + Hex0x(command) + " is not the request's " +
                             Hex0x(*request));
  else if (!request && command <= 0x1F && TitlesOf(command).empty())
    reply.problems.push_back("no command of the device has code " + Hex0x(command));
  reply.accepted =
      reply.problems.empty() && reply.checksum_ok && (!reply.memory || reply.status == 0x01);
  return reply;
}

std::optional<IdentificationText> ReadIdentification(std::span<const std::uint8_t> bytes) {
  const std::optional<Identification> found = AcceptIdentifyReply(bytes.data(), bytes.size());
  if (!found) return std::nullopt;
  IdentificationText text;
  text.model = std::string(ModelName(found->model));
  text.text = found->version;
  text.version = text.text.size() > text.model.size() ? text.text.substr(text.model.size() + 1)
                                                      : std::string();
  return text;
}

namespace {

// A frame's parts, one at a time to `add`: a list for the window's tips, one line for decode,
// from the one place that words them.
template <typename Add>
void FrameParts(const DecodedFrame& frame, Add&& add) {
  if (!frame.framed) {
    if (frame.problems.empty()) add(std::string("no frame"));
    for (const std::string& problem : frame.problems) add(problem);
    return;
  }
  if (frame.row) {
    std::string what = frame.row->title;
    what += ' ';
    what += frame.row->name;
    if (frame.values) {
      std::string fields;
      if (frame.row->blocks.max_blocks) {
        const Values& values = *frame.values;
        what += frame.block ? " block " + std::to_string(frame.block) + " of " +
                                  std::to_string(BitmapBlockCount(*values["file"].picture))
                            : " control frame";
        Values shown = values;
        shown["control-only"].index = 0;  // a frame on its own does not tell
        fields = DescribeValues(shown);
      } else {
        fields = DescribeValues(*frame.values);
      }
      if (!fields.empty()) {
        what += ' ';
        what += fields;
      }
    }
    add(std::move(what));
  }
  for (const std::string& problem : frame.problems) add(problem);
  // The frame as it stands carries its checksum last.
  add(frame.checksum_ok ? std::string("checksum ok")
                        : "checksum wrong (should be " + Hex2(frame.checksum) + "): dropped");
  if (frame.refusal) add("refused: " + frame.row->title + *frame.refusal);
}

template <typename Add>
void ReplyParts(const ReplyMeaning& reply, Add&& add) {
  std::string what = "reply to " + ReplyTitle(reply);
  const auto status = [&what, &reply] {
    what += " (status ";
    what += Hex2(reply.status);
    what += ')';
  };
  if (reply.accepted && reply.memory) {
    what += ": done";
  } else {
    what += reply.accepted                                                ? ": acknowledged"
            : reply.memory && reply.problems.empty() && reply.checksum_ok ? ": refused"
                                                                          : ": not accepted";
    status();
  }
  add(std::move(what));
  for (const std::string& problem : reply.problems) add(problem);
  add(reply.checksum_ok
          ? std::string("checksum ok")
          : "checksum wrong (should be " + Hex2(reply.checksum) + "): dropped by the reader");
}

// The parts as one line: "a; b; c".
struct JoinedLine {
  std::string line;
  void operator()(const std::string& part) {
    if (!line.empty()) line += "; ";
    line += part;
  }
};

}  // namespace

std::vector<std::string> DescribeFrameParts(const DecodedFrame& frame) {
  std::vector<std::string> parts;
  FrameParts(frame, [&parts](std::string part) { parts.push_back(std::move(part)); });
  return parts;
}

std::string DescribeFrame(const DecodedFrame& frame) {
  JoinedLine joined;
  FrameParts(frame, [&joined](const std::string& part) { joined(part); });
  return std::move(joined.line);
}

std::string ReplyTitle(const ReplyMeaning& reply) {
  if (reply.row) return reply.row->title;
  // The request's code names it better than the reply's, which may be wrong.
  const std::uint8_t code = reply.request.value_or(reply.command);
  const std::string titles = TitlesOf(code);
  return titles.empty() ? "code " + Hex2(code) : titles;
}

std::vector<std::string> DescribeReplyParts(const ReplyMeaning& reply) {
  std::vector<std::string> parts;
  ReplyParts(reply, [&parts](std::string part) { parts.push_back(std::move(part)); });
  return parts;
}

std::string DescribeReply(const ReplyMeaning& reply) {
  JoinedLine joined;
  ReplyParts(reply, [&joined](const std::string& part) { joined(part); });
  return std::move(joined.line);
}

std::string DescribePiece(const Piece& piece, Direction direction) {
  switch (piece.kind) {
    case Piece::Kind::Frame: {
      if (direction == Direction::Received ||
          (direction == Direction::Unknown && IsReplyFrame(piece.bytes))) {
        return DescribeReply(ReadReply(piece.bytes));
      }
      return DescribeFrame(DecodeFrame(piece.bytes));
    }
    case Piece::Kind::Cut:
      return "a frame cut short: " + std::to_string(piece.bytes.size()) + " bytes" +
             (piece.bytes.size() >= 4
                  ? ", its length byte asks for " + std::to_string(piece.bytes[3] + 5)
                  : std::string());
    case Piece::Kind::Probe:
      return "probe " + Hex2(kProbeByte) +
             ": the connect scan asks whether a device listens at "
             "this rate";
    case Piece::Kind::ProbeAnswer:
      return "probe answer " + Hex2(kProbeAnswer) + ": a device listens at this rate";
    case Piece::Kind::Identification: {
      const IdentificationText id = *ReadIdentification(piece.bytes);
      return "identification: model " + id.model + ", version " + QuotedText(id.version);
    }
    case Piece::Kind::Other:
      break;
  }
  std::string hex = HexText(piece.bytes.data(), std::min<std::size_t>(piece.bytes.size(), 16));
  hex.pop_back();
  return std::to_string(piece.bytes.size()) +
         (piece.bytes.size() == 1 ? " byte that is" : " bytes that are") + " no frame: " + hex +
         (piece.bytes.size() > 16 ? " ..." : "");
}

std::string DurationText(std::int64_t us) {
  // Whole numbers only: printf's floating point costs more than all the rest of a line.
  const bool negative = us < 0;
  const std::uint64_t magnitude =
      negative ? 0 - static_cast<std::uint64_t>(us) : static_cast<std::uint64_t>(us);
  const auto fixed = [negative](std::uint64_t value, std::uint64_t scale, int decimals,
                                const char* unit) {
    // Rounded to `decimals` places of value / scale.
    std::uint64_t step = scale;
    for (int i = 0; i < decimals; ++i) step /= 10;
    const std::uint64_t rounded = (value + step / 2) / step;
    std::uint64_t power = 1;
    for (int i = 0; i < decimals; ++i) power *= 10;
    std::string fraction = std::to_string(rounded % power);
    fraction.insert(0, static_cast<std::size_t>(decimals) - fraction.size(), '0');
    return (negative ? "-" : "") + std::to_string(rounded / power) + "." + fraction + unit;
  };
  if (negative || magnitude >= 1000000) return fixed(magnitude, 1000000, 3, " s");
  if (magnitude < 10000) return fixed(magnitude, 1000, 3, " ms");
  return fixed(magnitude, 1000, 1, " ms");
}

const char* TransferResultName(TransferSummary::Result result) {
  static const char* kNames[] = {"unknown", "done", "erase-failed", "write-failed", "interrupted"};
  return kNames[static_cast<int>(result)];
}

void JudgeTransferTimes(TransferSummary& s) {
  const auto judge = [&s](const std::optional<std::int64_t>& us, std::optional<std::size_t> count,
                          int limit_ms, const char* what) {
    if (!us || !count || *count == 0) return;
    // The phase's time over its requests: each reply, bytes and all, took that on average.
    const std::int64_t each = *us / static_cast<std::int64_t>(*count);
    if (each <= std::int64_t{limit_ms} * 1000) return;
    s.problems.push_back(std::string(what) + " took " + DurationText(each) +
                         " each on average; the device answers within " + std::to_string(limit_ms) +
                         " ms");
  };
  judge(s.erase_us, s.erase_requests, kEraseFirstByteMs, "the erase requests");
  judge(s.write_us, s.write_requests, kWriteFirstByteMs, "the write requests");
}

std::string DescribeTransfer(const TransferSummary& s) {
  std::string line = "memory transfer";
  if (!s.title.empty()) line += " " + s.title;
  line += ":";
  const std::string erased = s.acknowledged ? " erased" : " asked to erase";
  if (!s.erased.empty()) {
    line += erased;
    for (const std::uint32_t region : s.erased) line += " " + Address(region);
    line += ";";
  }
  if (s.first && s.end > *s.first) {
    line += (s.acknowledged ? " wrote " : " asked to write ") + Address(*s.first) + "-" +
            Address(s.end - 1) + ", " + std::to_string(s.bytes) +
            (s.bytes == 1 ? " byte" : " bytes");
    if (s.gaps) line += " (with gaps)";
    line += ";";
  }
  const auto count = [](std::size_t n, const char* what) {
    return std::to_string(n) + " " + what + (n == 1 ? " request" : " requests");
  };
  if (s.erase_requests && s.write_requests)
    line +=
        " " + count(*s.erase_requests, "erase") + ", " + count(*s.write_requests, "write") + ";";
  else if (s.erase_requests || s.write_requests)
    line +=
        " " +
        (s.erase_requests ? count(*s.erase_requests, "erase") : count(*s.write_requests, "write")) +
        ";";
  if (s.erase_us) line += " erasing took " + DurationText(*s.erase_us) + ";";
  if (s.write_us) {
    line += " writing took " + DurationText(*s.write_us);
    if (s.bytes && *s.write_us > 0 && s.result == TransferSummary::Result::Done) {
      char rate[48];
      std::snprintf(rate, sizeof rate, " (%.0f bytes/s)",
                    static_cast<double>(s.bytes) * 1e6 / static_cast<double>(*s.write_us));
      line += rate;
    }
    line += ";";
  }
  for (const std::string& problem : s.problems) line += " " + problem + ";";
  switch (s.result) {
    case TransferSummary::Result::Done:
      return line + " completed";
    case TransferSummary::Result::EraseFailed:
      return line + " the erase failed";
    case TransferSummary::Result::WriteFailed:
      return line + " a write failed";
    case TransferSummary::Result::Interrupted:
      return line + " stopped by the user";
    case TransferSummary::Result::Unknown:
      break;
  }
  return line + (s.acknowledged ? " whether it completed is not known"
                                : " no reply in sight: whether it completed is not known");
}

void TransferTracker::Add(TransferSummary& into, std::optional<std::uint32_t>& next,
                          const Request& request) {
  if (request.erase) {
    into.erased.push_back(request.address);
    return;
  }
  // A write of no bytes writes nothing: it neither opens nor moves the range.
  if (request.bytes == 0) return;
  if (next && *next != request.address) into.gaps = true;
  const auto end = request.address + static_cast<std::uint32_t>(request.bytes);
  next = end;
  into.first = std::min(into.first.value_or(request.address), request.address);
  into.end = std::max(into.end, end);
  into.bytes += request.bytes;
}

void TransferTracker::Sent(const DecodedFrame& frame) {
  if (!frame.values || frame.row->command != kMemoryCommand) return;
  const Values& values = *frame.values;
  Request request;
  request.erase = frame.row->name == "erase";
  request.address = static_cast<std::uint32_t>(EditValue(values["address"]).value_or(0));
  if (!request.erase) request.bytes = values["data"].bytes.size();
  ++(request.erase ? erases_ : writes_);
  Add(asked_, next_asked_, request);
  // A request sent before the last one was answered leaves that one unanswered: it failed.
  if (awaiting_ && replies_ && failed_ == TransferSummary::Result::Unknown)
    failed_ = awaiting_->erase ? TransferSummary::Result::EraseFailed
                               : TransferSummary::Result::WriteFailed;
  awaiting_ = request;
}

void TransferTracker::Received(std::span<const std::uint8_t> frame) {
  const ReplyMeaning reply = ReadReply(frame, kMemoryCommand);
  // A reply with a wrong checksum never reaches the transfer: the reader drops it.
  if (!reply.checksum_ok || !awaiting_) return;
  replies_ = true;
  if (reply.accepted)
    Add(acknowledged_, next_acknowledged_, *awaiting_);
  else if (failed_ == TransferSummary::Result::Unknown)
    failed_ = awaiting_->erase ? TransferSummary::Result::EraseFailed
                               : TransferSummary::Result::WriteFailed;
  awaiting_.reset();
}

TransferSummary TransferTracker::summary() const {
  TransferSummary s = replies_ ? acknowledged_ : asked_;
  s.acknowledged = replies_;
  s.erase_requests = erases_;
  s.write_requests = writes_;
  if (!replies_) return s;
  s.result = failed_;
  if (s.result == TransferSummary::Result::Unknown)
    s.result = !awaiting_         ? TransferSummary::Result::Done
               : awaiting_->erase ? TransferSummary::Result::EraseFailed
                                  : TransferSummary::Result::WriteFailed;
  return s;
}

}  // namespace zotpx
