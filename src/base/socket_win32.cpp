// TCP on Windows: Winsock, non-blocking sockets that no child process inherits, and select()
// for every wait (WSAPoll misses a refused connection on older systems).
#include <winsock2.h>
// After winsock2.h.
#include <mstcpip.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

#include "base/call_within.h"
#include "base/socket.h"
#include "base/system_message_win32.h"
#include "base/texts.h"

namespace zotpx {

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kListenResolveMs = 5000;
constexpr int kResolveTimedOut = 1 << 30;  // no status getaddrinfo gives

struct AddressList {
  int status = 0;  // getaddrinfo's, or kResolveTimedOut
  addrinfo* list = nullptr;
};
using Addresses = std::unique_ptr<addrinfo, decltype(&freeaddrinfo)>;

// Winsock is started once, for the life of the program.
void StartWinsock() {
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  (void)started;
}

int MillisecondsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

SocketFailure Failed(SocketError error, int code) {
  return {error, code ? SystemMessage(static_cast<DWORD>(code)) : ""};
}

SocketFailure Broken(int code) {
  const bool lost = code == WSAECONNRESET || code == WSAECONNABORTED || code == WSAENOTCONN ||
                    code == WSAESHUTDOWN || code == WSAETIMEDOUT || code == WSAENETRESET ||
                    code == WSAEHOSTUNREACH;
  return Failed(lost ? SocketError::Lost : SocketError::Other, code);
}

SocketError ConnectError(int code) {
  if (code == WSAECONNREFUSED) return SocketError::Refused;
  return code == WSAETIMEDOUT ? SocketError::TimedOut : SocketError::Other;
}

enum class Wait { Read, Write, Connect };

// Waits up to `ms` for the socket to be ready; false on time-out.
bool Await(SOCKET socket, Wait wait, int ms) {
  fd_set ready, failed;
  FD_ZERO(&ready);
  FD_ZERO(&failed);
  FD_SET(socket, &ready);
  FD_SET(socket, &failed);
  timeval limit{ms / 1000, (ms % 1000) * 1000};
  const int r =
      select(0, wait == Wait::Read ? &ready : nullptr, wait == Wait::Read ? nullptr : &ready,
             wait == Wait::Connect ? &failed : nullptr, &limit);
  return r > 0;
}

// TCP_NODELAY, and keep-alive probes so that a peer that vanished without a word (a cable
// pulled, a server powered off) is noticed within a minute even while the port idles.
void Prepare(SOCKET socket) {
  u_long on = 1;
  (void)ioctlsocket(socket, FIONBIO, &on);
  const BOOL yes = TRUE;
  (void)setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&yes),
                   sizeof yes);
  tcp_keepalive keepalive{1, 15000, 5000};
  DWORD size = 0;
  (void)WSAIoctl(socket, SIO_KEEPALIVE_VALS, &keepalive, sizeof keepalive, nullptr, 0, &size,
                 nullptr, nullptr);
}

