#include "simulated_device.h"

#include <algorithm>

#include "command/explain.h"
#include "device/connect.h"
#include "serial/memory_transfer.h"
#include "text/static_file.h"

namespace zotpx::sim {
namespace {

constexpr long long kAbandonUs = 100000;
// Starts with a sync byte that leads nowhere, so the host's reader has to resynchronise.
const Bytes kNoise = {0x55, 0x13, 0xFF, 0x00, 0xAA};

Bytes StatusReply(std::uint8_t command, std::uint8_t status) {
  return MakeFrame(command, {status});
}

bool IsRow(const DecodedFrame& frame, std::string_view name) {
  return frame.row && frame.row->name == name;
}

}  // namespace

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
  // Rework the frame first, then garble or cut what goes on the line.
  for (Fault kind : {Fault::WrongEcho, Fault::BadChecksum, Fault::ShortFrame, Fault::Noise,
                     Fault::Stall, Fault::Silence, Fault::HangUp, Fault::Late}) {
    for (const FaultRule* rule : hits) {
      if (rule->fault == kind) ApplyFault(*rule, command, reply);
    }
  }
  if (trace_) {
    Trace(true, DescribeFrame(decoded) + (answered.not_drawn ? "; not drawn" : ""));
    TraceReply(reply, command, decoded.row);
  }
  return reply;
}

SimulatedDevice::Answered SimulatedDevice::Answer(const Bytes& frame, const DecodedFrame& decoded,
                                                  bool refuse, std::int64_t now_ms) {
  const std::uint8_t command = frame[2];
  if (!decoded.checksum_ok) return {StatusReply(command, 0)};
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

void SimulatedDevice::ApplyFault(const FaultRule& rule, std::uint8_t command, Reply& reply) const {
  Bytes& bytes = reply.bytes;
  // Faults that rework a reply frame leave the raw identification text alone.
  const bool frame = bytes.size() >= 6 && bytes[0] == 0x55 && bytes[1] == 0xAA;
  switch (rule.fault) {
    case Fault::None:
    case Fault::Refuse:  // part of the answer itself
      break;
    case Fault::Noise:
      bytes.insert(bytes.begin(), kNoise.begin(), kNoise.end());
      break;
    case Fault::BadChecksum:
      if (frame) bytes.back() = static_cast<std::uint8_t>(bytes.back() + 1);
      break;
    case Fault::WrongEcho:
      if (frame) bytes = MakeFrame(command ^ 0x01, Bytes(bytes.begin() + 4, bytes.end() - 1));
      break;
    case Fault::ShortFrame:
      bytes = MakeFrame(command, {});
      break;
    case Fault::Stall:
      bytes.resize(bytes.size() / 2);
      break;
    case Fault::Silence:
      bytes.clear();
      break;
    case Fault::HangUp:
      bytes.clear();
      reply.hang_up = true;
      break;
    case Fault::Late:
      reply.delay_ms += rule.delay_ms;
      break;
  }
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

void SimulatedDevice::TraceReply(const Reply& reply, std::optional<std::uint8_t> request,
                                 const CommandRow* row) const {
  if (!trace_) return;
  if (reply.hang_up) return Trace(false, "hangs up the line");
  if (reply.bytes.empty()) return Trace(false, "no answer");
  const std::string after =
      reply.delay_ms ? "after " + std::to_string(reply.delay_ms) + " ms: " : "";
  for (const Piece& piece : SplitPieces(reply.bytes)) {
    if (piece.kind != Piece::Kind::Frame || !request) {
      Trace(false, after + DescribePiece(piece, Direction::Received));
      continue;
    }
    // Whose reply it is, where it echoes the request's code (a wrong echo names its own).
    ReplyMeaning meaning = ReadReply(piece.bytes, request);
    if (meaning.command == *request) meaning.row = row;
    Trace(false, after + DescribeReply(meaning));
  }
}

}  // namespace zotpx::sim
