#include "device_model.h"

#include <algorithm>

#include "text/static_file.h"

namespace zotpx::sim {
namespace {

constexpr std::uint8_t kProbe = 0x5A;
constexpr std::uint8_t kProbeAnswer = 0xA5;
constexpr std::uint8_t kIdentify = 0x00;
constexpr std::uint8_t kMemoryCommand = 0x02;
constexpr std::uint8_t kErase = 0x40;
constexpr std::uint8_t kWrite = 0x80;
constexpr long long kAbandonUs = 100000;
constexpr std::size_t kIdentifyMin = 21;
constexpr std::size_t kIdentifyMax = 254;
// Starts with a sync byte that leads nowhere, so the host's reader has to resynchronise.
const Bytes kNoise = {0x55, 0x13, 0xFF, 0x00, 0xAA};

Bytes StatusReply(std::uint8_t command, std::uint8_t status) {
  return MakeFrame(command, {status});
}

std::size_t Address24(const Bytes& frame, std::size_t at) {
  return std::size_t{frame[at]} << 16 | std::size_t{frame[at + 1]} << 8 | frame[at + 2];
}

}  // namespace

Bytes DefaultIdentifyReply(const std::string& model, const std::string& version) {
  std::string text = model + " " + (version.empty() ? kDefaultVersion : version);
  text.resize(std::min(text.size(), kIdentifyMax - 1));
  Bytes raw(std::max(text.size() + 1, kIdentifyMin), 0x00);
  raw[0] = static_cast<std::uint8_t>(text.size());
  std::copy(text.begin(), text.end(), raw.begin() + 1);
  return raw;
}

std::size_t EraseRegionEnd(std::size_t address) {
  const std::size_t size = address < 0x8000 ? 0x4000 : address < 0x18000 ? 0x10000 : 0x20000;
  return std::min(address + size, kMemorySize);
}

DeviceModel::DeviceModel(const DeviceConfig& config)
    : config_(config),
      identify_reply_(DefaultIdentifyReply(config.model, config.version)),
      memory_(kMemorySize, 0xFF) {
  screen_.AttachMemory(memory_);
}

void DeviceModel::PowerOn(std::int64_t now_ms) {
  screen_ = screen::ScreenModel(now_ms);
  screen_.AttachMemory(memory_);
  screen::RunStartupImage(screen_, std::span(memory_).first(kStaticImageSize), now_ms);
}

void DeviceModel::AddFault(const FaultRule& rule) {
  faults_.push_back(rule);
}

void DeviceModel::ClearFaults() {
  faults_.clear();
  frame_count_ = 0;
}

void DeviceModel::ResetParser() {
  state_ = State::Idle;
  frame_.clear();
}

std::optional<Reply> DeviceModel::Feed(std::uint8_t byte, int host_baud, long long time_us) {
  if (state_ != State::Idle && time_us - last_byte_us_ > kAbandonUs) ResetParser();
  last_byte_us_ = time_us;
  const bool our_rate = host_baud == 0 || host_baud == config_.baud;
  if (!our_rate) {
    ResetParser();
    const auto stray = probe_answers_.find(host_baud);
    if (byte == kProbe && stray != probe_answers_.end()) return Reply{{stray->second}};
    return std::nullopt;
  }
  switch (state_) {
    case State::Idle:
      if (byte == kProbe) return Reply{{kProbeAnswer}};
      if (byte == 0x55) {
        frame_ = {byte};
        state_ = State::Sync;
      }
      return std::nullopt;
    case State::Sync:
      if (byte == 0xAA) {
        frame_.push_back(byte);
        state_ = State::Command;
        return std::nullopt;
      }
      ResetParser();
      return Feed(byte, host_baud, time_us);  // the byte may start something itself
    case State::Command:
      if (byte > 0x1F) {
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

std::optional<Reply> DeviceModel::OnFrame() {
  const Bytes frame = std::move(frame_);
  ResetParser();
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
  Reply reply{Answer(frame, refuse, last_byte_us_ / 1000)};
  // Rework the frame first, then garble or cut what goes on the line.
  for (Fault kind : {Fault::WrongEcho, Fault::BadChecksum, Fault::ShortFrame, Fault::Noise,
                     Fault::Stall, Fault::Silence, Fault::HangUp, Fault::Late}) {
    for (const FaultRule* rule : hits) {
      if (rule->fault == kind) ApplyFault(*rule, command, reply);
    }
  }
  return reply;
}

Bytes DeviceModel::Answer(const Bytes& frame, bool refuse, std::int64_t now_ms) {
  const std::uint8_t command = frame[2];
  if (frame.back() != FrameChecksum(frame.data(), frame.size())) return StatusReply(command, 0);
  if (command == kIdentify) return refuse ? StatusReply(command, 0) : identify_reply_;
  if (command == kMemoryCommand) return StatusReply(command, !refuse && Memory(frame) ? 1 : 0);
  // The status byte of an ordinary reply says nothing the host reads: 0 whatever was drawn.
  if (!refuse) screen_.Apply(frame, now_ms);
  return StatusReply(command, 0);
}

bool DeviceModel::OpenMemoryFile(const std::string& path, std::string& error) {
  memory_file_ = MemoryFile::Open(path, memory_, error);
  return memory_file_ != nullptr;
}

// Erase: 40 00 A2 A1 A0. Write: 80 n A2 A1 A0 and n bytes. False for anything else or for
// addresses outside the memory; nothing is changed then.
bool DeviceModel::Memory(const Bytes& frame) {
  const std::size_t length = frame[3];
  if (length < 5) return false;
  const std::size_t address = Address24(frame, 6);
  std::span<const std::uint8_t> bytes;
  Bytes erased;
  if (frame[4] == kErase && length == 5 && address < kMemorySize) {
    erased.assign(EraseRegionEnd(address) - address, 0xFF);
    bytes = erased;
  } else if (const std::size_t n = frame[5];
             frame[4] == kWrite && n >= 1 && length == n + 5 && address + n <= kMemorySize) {
    bytes = std::span(frame).subspan(9, n);
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

void DeviceModel::ApplyFault(const FaultRule& rule, std::uint8_t command, Reply& reply) const {
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

}  // namespace zotpx::sim
