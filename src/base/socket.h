// TCP connections, the one seam the network ports and the simulator's listener stand on:
// BSD sockets on Linux, Winsock on Windows. Every socket is non-blocking with TCP_NODELAY (a
// frame is a handful of bytes awaiting a reply: Nagle's delay would hold each one back), and
// nothing here can raise SIGPIPE. Every wait is bounded by the caller's time-out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zotpx {

// A socket as the system knows it: a descriptor on Linux, a SOCKET on Windows.
using SocketHandle = std::intptr_t;
constexpr SocketHandle kNoSocket = -1;

enum class SocketError { None, NotResolved, Refused, TimedOut, Lost, Other };

struct SocketFailure {
  SocketError error = SocketError::None;
  std::string detail;  // the system's words, where it gave any
};

// Resolves `host` (a name, an IPv4 or an IPv6 address) and tries each of its addresses in
// turn until one accepts, all within `timeout_ms`, the name's resolution included.
SocketHandle ConnectSocket(const std::string& host, int port, int timeout_ms,
                           SocketFailure& failure);

// Listens at `port` (0: any free port, told in `bound_port`) on `host`, or on every address of
// the machine, IPv6 and IPv4, when `host` is empty: choosing the loopback is the caller's part.
SocketHandle ListenSocket(const std::string& host, int port, int& bound_port,
                          SocketFailure& failure);
// The next connection, waiting up to `timeout_ms`; kNoSocket with TimedOut when none came.
SocketHandle AcceptSocket(SocketHandle listener, int timeout_ms, SocketFailure& failure);

// Up to `count` bytes of what has arrived, waiting up to `timeout_ms` for the first. The count
// received; 0 on time-out; -1 once the connection has ended (Lost) or failed (Other).
long ReceiveSocket(SocketHandle socket, std::uint8_t* buffer, std::size_t count, int timeout_ms,
                   SocketFailure& failure);
// Sends the `count` bytes, waiting for room for at most `timeout_ms` in all. The count sent:
// fewer on time-out (TimedOut) or when the connection has ended (Lost) or failed (Other).
std::size_t SendSocket(SocketHandle socket, const std::uint8_t* buffer, std::size_t count,
                       int timeout_ms, SocketFailure& failure);

// False once the peer has closed or reset the connection.
bool SocketAlive(SocketHandle socket);
// Harmless on kNoSocket.
void CloseSocket(SocketHandle socket);
// For a signal handler (async-signal-safe): ends the connection both ways at once, so that the
// peer sees it closed, and leaves the handle valid for CloseSocket.
void ShutdownSocketAtOnce(SocketHandle socket) noexcept;

}  // namespace zotpx
