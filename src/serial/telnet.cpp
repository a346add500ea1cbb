#include "serial/telnet.h"

namespace zotpx::telnet {

namespace {

bool IsVerb(std::uint8_t byte) {
  return byte >= kWill && byte <= kDont;
}

Event::Kind KindOf(std::uint8_t verb) {
  switch (verb) {
    case kWill:
      return Event::Kind::Will;
    case kWont:
      return Event::Kind::Wont;
    case kDo:
      return Event::Kind::Do;
    default:
      return Event::Kind::Dont;
  }
}

// The size of a command's value; -1 where any size goes (a Signature's text).
int ValueSize(ComPort command) {
  switch (command) {
    case ComPort::Signature:
      return -1;
    case ComPort::SetBaudrate:
      return 4;
    case ComPort::FlowcontrolSuspend:
    case ComPort::FlowcontrolResume:
      return 0;
    default:
      return 1;
  }
}

std::uint8_t CodeOf(const ComPortMessage& message) {
  return static_cast<std::uint8_t>(static_cast<std::uint8_t>(message.command) +
                                   (message.from_server ? kServerCode : 0));
}

}  // namespace

void AppendEscaped(Bytes& wire, const std::uint8_t* data, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    wire.push_back(data[i]);
    if (data[i] == kIac) wire.push_back(kIac);
  }
}

Bytes OptionCommand(std::uint8_t verb, std::uint8_t option) {
  return {kIac, verb, option};
}

Bytes Subnegotiation(std::uint8_t option, std::span<const std::uint8_t> payload) {
  Bytes wire{kIac, kSb, option};
  AppendEscaped(wire, payload.data(), payload.size());
  wire.push_back(kIac);
  wire.push_back(kSe);
  return wire;
}

bool Reader::Step(std::uint8_t byte) {
  switch (state_) {
    case State::Data:
      if (byte != kIac) return true;
      state_ = State::Iac;
      return false;
    case State::Iac:
      state_ = State::Data;
      if (byte == kIac) return true;
      if (IsVerb(byte)) {
        verb_ = byte;
        state_ = State::Verb;
      } else if (byte == kSb) {
        state_ = State::SbOption;
      }
      return false;
    case State::Verb:
      events_.push_back({KindOf(verb_), byte, {}});
      state_ = State::Data;
      return false;
    case State::SbOption:
      sub_ = {Event::Kind::Subnegotiation, byte, {}};
      sub_too_long_ = false;
      state_ = State::Sb;
      return false;
    case State::Sb:
      if (byte == kIac) {
        state_ = State::SbIac;
        return false;
      }
      break;
    case State::SbIac:
      if (byte == kSe) {
        state_ = State::Data;
        if (sub_too_long_)
          ++dropped_;
        else
          events_.push_back(std::move(sub_));
        return false;
      }
      if (byte != kIac) {
        // A peer that forgot IAC SE: the subnegotiation is lost, the command it sent is not.
        ++dropped_;
        state_ = State::Iac;
        return Step(byte);
      }
      state_ = State::Sb;
      break;
  }
  // A byte of the subnegotiation's payload.
  if (sub_.payload.size() < kSubnegotiationLimit)
    sub_.payload.push_back(byte);
  else
    sub_too_long_ = true;
  return false;
}

std::size_t Reader::Feed(const std::uint8_t* wire, std::size_t count, std::uint8_t* data) {
  std::size_t out = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t byte = wire[i];
    if (Step(byte)) data[out++] = byte;
  }
  return out;
}

std::vector<Event> Reader::TakeEvents() {
  std::vector<Event> taken;
  taken.swap(events_);
  return taken;
}

Options::Options(std::initializer_list<std::uint8_t> local,
                 std::initializer_list<std::uint8_t> remote) {
  for (const std::uint8_t option : local) local_allowed_[option] = true;
  for (const std::uint8_t option : remote) remote_allowed_[option] = true;
}

Bytes Options::Ask(bool local, std::uint8_t option) {
  State& state = (local ? local_ : remote_)[option];
  if (state != State::No) return {};
  state = State::Asked;
  (local ? local_refused_ : remote_refused_)[option] = false;
  return OptionCommand(local ? kWill : kDo, option);
}

Bytes Options::Answer(const Event& event) {
  if (event.kind == Event::Kind::Subnegotiation) return {};
  // DO and DONT are about our side, WILL and WONT about the peer's.
  const bool local = event.kind == Event::Kind::Do || event.kind == Event::Kind::Dont;
  const bool enable = event.kind == Event::Kind::Do || event.kind == Event::Kind::Will;
  const std::uint8_t option = event.option;
  State& state = (local ? local_ : remote_)[option];
  const std::uint8_t yes = local ? kWill : kDo;
  const std::uint8_t no = local ? kWont : kDont;
  if (enable) {
    if (!(local ? local_allowed_ : remote_allowed_)[option]) {
      // Asked of us while it stays off: each request gets its refusal, and nothing more.
      return OptionCommand(no, option);
    }
    const State was = state;
    state = State::Yes;
    return was == State::No ? OptionCommand(yes, option) : Bytes{};
  }
  const State was = state;
  state = State::No;
  if (was == State::Asked) (local ? local_refused_ : remote_refused_)[option] = true;
  return was == State::Yes ? OptionCommand(no, option) : Bytes{};
}

ComPortMessage ComPortValue(ComPort command, std::uint32_t value, bool from_server) {
  ComPortMessage message{command, from_server, {}};
  const int size = ValueSize(command);
  for (int shift = (size - 1) * 8; shift >= 0; shift -= 8)
    message.value.push_back(static_cast<std::uint8_t>(value >> shift));
  return message;
}

ComPortMessage ComPortSignature(std::string_view text, bool from_server) {
  return {ComPort::Signature, from_server, Bytes(text.begin(), text.end())};
}

Bytes BuildComPort(const ComPortMessage& message) {
  Bytes payload{CodeOf(message)};
  payload.insert(payload.end(), message.value.begin(), message.value.end());
  return Subnegotiation(kComPortOption, payload);
}

std::optional<ComPortMessage> ParseComPort(const Event& event) {
  if (event.kind != Event::Kind::Subnegotiation || event.option != kComPortOption ||
      event.payload.empty())
    return std::nullopt;
  std::uint8_t code = event.payload[0];
  const bool from_server = code >= kServerCode;
  if (from_server) code = static_cast<std::uint8_t>(code - kServerCode);
  if (code > static_cast<std::uint8_t>(ComPort::PurgeData)) return std::nullopt;
  const ComPort command = static_cast<ComPort>(code);
  const int size = ValueSize(command);
  if (size >= 0 && event.payload.size() != static_cast<std::size_t>(size) + 1) return std::nullopt;
  return ComPortMessage{command, from_server,
                        Bytes(event.payload.begin() + 1, event.payload.end())};
}

std::optional<std::uint32_t> ValueOf(const ComPortMessage& message) {
  const int size = ValueSize(message.command);
  if (size <= 0 || message.value.size() != static_cast<std::size_t>(size)) return std::nullopt;
  std::uint32_t value = 0;
  for (const std::uint8_t byte : message.value) value = value << 8 | byte;
  return value;
}

}  // namespace zotpx::telnet