SOCKET NewSocket(const addrinfo& address) {
  return WSASocketW(address.ai_family, address.ai_socktype, address.ai_protocol, nullptr, 0,
                    WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
}

// Numeric addresses at once; names on a thread of their own, given up after `timeout_ms`.
AddressList Resolve(const std::string& host, int port, int flags, int timeout_ms) {
  StartWinsock();
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  hints.ai_flags = flags | AI_NUMERICSERV;
  const std::string service = std::to_string(port);
  const char* node = host.empty() ? nullptr : host.c_str();
  AddressList numeric;
  hints.ai_flags |= AI_NUMERICHOST;
  numeric.status = getaddrinfo(node, service.c_str(), &hints, &numeric.list);
  if (numeric.status != EAI_NONAME) return numeric;
  hints.ai_flags &= ~AI_NUMERICHOST;
  std::optional<AddressList> named = CallWithin<AddressList>(
      timeout_ms,
      [host, service, hints] {
        AddressList found;
        found.status = getaddrinfo(host.c_str(), service.c_str(), &hints, &found.list);
        return found;
      },
      [](AddressList& late) {
        if (late.status == 0) freeaddrinfo(late.list);
      });
  return named ? *named : AddressList{kResolveTimedOut, nullptr};
}

SocketFailure ResolveFailure(const AddressList& found) {
  if (found.status == kResolveTimedOut)
    return {SocketError::TimedOut, std::string(Text("net.resolve_timed_out"))};
  return {SocketError::NotResolved, SystemMessage(static_cast<DWORD>(found.status))};
}

// One address, within `ms`.
SOCKET TryConnect(const addrinfo& address, int ms, SocketFailure& failure) {
  const SOCKET socket = NewSocket(address);
  if (socket == INVALID_SOCKET) {
    failure = Failed(SocketError::Other, WSAGetLastError());
    return INVALID_SOCKET;
  }
  Prepare(socket);
  int code = 0;
  if (connect(socket, address.ai_addr, static_cast<int>(address.ai_addrlen)) != 0) {
    code = WSAGetLastError();
    if (code == WSAEWOULDBLOCK) {
      if (!Await(socket, Wait::Connect, ms)) {
        failure = {SocketError::TimedOut, {}};
        closesocket(socket);
        return INVALID_SOCKET;
      }
      int size = sizeof code;
      if (getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&code), &size) != 0)
        code = WSAGetLastError();
    }
  }
  if (code != 0) {
    failure = Failed(ConnectError(code), code);
    closesocket(socket);
    return INVALID_SOCKET;
  }
  return socket;
}

SOCKET Native(SocketHandle socket) {
  return static_cast<SOCKET>(socket);
}

}  // namespace

SocketHandle ConnectSocket(const std::string& host, int port, int timeout_ms,
                           SocketFailure& failure) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  const AddressList found = Resolve(host, port, 0, timeout_ms);
  if (found.status != 0) {
    failure = ResolveFailure(found);
    return kNoSocket;
  }
  const Addresses addresses(found.list, freeaddrinfo);
  int left = 0;
  for (const addrinfo* a = found.list; a; a = a->ai_next) ++left;
  bool refused = false;
  for (const addrinfo* a = found.list; a; a = a->ai_next, --left) {
    const int ms = MillisecondsLeft(deadline);
    if (ms == 0) break;
    const SOCKET socket = TryConnect(*a, left > 1 ? std::max(ms / left, 1) : ms, failure);
    if (socket != INVALID_SOCKET) {
      failure = {};
      return static_cast<SocketHandle>(socket);
    }
    refused = refused || failure.error == SocketError::Refused;
  }
  if (refused)
    failure = Failed(SocketError::Refused, WSAECONNREFUSED);
  else if (failure.error == SocketError::None)
    failure = {SocketError::TimedOut, {}};
  return kNoSocket;
}

SocketHandle ListenSocket(const std::string& host, int port, int& bound_port,
                          SocketFailure& failure) {
  const AddressList found = Resolve(host, port, AI_PASSIVE, kListenResolveMs);
  if (found.status != 0) {
    failure = ResolveFailure(found);
    return kNoSocket;
  }
  const Addresses addresses(found.list, freeaddrinfo);
  std::vector<const addrinfo*> order;
  for (const addrinfo* a = found.list; a; a = a->ai_next)
    order.insert(host.empty() && a->ai_family == AF_INET6 ? order.begin() : order.end(), a);
  for (const addrinfo* a : order) {
    const SOCKET socket = NewSocket(*a);
    if (socket == INVALID_SOCKET) {
      failure = Failed(SocketError::Other, WSAGetLastError());
      continue;
    }
    // Exclusive: on Windows SO_REUSEADDR would let another program take the port over.
    const BOOL yes = TRUE, no = FALSE;
    (void)setsockopt(socket, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&yes),
                     sizeof yes);
    if (a->ai_family == AF_INET6 && host.empty())
      (void)setsockopt(socket, IPPROTO_IPV6, IPV6_V6ONLY, reinterpret_cast<const char*>(&no),
                       sizeof no);
    u_long on = 1;
    sockaddr_storage bound{};
    int size = sizeof bound;
    if (bind(socket, a->ai_addr, static_cast<int>(a->ai_addrlen)) != 0 || listen(socket, 1) != 0 ||
        ioctlsocket(socket, FIONBIO, &on) != 0 ||
        getsockname(socket, reinterpret_cast<sockaddr*>(&bound), &size) != 0) {
      failure = Failed(SocketError::Other, WSAGetLastError());
      closesocket(socket);
      continue;
    }
    bound_port =
        ntohs(bound.ss_family == AF_INET6 ? reinterpret_cast<const sockaddr_in6&>(bound).sin6_port
                                          : reinterpret_cast<const sockaddr_in&>(bound).sin_port);
    failure = {};
    return static_cast<SocketHandle>(socket);
  }
  return kNoSocket;
}

