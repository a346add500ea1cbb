#include "simulated_device.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "command/explain.h"
#include "device/connect.h"
#include "serial/memory_transfer.h"
#include "text/static_file.h"

namespace zotpx::sim {
namespace {

constexpr long long kAbandonUs = 100000;
// Starts with a sync byte that leads nowhere, so the host's reader has to resynchronise.
const Bytes kNoise = {0x55, 0x13, 0xFF, 0x00, 0xAA};

// The names --fault takes, and the trace says.
constexpr std::pair<Fault, std::string_view> kFaultNames[] = {{Fault::Noise, "noise"},
                                                              {Fault::BadChecksum, "bad-checksum"},
                                                              {Fault::WrongEcho, "wrong-echo"},
                                                              {Fault::ShortFrame, "short-frame"},
                                                              {Fault::Stall, "stall"},
                                                              {Fault::Silence, "silence"},
                                                              {Fault::Refuse, "refuse"},
                                                              {Fault::HangUp, "hang-up"},
                                                              {Fault::Late, "late"}};

Bytes StatusReply(std::uint8_t command, std::uint8_t status) {
  return MakeFrame(command, {status});
}

bool IsRow(const DecodedFrame& frame, std::string_view name) {
  return frame.row && frame.row->name == name;
}

}  // namespace

std::string_view FaultName(Fault fault) {
  for (const auto& [kind, name] : kFaultNames)
    if (kind == fault) return name;
  return "none";
}

std::optional<Fault> FaultFromName(std::string_view name) {
  for (const auto& [kind, known] : kFaultNames)
    if (known == name) return kind;
  return std::nullopt;
}

Bytes DefaultIdentifyReply(DeviceModel model, const std::string& version) {
  std::string text =
      std::string(ModelName(model)) + " " + (version.empty() ? kDefaultVersion : version);
  text.resize(std::min(text.size(), kIdentifyReplyMax - 1));
  Bytes raw(std::max(text.size() + 1, kIdentifyReplyMin), 0x00);
  raw[0] = static_cast<std::uint8_t>(text.size());
  std::copy(text.begin(), text.end(), raw.begin() + 1);
  return raw;
}

SimulatedDevice::SimulatedDevice(const DeviceConfig& config)
    : config_(config),
      identify_reply_(DefaultIdentifyReply(config.model, config.version)),
      memory_(kDeviceMemorySize, 0xFF) {
  screen_.AttachMemory(memory_);
}

void SimulatedDevice::PowerOn(std::int64_t now_ms) {
  screen_ = screen::ScreenModel(now_ms);
  screen_.AttachMemory(memory_);
  screen::RunStartupImage(screen_, std::span(memory_).first(kStaticImageSize), now_ms);
}

void SimulatedDevice::AddFault(const FaultRule& rule) {
  faults_.push_back(rule);
}

void SimulatedDevice::ClearFaults() {
  faults_.clear();
  frame_count_ = 0;
}

void SimulatedDevice::ResetParser() {
  state_ = State::Idle;
  frame_.clear();
}

std::optional<Reply> SimulatedDevice::Feed(std::uint8_t byte, int host_baud, long long time_us) {
  if (state_ != State::Idle && time_us - last_byte_us_ > kAbandonUs) {
    FlushTrace();
    Trace(true, DescribePiece({Piece::Kind::Cut, frame_}, Direction::Sent) +
                    "; abandoned after 100 ms of silence");
    ResetParser();
  }
  last_byte_us_ = time_us;
  const bool our_rate = host_baud == 0 || host_baud == config_.baud;
  const Probe probe = ConnectProbe();
  if (!our_rate) {
    Drop(frame_, 0);
    ResetParser();
    Drop({byte}, host_baud);
    const auto stray = probe_answers_.find(host_baud);
    if (byte != probe.request || stray == probe_answers_.end()) return std::nullopt;
    Reply reply{{stray->second}};
    FlushTrace();
    TraceReply(reply, std::nullopt, nullptr);
    return reply;
  }
  switch (state_) {
    case State::Idle:
      if (byte == probe.request) {
        FlushTrace();
        Trace(true, DescribePiece({Piece::Kind::Probe, {byte}}, Direction::Sent));
        Reply reply{{probe.answer}};
        TraceReply(reply, std::nullopt, nullptr);
        return reply;
      }
      if (byte == 0x55) {
        frame_ = {byte};
        state_ = State::Sync;
      } else {
        Drop({byte}, 0);
      }
      return std::nullopt;
    case State::Sync:
      if (byte == 0xAA) {
        frame_.push_back(byte);
        state_ = State::Command;
        return std::nullopt;
      }
      Drop(frame_, 0);
      ResetParser();
      return Feed(byte, host_baud, time_us);  // the byte may start something itself
    case State::Command:
      if (byte > 0x1F) {
        frame_.push_back(byte);
        Drop(frame_, 0);
        ResetParser();
        return std::nullopt;
      }
      frame_.push_back(byte);
      state_ = State::Length;
      return std::nullopt;
    case State::Length:
      frame_.push_back(byte);
      state_ = byte == 0 ? State::Checksum : State::Data;
      return std::nullopt;
    case State::Data:
      frame_.push_back(byte);
      if (frame_.size() == 4u + frame_[3]) state_ = State::Checksum;
      return std::nullopt;
    case State::Checksum:
      frame_.push_back(byte);
      return OnFrame();
  }
  return std::nullopt;
}

std::optional<Reply> SimulatedDevice::OnFrame() {
  const Bytes frame = std::move(frame_);
  ResetParser();
  FlushTrace();
  received_.push_back(frame);
  ++frame_count_;
  const std::uint8_t command = frame[2];

  std::vector<const FaultRule*> hits;
  for (const FaultRule& rule : faults_) {
    const bool nth = rule.nth == 0 || rule.nth == frame_count_;
    const bool code = rule.command < 0 || rule.command == command;
    if (rule.fault != Fault::None && nth && code) hits.push_back(&rule);
  }
  const bool refuse = std::any_of(hits.begin(), hits.end(),
                                  [](const FaultRule* r) { return r->fault == Fault::Refuse; });
  const DecodedFrame decoded = DecodeFrame(frame);
  const Answered answered = Answer(frame, decoded, refuse, last_byte_us_ / 1000);
  Reply reply{answered.bytes};
  // Rework the frame first, then garble or cut what goes on the line. A frame the device
  // dropped has no answer for a fault to work on.
  std::string applied, left;
  for (Fault kind : {Fault::Refuse, Fault::WrongEcho, Fault::BadChecksum, Fault::ShortFrame,
                     Fault::Noise, Fault::Stall, Fault::Silence, Fault::HangUp, Fault::Late}) {
    for (const FaultRule* rule : hits) {
      if (rule->fault != kind || !decoded.checksum_ok) continue;
      std::string& names = ApplyFault(*rule, command, reply) ? applied : left;
      if (names.find(FaultName(kind)) == std::string::npos)
        names += (names.empty() ? "" : ", ") + std::string(FaultName(kind));
    }
  }
  if (trace_) {
    Trace(true, DescribeFrame(decoded) + (answered.not_drawn ? "; not drawn" : ""));
    TraceReply(reply, command, decoded.row, (applied.empty() ? "" : "fault " + applied + ": "),
               (left.empty() ? "" : "; fault " + left + " leaves the identification as it is"));
  }
  return reply;
}

SimulatedDevice::Answered SimulatedDevice::Answer(const Bytes& frame, const DecodedFrame& decoded,
                                                  bool refuse, std::int64_t now_ms) {
  const std::uint8_t command = frame[2];
  // Not one byte of it can be trusted, the code to answer with included: no answer.
  if (!decoded.checksum_ok) return {};
  if (IsRow(decoded, "identify")) return {refuse ? StatusReply(command, 0) : identify_reply_};
  if (command == kMemoryCommand) return {StatusReply(command, !refuse && Memory(decoded) ? 1 : 0)};
  // The status byte of an ordinary reply says nothing the host reads: 0 whatever was drawn.
  const bool drawn = !refuse && screen_.Apply(decoded, now_ms);
  return {StatusReply(command, 0), !drawn};
}

bool SimulatedDevice::OpenMemoryFile(const std::string& path, std::string& error) {
  memory_file_ = MemoryFile::Open(path, memory_, error);
  return memory_file_ != nullptr;
}

// An erase clears the region that starts at its address; a write stores 1 or more bytes. False
// for anything else or for addresses outside the memory; nothing is changed then.
bool SimulatedDevice::Memory(const DecodedFrame& decoded) {
  if (!decoded.readable()) return false;
  const Values& values = *decoded.values;
  const auto address = static_cast<std::uint32_t>(FieldNumber(values, "address"));
  std::span<const std::uint8_t> bytes;
  Bytes erased;
  if (IsRow(decoded, "erase") && address < kDeviceMemorySize) {
    erased.assign(std::min<std::size_t>(MemoryRegionEnd(address), kDeviceMemorySize) - address,
                  0xFF);
    bytes = erased;
  } else if (IsRow(decoded, "write") && !values["data"].bytes.empty() &&
             address + values["data"].bytes.size() <= kDeviceMemorySize) {
    bytes = values["data"].bytes;
  } else {
    return false;
  }
  // What the file did not take is refused, so the host never believes in data a restart loses.
  if (memory_file_ && !memory_file_->Store(address, bytes)) {
    memory_file_error_ = memory_file_->error();
    return false;
  }
  std::copy(bytes.begin(), bytes.end(), memory_.begin() + static_cast<std::ptrdiff_t>(address));
  ++memory_changes_;
  return true;
}

bool SimulatedDevice::ApplyFault(const FaultRule& rule, std::uint8_t command, Reply& reply) const {
  Bytes& bytes = reply.bytes;
  // Faults that rework a reply frame leave the raw identification text alone.
  const bool frame = bytes.size() >= 6 && bytes[0] == 0x55 && bytes[1] == 0xAA;
  switch (rule.fault) {
    case Fault::None:
      return false;
    case Fault::Refuse:  // part of the answer itself
      return true;
    case Fault::Noise:
      bytes.insert(bytes.begin(), kNoise.begin(), kNoise.end());
      return true;
    case Fault::BadChecksum:
      if (frame) bytes.back() = static_cast<std::uint8_t>(bytes.back() + 1);
      return frame;
    case Fault::WrongEcho:
      if (frame) bytes = MakeFrame(command ^ 0x01, Bytes(bytes.begin() + 4, bytes.end() - 1));
      return frame;
    case Fault::ShortFrame:
      bytes = MakeFrame(command, {});
      return true;
    case Fault::Stall:
      bytes.resize(bytes.size() / 2);
      return true;
    case Fault::Silence:
      bytes.clear();
      return true;
    case Fault::HangUp:
      bytes.clear();
      reply.hang_up = true;
      return true;
    case Fault::Late:
      reply.delay_ms += rule.delay_ms;
      return true;
  }
  return false;
}

// ---- the trace ----

void SimulatedDevice::Trace(bool from_host, std::string text) const {
  if (trace_) trace_({from_host, std::move(text)});
}

void SimulatedDevice::Drop(const Bytes& bytes, int baud) {
  if (bytes.empty() || !trace_) return;
  if (baud != dropped_baud_) FlushTrace();
  dropped_baud_ = baud;
  dropped_.insert(dropped_.end(), bytes.begin(), bytes.end());
}

void SimulatedDevice::FlushTrace() {
  if (dropped_.empty()) return;
  const std::string rate = dropped_baud_ ? " (sent at " + std::to_string(dropped_baud_) +
                                               " baud: the device runs at " +
                                               std::to_string(config_.baud) + " and hears garbage)"
                                         : std::string();
  for (const Piece& piece : SplitPieces(dropped_))
    Trace(true, DescribePiece(piece, Direction::Sent) + rate);
  dropped_.clear();
}

// A reply frame as the host's reader takes it for `request`: one that is not a whole reply to
// it (a wrong code, no status byte, a frame where the identification belongs) is called so.
std::string SimulatedDevice::DescribeAnswer(const Bytes& frame, std::uint8_t request,
                                            const CommandRow* row) const {
  ReplyMeaning meaning = ReadReply(frame, request);
  const std::string checksum =
      meaning.checksum_ok ? "; checksum ok" : "; bad checksum: dropped by the reader";
  const std::string own = ReplyTitle(ReadReply(frame));  // by its own code, not the request's
  if (meaning.command != request) {
    meaning.command = request;
    meaning.row = row;
    return "reply with the code of " + own + ", not of " + ReplyTitle(meaning) + checksum;
  }
  meaning.row = row;
  if (frame.size() != 6)
    return "reply to " + ReplyTitle(meaning) + " with " + std::to_string(frame[3]) +
           " data bytes where one status byte belongs" + checksum;
  if (row && row->name == "identify") {
    char status[3];
    std::snprintf(status, sizeof status, "%02X", frame[4]);
    return "a reply frame (status " + std::string(status) + ") in place of the identification" +
           checksum;
  }
  return DescribeReply(meaning);
}

void SimulatedDevice::TraceReply(const Reply& reply, std::optional<std::uint8_t> request,
                                 const CommandRow* row, const std::string& faults,
                                 const std::string& note) const {
  if (!trace_) return;
  if (reply.hang_up) return Trace(false, faults + "hangs up the line" + note);
  if (reply.bytes.empty()) return Trace(false, faults + "no answer" + note);
  const std::string after =
      reply.delay_ms ? "after " + std::to_string(reply.delay_ms) + " ms: " : "";
  std::string first = faults;  // said once, before the first thing on the line
  for (const Piece& piece : SplitPieces(reply.bytes)) {
    const bool answer = piece.kind == Piece::Kind::Frame && request;
    Trace(false, std::exchange(first, "") + after +
                     (answer ? DescribeAnswer(piece.bytes, *request, row)
                             : DescribePiece(piece, Direction::Received)) +
                     note);
  }
}

}  // namespace zotpx::sim
