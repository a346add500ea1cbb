// A port through a serial server that speaks RFC 2217 ("rfc2217://HOST:PORT"): Telnet in
// BINARY mode both ways with COM-PORT-OPTION, by which the client sets the server's serial line
// as it would set a local port's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "serial/tcp_transport.h"
#include "serial/telnet.h"

namespace zotpx {

// How long the server has to agree on the protocol, and to answer a rate.
constexpr int kNegotiationMs = 3000;
constexpr int kRateAnswerMs = 2000;

class Rfc2217Transport final : public TcpTransport {
 public:
  // Connects, agrees on BINARY both ways and COM-PORT-OPTION, and runs the server's line 8N1
  // without flow control, DTR and RTS off, at `baud` (the server's answer awaited). Nothing,
  // with `failure` filled in, when any of that fails; a server that does not confirm the
  // flow control and modem lines (ser2net in front of a pseudo-terminal) does not fail it.
  static std::unique_ptr<Rfc2217Transport> Open(const std::string& host, int port, int baud,
                                                NetFailure& failure);

  // SET-BAUDRATE, then the server's answer: false when it names another rate (RateRefused) or
  // does not come within kRateAnswerMs (TimedOut).
  bool SetRate(int baud) override;
  // Escaped, and held back while the server has asked us to suspend (FLOWCONTROL-SUSPEND).
  std::size_t Write(const std::uint8_t* buffer, std::size_t count) override;
  // PURGE-DATA of the server's receive buffer, and what crossed before its answer dropped: the
  // answer marks where the stale bytes end. A server that never answers it is not waited for
  // after the first time.
  void Discard() override;

 private:
  Rfc2217Transport(SocketHandle socket, const std::string& host, int port)
      : TcpTransport(socket, host, port) {}

  std::size_t Decode(std::uint8_t* bytes, std::size_t count) override;
  void Handle(const telnet::ComPortMessage& message);
  // Receives until `done` or until `timeout_ms` has passed; whether `done`.
  bool AwaitUntil(const std::function<bool()>& done, int timeout_ms);
  bool Negotiate();
  bool SendAll(const Bytes& wire);

  telnet::Reader reader_;
  telnet::Options options_{{telnet::kBinary, telnet::kSuppressGoAhead, telnet::kComPortOption},
                           {telnet::kBinary, telnet::kSuppressGoAhead}};
  int rate_requests_ = 0;  // SET-BAUDRATE sent and not yet answered
  std::uint32_t answered_rate_ = 0;
  int purge_requests_ = 0;
  enum class PurgeAnswers { Unknown, Yes, No } purge_answers_ = PurgeAnswers::Unknown;
  bool suspended_ = false;
};

}  // namespace zotpx
