#include "command/explain.h"

#include <algorithm>
#include <cstdio>

#include "base/device_model.h"
#include "base/hex.h"
#include "device/connect.h"
#include "serial/frame.h"
#include "serial/memory_transfer.h"

namespace zotpx {

namespace {

std::string Hex2(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "%02X", value & 0xFF);
  return text;
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
  return titles.empty() ? "code " + Hex2(command) : titles;
}

std::string Joined(const std::vector<std::string>& parts) {
  std::string line;
  for (const std::string& part : parts) line += (line.empty() ? "" : "; ") + part;
  return line;
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
  if (frame.size() < 5) return reply;
  const std::uint8_t command = frame[2];
  reply.command = command;
  reply.checksum_ok = frame.size() == std::size_t{frame[3]} + 5 &&
                      FrameChecksum(frame.data(), frame.size()) == frame.back();
  reply.status = frame.size() >= 6 ? frame[4] : 0;
  reply.memory = command == kMemoryCommand;
  reply.accepted = frame.size() == 6 && reply.checksum_ok && command <= 0x1F &&
                   (!request || *request == command) && (!reply.memory || reply.status == 0x01);
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

std::vector<std::string> DescribeFrameParts(const DecodedFrame& frame) {
  if (!frame.framed) return {frame.problems.empty() ? "no frame" : frame.problems.front()};
  std::vector<std::string> parts;
  if (frame.row) {
    std::string what = frame.row->title + " " + std::string(frame.row->name);
    if (frame.values) {
      Values values = *frame.values;
      if (frame.row->blocks.max_blocks) {
        what += frame.block ? " block " + std::to_string(frame.block) + " of " +
                                  std::to_string(BitmapBlockCount(*values["file"].picture))
                            : " control frame";
        values["control-only"].index = 0;  // a frame on its own does not tell
      }
      const std::string fields = DescribeValues(values);
      if (!fields.empty()) what += " " + fields;
    }
    parts.push_back(what);
  }
  parts.insert(parts.end(), frame.problems.begin(), frame.problems.end());
  // The frame as it stands carries its checksum last.
  parts.push_back(frame.checksum_ok
                      ? "checksum ok"
                      : "checksum wrong (should be " + Hex2(frame.checksum) + "): dropped");
  if (frame.refusal) parts.push_back("refused: " + frame.row->title + *frame.refusal);
  return parts;
}

std::string DescribeFrame(const DecodedFrame& frame) {
  return Joined(DescribeFrameParts(frame));
}

std::string ReplyTitle(const ReplyMeaning& reply) {
  return reply.row ? reply.row->title : TitlesOf(reply.command);
}

std::vector<std::string> DescribeReplyParts(const ReplyMeaning& reply) {
  std::string what = "reply to " + ReplyTitle(reply);
  if (reply.memory)
    what += reply.status == 0x01 ? ": done" : ": refused (status " + Hex2(reply.status) + ")";
  else
    what += ": acknowledged (status " + Hex2(reply.status) + ")";
  return {what, reply.checksum_ok ? "checksum ok" : "bad checksum: dropped by the reader"};
}

std::string DescribeReply(const ReplyMeaning& reply) {
  return Joined(DescribeReplyParts(reply));
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
      return "identification: model " + id.model + ", version \"" + id.version + "\"";
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

std::string DescribeTransfer(const TransferSummary& s) {
  std::string line = "memory transfer";
  if (!s.title.empty()) line += " " + s.title;
  line += ":";
  if (!s.erased.empty()) {
    line += " erased";
    for (const std::uint32_t region : s.erased) line += " " + Address(region);
    line += ";";
  }
  if (s.first) {
    line += " wrote " + Address(*s.first) + "-" + Address(s.end - 1) + ", " +
            std::to_string(s.bytes) + " bytes";
    if (s.requests) line += " in " + std::to_string(s.requests) + " requests";
    if (s.gaps) line += " (with gaps)";
    line += ";";
  }
  switch (s.result) {
    case TransferSummary::Result::Done:
      return line + " completed";
    case TransferSummary::Result::EraseFailed:
      return line + " the erase failed";
    case TransferSummary::Result::WriteFailed:
      return line + " a write failed";
    case TransferSummary::Result::Unknown:
      break;
  }
  return line + " whether it completed is not known";
}

void TransferTracker::Sent(const DecodedFrame& frame) {
  if (!frame.values || frame.row->command != kMemoryCommand) return;
  const Values& values = *frame.values;
  const auto address = static_cast<std::uint32_t>(EditValue(values["address"]).value_or(0));
  ++summary_.requests;
  awaiting_ = true;
  last_erase_ = frame.row->name == "erase";
  if (last_erase_) {
    summary_.erased.push_back(address);
    return;
  }
  last_bytes_ = values["data"].bytes.size();
  sent_bytes_ += last_bytes_;
  if (next_ && *next_ != address) summary_.gaps = true;
  next_ = address + static_cast<std::uint32_t>(last_bytes_);
  summary_.first = std::min(summary_.first.value_or(address), address);
  summary_.end = std::max(summary_.end, *next_);
}

void TransferTracker::Received(std::span<const std::uint8_t> frame) {
  const ReplyMeaning reply = ReadReply(frame, kMemoryCommand);
  // A reply with a wrong checksum never reaches the transfer: the reader drops it.
  if (!reply.memory || !reply.checksum_ok || !awaiting_) return;
  replies_ = true;
  awaiting_ = false;
  if (reply.accepted) {
    if (!last_erase_) acknowledged_bytes_ += last_bytes_;
    return;
  }
  summary_.result =
      last_erase_ ? TransferSummary::Result::EraseFailed : TransferSummary::Result::WriteFailed;
}

TransferSummary TransferTracker::summary() const {
  TransferSummary s = summary_;
  s.bytes = replies_ ? acknowledged_bytes_ : sent_bytes_;
  if (!replies_ || s.result != TransferSummary::Result::Unknown) return s;
  if (awaiting_)
    s.result =
        last_erase_ ? TransferSummary::Result::EraseFailed : TransferSummary::Result::WriteFailed;
  else
    s.result = TransferSummary::Result::Done;
  return s;
}

}  // namespace zotpx
