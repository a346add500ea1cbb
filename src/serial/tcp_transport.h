// A port over raw TCP ("tcp://HOST:PORT"): the connection carries the device's bytes as they
// are, so nothing but the far end's own setting decides the rate.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "base/bytes.h"
#include "base/socket.h"
#include "serial/network_transport.h"
#include "serial/transport.h"

namespace zotpx {

// Connecting, the name's resolution included, may take this long.
constexpr int kConnectMs = 5000;

class TcpTransport : public Transport {
 public:
  // Nothing, with `failure` filled in, when no connection is made.
  static std::unique_ptr<TcpTransport> Open(const std::string& host, int port, NetFailure& failure);
  ~TcpTransport() override;
  TcpTransport(const TcpTransport&) = delete;
  TcpTransport& operator=(const TcpTransport&) = delete;

  // Always true: the far end runs at whatever rate it was set to.
  bool SetRate(int baud) override;
  std::size_t Read(std::uint8_t* buffer, std::size_t count) override;
  std::size_t Write(const std::uint8_t* buffer, std::size_t count) override;
  void Discard() override;
  bool Alive() override;
  // Ends the connection at once; the server puts its port back as it does for any client.
  void RestoreAtOnce() noexcept override;

  // Why the connection broke off or a request went unanswered, once a call has said so.
  const NetFailure& Failure() const { return failure_; }

 protected:
  TcpTransport(SocketHandle socket, const std::string& host, int port);
  static SocketHandle Connect(const std::string& host, int port, NetFailure& failure);

  // What arrived, in place, made data: the count of data bytes at the front. Raw TCP's
  // bytes are all data.
  virtual std::size_t Decode(std::uint8_t* bytes, std::size_t count);
  // Takes what arrives within `timeout_ms` (0: only what is there already) into the receive
  // buffer. False after silence, or once the connection is gone.
  bool Receive(int timeout_ms);
  // The bytes as they are, within `timeout_ms`; the count sent.
  std::size_t Send(const std::uint8_t* bytes, std::size_t count, int timeout_ms);
  // Records why the connection failed; the record, for what more it should say.
  NetFailure& Fail(NetError error, const std::string& detail);
  bool Gone() const { return lost_; }
  // What has arrived and not been read, as text: the last words of a server that closes on
  // us (a busy port, say).
  std::string PendingText() const;

 private:
  // Hands out what the receive buffer holds, up to `count` bytes.
  std::size_t Take(std::uint8_t* buffer, std::size_t count);

  // Received data beyond this is dropped: a peer that floods a port nobody reads.
  static constexpr std::size_t kReceiveLimit = 65536;

  const SocketHandle socket_;
  const std::string host_;
  const int port_;
  Bytes received_;
  std::size_t taken_ = 0;
  bool lost_ = false;
  NetFailure failure_;
};

}  // namespace zotpx