SocketHandle AcceptSocket(SocketHandle listener, int timeout_ms, SocketFailure& failure) {
  if (!Await(Native(listener), Wait::Read, timeout_ms)) {
    failure = {SocketError::TimedOut, {}};
    return kNoSocket;
  }
  const SOCKET peer = accept(Native(listener), nullptr, nullptr);
  if (peer == INVALID_SOCKET) {
    const int code = WSAGetLastError();
    failure = Failed(code == WSAEWOULDBLOCK ? SocketError::TimedOut : SocketError::Other, code);
    return kNoSocket;
  }
  (void)SetHandleInformation(reinterpret_cast<HANDLE>(peer), HANDLE_FLAG_INHERIT, 0);
  Prepare(peer);
  failure = {};
  return static_cast<SocketHandle>(peer);
}

long ReceiveSocket(SocketHandle socket, std::uint8_t* buffer, std::size_t count, int timeout_ms,
                   SocketFailure& failure) {
  const int size = static_cast<int>(std::min<std::size_t>(count, 1 << 30));
  for (;;) {
    const int r = recv(Native(socket), reinterpret_cast<char*>(buffer), size, 0);
    if (r > 0) return r;
    if (r == 0) {
      failure = {SocketError::Lost, {}};
      return -1;
    }
    const int code = WSAGetLastError();
    if (code != WSAEWOULDBLOCK) {
      failure = Broken(code);
      return -1;
    }
    if (timeout_ms <= 0 || !Await(Native(socket), Wait::Read, timeout_ms)) return 0;
    timeout_ms = 0;
  }
}

std::size_t SendSocket(SocketHandle socket, const std::uint8_t* buffer, std::size_t count,
                       int timeout_ms, SocketFailure& failure) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  std::size_t done = 0;
  while (done < count) {
    const int size = static_cast<int>(std::min<std::size_t>(count - done, 1 << 30));
    const int w = send(Native(socket), reinterpret_cast<const char*>(buffer + done), size, 0);
    if (w > 0) {
      done += static_cast<std::size_t>(w);
      continue;
    }
    const int code = WSAGetLastError();
    if (code != WSAEWOULDBLOCK) {
      failure = Broken(code);
      break;
    }
    const int ms = MillisecondsLeft(deadline);
    if (ms == 0 || !Await(Native(socket), Wait::Write, ms)) {
      failure = {SocketError::TimedOut, {}};
      break;
    }
  }
  return done;
}

bool SocketAlive(SocketHandle socket) {
  if (socket == kNoSocket) return false;
  if (!Await(Native(socket), Wait::Read, 0)) return true;
  // Readable: data, or the end of the connection, which a peek tells apart.
  char byte;
  const int r = recv(Native(socket), &byte, 1, MSG_PEEK);
  return r > 0 || (r < 0 && WSAGetLastError() == WSAEWOULDBLOCK);
}

void CloseSocket(SocketHandle socket) {
  if (socket != kNoSocket) closesocket(Native(socket));
}

void ShutdownSocketAtOnce(SocketHandle socket) noexcept {
  if (socket != kNoSocket) (void)shutdown(Native(socket), SD_BOTH);
}

}  // namespace zotpx
