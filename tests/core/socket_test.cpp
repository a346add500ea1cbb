// The socket seam on the loopback, on each system: connecting and why it fails, bytes both
// ways, and the end of a connection seen on either side without a signal.
#include "base/socket.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "base/bytes.h"

namespace {

using zotpx::Bytes;
using zotpx::kNoSocket;
using zotpx::SocketError;
using zotpx::SocketFailure;
using zotpx::SocketHandle;

// A listener, closed with the object.
struct Listener {
  SocketHandle socket = kNoSocket;
  int port = 0;
  explicit Listener(const std::string& host) {
    SocketFailure failure;
    socket = zotpx::ListenSocket(host, 0, port, failure);
  }
  ~Listener() { zotpx::CloseSocket(socket); }
};

// A connected pair: `client` from ConnectSocket, `server` from AcceptSocket.
struct Pair {
  SocketHandle client = kNoSocket;
  SocketHandle server = kNoSocket;
  ~Pair() {
    zotpx::CloseSocket(client);
    zotpx::CloseSocket(server);
  }
};

void Connect(const std::string& host, Pair& pair) {
  Listener listener(host);
  ASSERT_NE(listener.socket, kNoSocket) << host;
  SocketFailure failure;
  pair.client = zotpx::ConnectSocket(host, listener.port, 2000, failure);
  ASSERT_NE(pair.client, kNoSocket) << host << ": " << failure.detail;
  pair.server = zotpx::AcceptSocket(listener.socket, 2000, failure);
  ASSERT_NE(pair.server, kNoSocket) << failure.detail;
}

Bytes ReceiveAll(SocketHandle socket, std::size_t count) {
  Bytes got(count);
  std::size_t have = 0;
  SocketFailure failure;
  while (have < count) {
    const long n = zotpx::ReceiveSocket(socket, got.data() + have, count - have, 2000, failure);
    if (n <= 0) break;
    have += static_cast<std::size_t>(n);
  }
  got.resize(have);
  return got;
}

TEST(SocketTest, EachFailureToConnectHasItsOwnCategory) {
  Listener closed("127.0.0.1");
  const int closed_port = closed.port;
  zotpx::CloseSocket(closed.socket);
  closed.socket = kNoSocket;
  // A listener whose queue is full: the system lets the next connection wait unanswered.
  Listener full("127.0.0.1");
  std::vector<Pair> queued(4);
  struct Case {
    const char* what;
    std::string host;
    int port;
    SocketError error;
  };
  const std::vector<Case> cases = {
      {"nothing listens", "127.0.0.1", closed_port, SocketError::Refused},
      // Not a host name at all: the resolver refuses it without asking a name server.
      {"a name that does not resolve", "-no-such-host-.invalid", 4001, SocketError::NotResolved},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SocketFailure failure;
    EXPECT_EQ(zotpx::ConnectSocket(c.host, c.port, 2000, failure), kNoSocket);
    EXPECT_EQ(failure.error, c.error) << failure.detail;
  }
  bool timed_out = false;
  for (Pair& pair : queued) {
    SocketFailure failure;
    pair.client = zotpx::ConnectSocket("127.0.0.1", full.port, 300, failure);
    if (pair.client == kNoSocket) {
      EXPECT_EQ(failure.error, SocketError::TimedOut) << failure.detail;
      timed_out = true;
      break;
    }
  }
  EXPECT_TRUE(timed_out);
}

TEST(SocketTest, BytesBothWaysByAddressOrName) {
  Bytes every;
  for (int i = 0; i < 256; ++i) every.push_back(static_cast<std::uint8_t>(i));
  for (const std::string host : {"127.0.0.1", "::1", "localhost"}) {
    SCOPED_TRACE(host);
    if (host == "::1" && Listener(host).socket == kNoSocket) continue;  // no IPv6 here
    Pair pair;
    Connect(host, pair);
    if (HasFatalFailure()) return;
    SocketFailure failure;
    std::uint8_t byte = 0;
    EXPECT_EQ(zotpx::ReceiveSocket(pair.client, &byte, 1, 50, failure), 0);  // silence
    EXPECT_EQ(zotpx::SendSocket(pair.client, every.data(), every.size(), 1000, failure), 256u);
    EXPECT_EQ(ReceiveAll(pair.server, 256), every);
    EXPECT_EQ(zotpx::SendSocket(pair.server, every.data(), every.size(), 1000, failure), 256u);
    EXPECT_EQ(ReceiveAll(pair.client, 256), every);
    EXPECT_TRUE(zotpx::SocketAlive(pair.client));
  }
}

// Every address of the machine, when no host is given, takes IPv4 along with IPv6.
TEST(SocketTest, ListeningWithoutAHostTakesIPv4Too) {
  Listener any("");
  ASSERT_NE(any.socket, kNoSocket);
  SocketFailure failure;
  const SocketHandle client = zotpx::ConnectSocket("127.0.0.1", any.port, 2000, failure);
  EXPECT_NE(client, kNoSocket) << failure.detail;
  zotpx::CloseSocket(client);
}

// A closed or shut connection is seen as lost on the other side, and writing into it raises no
// signal (SIGPIPE would end this test program).
TEST(SocketTest, TheEndOfAConnectionIsSeenWithoutASignal) {
  for (const bool at_once : {false, true}) {
    SCOPED_TRACE(at_once ? "shut down at once" : "closed");
    Pair pair;
    Connect("127.0.0.1", pair);
    if (HasFatalFailure()) return;
    if (at_once) {
      zotpx::ShutdownSocketAtOnce(pair.server);
    } else {
      zotpx::CloseSocket(pair.server);
      pair.server = kNoSocket;
    }
    SocketFailure failure;
    std::uint8_t byte = 0;
    EXPECT_EQ(zotpx::ReceiveSocket(pair.client, &byte, 1, 2000, failure), -1);
    EXPECT_EQ(failure.error, SocketError::Lost);
    EXPECT_FALSE(zotpx::SocketAlive(pair.client));
    if (at_once) continue;  // a socket only shut down may go on taking what is sent to it
    const Bytes frame(64, 0x55);
    std::size_t sent = frame.size();
    // The first write may still be taken; the peer's reset fails a later one.
    for (int i = 0; i < 50 && sent == frame.size(); ++i) {
      sent = zotpx::SendSocket(pair.client, frame.data(), frame.size(), 500, failure);
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_LT(sent, frame.size());
    EXPECT_EQ(failure.error, SocketError::Lost) << failure.detail;
  }
}

}  // namespace
