#include "serial/tcp_transport.h"

#include <algorithm>
#include <chrono>

namespace zotpx {

namespace {

using Clock = std::chrono::steady_clock;

int MillisecondsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace

SocketHandle TcpTransport::Connect(const std::string& host, int port, NetFailure& failure) {
  SocketFailure socket_failure;
  const SocketHandle socket = ConnectSocket(host, port, kConnectMs, socket_failure);
  if (socket == kNoSocket) failure = NetFailureOf(socket_failure, host, port);
  return socket;
}

std::unique_ptr<TcpTransport> TcpTransport::Open(const std::string& host, int port,
                                                 NetFailure& failure) {
  const SocketHandle socket = Connect(host, port, failure);
  if (socket == kNoSocket) return nullptr;
  return std::unique_ptr<TcpTransport>(new TcpTransport(socket, host, port));
}

TcpTransport::TcpTransport(SocketHandle socket, const std::string& host, int port)
    : socket_(socket), host_(host), port_(port) {
  failure_.host = host;
  failure_.port = port;
}

TcpTransport::~TcpTransport() {
  CloseSocket(socket_);
}

bool TcpTransport::SetRate(int) {
  return true;
}

NetFailure& TcpTransport::Fail(NetError error, const std::string& detail) {
  failure_.error = error;
  failure_.detail = detail;
  return failure_;
}

std::string TcpTransport::PendingText() const {
  constexpr std::size_t kLongest = 120;
  std::string text;
  for (std::size_t i = taken_; i < received_.size() && text.size() < kLongest; ++i) {
    const char c = static_cast<char>(received_[i]);
    if (c >= ' ' && c <= '~')
      text += c;
    else if (!text.empty() && text.back() != ' ')
      text += ' ';
  }
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

std::size_t TcpTransport::Decode(std::uint8_t*, std::size_t count) {
  return count;
}

bool TcpTransport::Receive(int timeout_ms) {
  if (lost_) return false;
  std::uint8_t bytes[4096];
  SocketFailure failure;
  const long got = ReceiveSocket(socket_, bytes, sizeof bytes, timeout_ms, failure);
  if (got < 0) {
    lost_ = true;
    failure_ = NetFailureOf(failure, host_, port_);
    if (failure_.error == NetError::Other || failure_.error == NetError::TimedOut)
      failure_.error = NetError::Lost;
    return false;
  }
  if (got == 0) return false;
  const std::size_t data = Decode(bytes, static_cast<std::size_t>(got));
  if (taken_ == received_.size()) {
    received_.clear();
    taken_ = 0;
  }
  const std::size_t room = kReceiveLimit - std::min(kReceiveLimit, received_.size() - taken_);
  received_.insert(received_.end(), bytes, bytes + std::min(data, room));
  return true;
}

std::size_t TcpTransport::Take(std::uint8_t* buffer, std::size_t count) {
  const std::size_t n = std::min(count, received_.size() - taken_);
  std::copy_n(received_.begin() + static_cast<std::ptrdiff_t>(taken_), n, buffer);
  taken_ += n;
  return n;
}

std::size_t TcpTransport::Read(std::uint8_t* buffer, std::size_t count) {
  std::size_t got = Take(buffer, count);
  const auto deadline = Clock::now() + std::chrono::milliseconds(kReadPeriodMs);
  while (got < count) {
    const int ms = MillisecondsLeft(deadline);
    if (ms == 0 || !Receive(ms)) break;
    got += Take(buffer + got, count - got);
  }
  return got;
}

std::size_t TcpTransport::Send(const std::uint8_t* bytes, std::size_t count, int timeout_ms) {
  if (lost_) return 0;
  SocketFailure failure;
  const std::size_t sent = SendSocket(socket_, bytes, count, timeout_ms, failure);
  if (sent < count) {
    const NetFailure why = NetFailureOf(failure, host_, port_);
    lost_ = why.error != NetError::TimedOut;
    Fail(lost_ ? NetError::Lost : NetError::TimedOut, why.detail);
  }
  return sent;
}

std::size_t TcpTransport::Write(const std::uint8_t* buffer, std::size_t count) {
  return Send(buffer, count, WriteBoundMs(count));
}

void TcpTransport::Discard() {
  received_.clear();
  taken_ = 0;
  // Bounded: a device that never stops talking must not keep us here.
  for (int i = 0; i < 64 && Receive(0); ++i) {
  }
  received_.clear();
}

bool TcpTransport::Alive() {
  if (!lost_ && !SocketAlive(socket_)) {
    lost_ = true;
    Fail(NetError::Lost, {});
  }
  return !lost_;
}

void TcpTransport::RestoreAtOnce() noexcept {
  ShutdownSocketAtOnce(socket_);
}

}  // namespace zotpx
