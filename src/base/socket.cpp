// TCP on Linux: non-blocking sockets and poll() for every wait.
#include "base/socket.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <vector>

#include "base/call_within.h"
#include "base/texts.h"

namespace zotpx {

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kListenResolveMs = 5000;

constexpr int kResolveTimedOut = 1 << 30;  // no status getaddrinfo gives

struct AddressList {
  int status = 0;  // getaddrinfo's, or kResolveTimedOut
  int err = 0;     // errno, for EAI_SYSTEM
  addrinfo* list = nullptr;
};
using Addresses = std::unique_ptr<addrinfo, decltype(&freeaddrinfo)>;

int MillisecondsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

SocketFailure Failed(SocketError error, int err) {
  return {error, err ? std::strerror(err) : ""};
}

// An established connection's failure: its end, or something else the system has words for.
SocketFailure Broken(int err) {
  const bool lost = err == ECONNRESET || err == ECONNABORTED || err == EPIPE || err == ENOTCONN ||
                    err == ETIMEDOUT || err == EHOSTUNREACH;
  return Failed(lost ? SocketError::Lost : SocketError::Other, err);
}

SocketError ErrorOf(int err) {
  if (err == ECONNREFUSED) return SocketError::Refused;
  return err == ETIMEDOUT ? SocketError::TimedOut : SocketError::Other;
}

// Waits up to `ms` for `events`; the events that came, 0 on time-out.
short Await(int fd, short events, int ms) {
  pollfd p{fd, events, 0};
  for (;;) {
    const int r = poll(&p, 1, ms);
    if (r < 0 && errno == EINTR) continue;
    return r > 0 ? p.revents : 0;
  }
}

// TCP_NODELAY, and keep-alive probes so that a peer that vanished without a word (a cable
// pulled, a server powered off) is noticed within a minute even while the port idles.
void Prepare(int fd) {
  const int on = 1;
  (void)setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  (void)setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
  const int idle = 15, interval = 5, count = 4;
  (void)setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
  (void)setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
  (void)setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &count, sizeof count);
}

// Numeric addresses at once; names on a thread of their own, given up after `timeout_ms`.
AddressList Resolve(const std::string& host, int port, int flags, int timeout_ms) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = flags | AI_NUMERICSERV;
  const std::string service = std::to_string(port);
  const char* node = host.empty() ? nullptr : host.c_str();
  AddressList numeric;
  hints.ai_flags |= AI_NUMERICHOST;
  numeric.status = getaddrinfo(node, service.c_str(), &hints, &numeric.list);
  numeric.err = errno;
  if (numeric.status != EAI_NONAME) return numeric;
  hints.ai_flags &= ~AI_NUMERICHOST;
  std::optional<AddressList> named = CallWithin<AddressList>(
      timeout_ms,
      [host, service, hints] {
        AddressList found;
        found.status = getaddrinfo(host.c_str(), service.c_str(), &hints, &found.list);
        found.err = errno;
        return found;
      },
      [](AddressList& late) {
        if (late.status == 0) freeaddrinfo(late.list);
      });
  return named ? *named : AddressList{kResolveTimedOut, 0, nullptr};
}

SocketFailure ResolveFailure(const AddressList& found) {
  if (found.status == kResolveTimedOut)
    return {SocketError::TimedOut, std::string(Text("net.resolve_timed_out"))};
  if (found.status == EAI_SYSTEM) return Failed(SocketError::Other, found.err);
  return {SocketError::NotResolved, gai_strerror(found.status)};
}

