#include "serial/rfc2217_transport.h"

#include <chrono>

#include "base/texts.h"

namespace zotpx {

namespace {

using telnet::ComPort;
using telnet::Options;

Bytes Request(ComPort command, std::uint32_t value) {
  return telnet::BuildComPort(telnet::ComPortValue(command, value, false));
}

}  // namespace

std::unique_ptr<Rfc2217Transport> Rfc2217Transport::Open(const std::string& host, int port,
                                                         int baud, NetFailure& failure) {
  const SocketHandle socket = Connect(host, port, failure);
  if (socket == kNoSocket) return nullptr;
  std::unique_ptr<Rfc2217Transport> transport(new Rfc2217Transport(socket, host, port));
  if (!transport->Negotiate() || !transport->SetRate(baud)) {
    failure = transport->Failure();
    // A server that hangs up on a new client usually says why first ("port in use").
    if (failure.error == NetError::Lost) failure.detail = transport->PendingText();
    return nullptr;
  }
  return transport;
}

bool Rfc2217Transport::SendAll(const Bytes& wire) {
  return Send(wire.data(), wire.size(), WriteBoundMs(wire.size())) == wire.size();
}

bool Rfc2217Transport::AwaitUntil(const std::function<bool()>& done, int timeout_ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (!done()) {
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0 || Gone()) return false;
    Receive(static_cast<int>(left.count()));
  }
  return true;
}

bool Rfc2217Transport::Negotiate() {
  Bytes asks = options_.Ask(true, telnet::kBinary);
  for (const Bytes& ask :
       {options_.Ask(false, telnet::kBinary), options_.Ask(true, telnet::kComPortOption)})
    asks.insert(asks.end(), ask.begin(), ask.end());
  const auto refused = [this] {
    return options_.Refused(true, telnet::kComPortOption) ||
           options_.Refused(true, telnet::kBinary) || options_.Refused(false, telnet::kBinary);
  };
  const auto agreed = [this] {
    return options_.Local(telnet::kComPortOption) == Options::State::Yes &&
           options_.Local(telnet::kBinary) == Options::State::Yes &&
           options_.Remote(telnet::kBinary) == Options::State::Yes;
  };
  if (!SendAll(asks)) return false;
  if (!AwaitUntil([&] { return agreed() || refused(); }, kNegotiationMs)) {
    if (!Gone()) Fail(NetError::NotRfc2217, std::string(Text("serial.rfc2217_no_telnet")));
    return false;
  }
  if (options_.Refused(true, telnet::kComPortOption)) {
    Fail(NetError::NotRfc2217, std::string(Text("serial.rfc2217_no_com_port")));
    return false;
  }
  if (refused()) {
    Fail(NetError::NotRfc2217, std::string(Text("serial.rfc2217_no_binary")));
    return false;
  }
  // The modem lines and the flow control are asked for and not awaited: a server in front of
  // a pseudo-terminal cannot set them and never answers.
  Bytes settings;
  for (const auto& [command, value] : {std::pair{ComPort::SetDatasize, telnet::kDatasize8},
                                       {ComPort::SetParity, telnet::kParityNone},
                                       {ComPort::SetStopsize, telnet::kStopsize1},
                                       {ComPort::SetControl, telnet::kControlNoFlow},
                                       {ComPort::SetControl, telnet::kControlDtrOff},
                                       {ComPort::SetControl, telnet::kControlRtsOff}}) {
    const Bytes request = Request(command, value);
    settings.insert(settings.end(), request.begin(), request.end());
  }
  return SendAll(settings);
}

std::size_t Rfc2217Transport::Decode(std::uint8_t* bytes, std::size_t count) {
  const std::size_t data = reader_.Feed(bytes, count, bytes);
  for (const telnet::Event& event : reader_.TakeEvents()) {
    if (const Bytes answer = options_.Answer(event); !answer.empty()) SendAll(answer);
    if (const auto message = telnet::ParseComPort(event)) Handle(*message);
  }
  return data;
}

void Rfc2217Transport::Handle(const telnet::ComPortMessage& message) {
  if (!message.from_server) return;
  switch (message.command) {
    case ComPort::SetBaudrate:
      if (rate_requests_ > 0) --rate_requests_;
      answered_rate_ = telnet::ValueOf(message).value_or(0);
      break;
    case ComPort::PurgeData:
      if (purge_requests_ > 0) --purge_requests_;
      purge_answers_ = PurgeAnswers::Yes;
      break;
    case ComPort::FlowcontrolSuspend:
      suspended_ = true;
      break;
    case ComPort::FlowcontrolResume:
      suspended_ = false;
      break;
    case ComPort::Signature:
      // An empty one asks for ours.
      if (message.value.empty())
        SendAll(telnet::BuildComPort(telnet::ComPortSignature("zotpx", false)));
      break;
    default:
      // Line and modem states, and the answers nobody waits for.
      break;
  }
}

bool Rfc2217Transport::SetRate(int baud) {
  if (baud <= 0) {
    Fail(NetError::RateRefused, {}).asked_rate = baud;
    return false;
  }
  ++rate_requests_;
  if (!SendAll(Request(ComPort::SetBaudrate, static_cast<std::uint32_t>(baud)))) return false;
  if (!AwaitUntil([this] { return rate_requests_ == 0; }, kRateAnswerMs)) {
    if (!Gone()) Fail(NetError::TimedOut, std::string(Text("serial.rfc2217_rate_unanswered")));
    return false;
  }
  if (answered_rate_ != static_cast<std::uint32_t>(baud)) {
    NetFailure& failure = Fail(NetError::RateRefused, {});
    failure.asked_rate = baud;
    failure.running_rate = static_cast<int>(answered_rate_);
    return false;
  }
  return true;
}

std::size_t Rfc2217Transport::Write(const std::uint8_t* buffer, std::size_t count) {
  const int bound = WriteBoundMs(count);
  if (suspended_ && !AwaitUntil([this] { return !suspended_; }, bound)) {
    if (!Gone()) Fail(NetError::TimedOut, std::string(Text("serial.rfc2217_paused")));
    return 0;
  }
  Bytes wire;
  wire.reserve(count + count / 16 + 16);
  telnet::AppendEscaped(wire, buffer, count);
  const std::size_t sent = Send(wire.data(), wire.size(), bound);
  if (sent == wire.size()) return count;
  // The data bytes whose whole escaped form went out.
  std::size_t data = 0;
  for (std::size_t at = 0; data < count; ++data) {
    at += buffer[data] == telnet::kIac ? 2 : 1;
    if (at > sent) break;
  }
  return data;
}

void Rfc2217Transport::Discard() {
  if (SendAll(Request(ComPort::PurgeData, telnet::kPurgeReceive))) {
    ++purge_requests_;
    if (purge_answers_ != PurgeAnswers::No) {
      const bool answered = AwaitUntil([this] { return purge_requests_ == 0; }, kReadPeriodMs);
      if (!answered && purge_answers_ == PurgeAnswers::Unknown) purge_answers_ = PurgeAnswers::No;
    }
  }
  TcpTransport::Discard();
}

}  // namespace zotpx