// One address, within `ms`.
int TryConnect(const addrinfo& address, int ms, SocketFailure& failure) {
  const int fd = socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                        address.ai_protocol);
  if (fd < 0) {
    failure = Failed(SocketError::Other, errno);
    return -1;
  }
  Prepare(fd);
  int err = 0;
  if (connect(fd, address.ai_addr, address.ai_addrlen) != 0) {
    err = errno;
    if (err == EINPROGRESS || err == EINTR) {
      if (Await(fd, POLLOUT, ms) == 0) {
        failure = {SocketError::TimedOut, {}};
        close(fd);
        return -1;
      }
      socklen_t size = sizeof err;
      if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &size) != 0) err = errno;
    }
  }
  if (err != 0) {
    failure = Failed(ErrorOf(err), err);
    close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

SocketHandle ConnectSocket(const std::string& host, int port, int timeout_ms,
                           SocketFailure& failure) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  // Every address is tried, so none is left out for want of a configured interface.
  const AddressList found = Resolve(host, port, 0, timeout_ms);
  if (found.status != 0) {
    failure = ResolveFailure(found);
    return kNoSocket;
  }
  const Addresses addresses(found.list, freeaddrinfo);
  int left = 0;
  for (const addrinfo* a = found.list; a; a = a->ai_next) ++left;
  // A refusal says more than another address's silence: something is there, but not serving.
  bool refused = false;
  for (const addrinfo* a = found.list; a; a = a->ai_next, --left) {
    // The time left, shared among the addresses left, so that one silent address cannot take
    // it all.
    const int ms = MillisecondsLeft(deadline);
    if (ms == 0) break;
    const int fd = TryConnect(*a, left > 1 ? std::max(ms / left, 1) : ms, failure);
    if (fd >= 0) {
      failure = {};
      return fd;
    }
    refused = refused || failure.error == SocketError::Refused;
  }
  if (refused)
    failure = {SocketError::Refused, std::strerror(ECONNREFUSED)};
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
  // Every address of the machine: IPv6's first, taking IPv4 along, where the system has IPv6.
  std::vector<const addrinfo*> order;
  for (const addrinfo* a = found.list; a; a = a->ai_next)
    order.insert(host.empty() && a->ai_family == AF_INET6 ? order.begin() : order.end(), a);
  for (const addrinfo* a : order) {
    const int fd =
        socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
    if (fd < 0) {
      failure = Failed(SocketError::Other, errno);
      continue;
    }
    const int on = 1, off = 0;
    (void)setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (a->ai_family == AF_INET6 && host.empty())
      (void)setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &off, sizeof off);
    sockaddr_storage bound{};
    socklen_t size = sizeof bound;
    if (bind(fd, a->ai_addr, a->ai_addrlen) != 0 || listen(fd, 1) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &size) != 0) {
      failure = Failed(SocketError::Other, errno);
      close(fd);
      continue;
    }
    bound_port =
        ntohs(bound.ss_family == AF_INET6 ? reinterpret_cast<const sockaddr_in6&>(bound).sin6_port
                                          : reinterpret_cast<const sockaddr_in&>(bound).sin_port);
    failure = {};
    return fd;
  }
  return kNoSocket;
}

SocketHandle AcceptSocket(SocketHandle listener, int timeout_ms, SocketFailure& failure) {
  const int fd = static_cast<int>(listener);
  if (!(Await(fd, POLLIN, timeout_ms) & POLLIN)) {
    failure = {SocketError::TimedOut, {}};
    return kNoSocket;
  }
  const int peer = accept4(fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
  if (peer < 0) {
    failure = Failed(errno == EAGAIN ? SocketError::TimedOut : SocketError::Other, errno);
    return kNoSocket;
  }
  Prepare(peer);
  failure = {};
  return peer;
}

long ReceiveSocket(SocketHandle socket, std::uint8_t* buffer, std::size_t count, int timeout_ms,
                   SocketFailure& failure) {
  const int fd = static_cast<int>(socket);
  for (;;) {
    const ssize_t r = recv(fd, buffer, count, 0);
    if (r > 0) return static_cast<long>(r);
    if (r == 0) {
      failure = {SocketError::Lost, {}};
      return -1;
    }
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) {
      failure = Broken(errno);
      return -1;
    }
    // Woken by the data, the end of the connection or an error: the next recv tells which.
    if (timeout_ms <= 0 || Await(fd, POLLIN, timeout_ms) == 0) return 0;
    timeout_ms = 0;
  }
}

std::size_t SendSocket(SocketHandle socket, const std::uint8_t* buffer, std::size_t count,
                       int timeout_ms, SocketFailure& failure) {
  const int fd = static_cast<int>(socket);
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  std::size_t done = 0;
  while (done < count) {
    const ssize_t w = send(fd, buffer + done, count - done, MSG_NOSIGNAL);
    if (w > 0) {
      done += static_cast<std::size_t>(w);
      continue;
    }
    if (w < 0 && errno == EINTR) continue;
    if (w < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
      failure = Broken(errno);
      break;
    }
    const int ms = MillisecondsLeft(deadline);
    if (ms == 0 || Await(fd, POLLOUT, ms) == 0) {
      failure = {SocketError::TimedOut, {}};
      break;
    }
  }
  return done;
}

bool SocketAlive(SocketHandle socket) {
  if (socket == kNoSocket) return false;
  const short events = Await(static_cast<int>(socket), POLLIN | POLLRDHUP, 0);
  return !(events & (POLLHUP | POLLERR | POLLNVAL | POLLRDHUP));
}

void CloseSocket(SocketHandle socket) {
  if (socket != kNoSocket) close(static_cast<int>(socket));
}

void ShutdownSocketAtOnce(SocketHandle socket) noexcept {
  if (socket != kNoSocket) (void)shutdown(static_cast<int>(socket), SHUT_RDWR);
}

}  // namespace zotpx
