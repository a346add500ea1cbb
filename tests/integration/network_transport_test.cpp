// The network transports against real peers that are not ours, in front of a pseudo-terminal:
// ser2net in its RFC 2217 and raw modes, and pyserial's RFC 2217 server. The rate set must be
// the pty's, every byte value must cross both ways intact, the purge must leave nothing stale,
// and a peer that goes away must be seen gone. Then the open against servers that misbehave.
#include "serial/network_transport.h"

#include <asm/termbits.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/socket.h"
#include "serial/rfc2217_transport.h"
#include "serial/tcp_transport.h"
#include "serial/telnet.h"
#include "support/network_peers.h"

namespace {

using zotpx::Bytes;
using zotpx::NetError;
using zotpx::NetFailure;
using zotpx::Transport;
namespace telnet = zotpx::telnet;

// A pseudo-terminal standing in for a serial device; the test keeps its device side open, to
// read the rate the server set and so that it never hangs up.
struct Pty {
  int master = -1;
  int device = -1;
  std::string path;
  Pty() {
    master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return;
    char name[128];
    if (ptsname_r(master, name, sizeof name) != 0) return;
    path = name;
    device = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios2 raw{};
    ioctl(device, TCGETS2, &raw);
    raw.c_iflag = 0;
    raw.c_oflag = 0;
    raw.c_lflag = 0;
    ioctl(device, TCSETS2, &raw);
  }
  ~Pty() {
    close(device);
    close(master);
  }
  int Rate() const {
    termios2 t{};
    ioctl(device, TCGETS2, &t);
    return static_cast<int>(t.c_ospeed);
  }
  // What the server passed on to the device, `count` bytes, waiting up to 2 s.
  Bytes Take(std::size_t count) const {
    Bytes got;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (got.size() < count && std::chrono::steady_clock::now() < deadline) {
      std::uint8_t buffer[512];
      pollfd p{master, POLLIN, 0};
      if (poll(&p, 1, 100) <= 0) continue;
      const ssize_t n = read(master, buffer, sizeof buffer);
      if (n > 0) got.insert(got.end(), buffer, buffer + n);
    }
    return got;
  }
  void Send(const Bytes& bytes) const {
    ASSERT_EQ(write(master, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
};

// A server in front of the pty, reached at `url`. Skips the test when the server's program is
// missing (scripts/deps installs it).
struct Peer {
  std::string url;
  zotpx::test::Ser2net ser2net;
  std::unique_ptr<zotpx::test::PeerProcess> manager;
  void Stop() {
    ser2net.Stop();
    if (manager) manager->Stop();
  }
};

// ser2net with a configuration of its own: "telnet(rfc2217)" or raw TCP, 115200 8N1 on the pty.
void StartSer2net(const Pty& pty, bool rfc2217, Peer& peer) {
  using Mode = zotpx::test::Ser2net::Mode;
  if (!peer.ser2net.Start(pty.path, rfc2217 ? Mode::Rfc2217 : Mode::Raw)) {
    if (peer.ser2net.Missing()) GTEST_SKIP() << peer.ser2net.error();
    FAIL() << peer.ser2net.error();
  }
  peer.url = peer.ser2net.url();
}

void StartPortManager(const Pty& pty, Peer& peer) {
  if (access("/usr/bin/python3", X_OK) != 0) GTEST_SKIP() << "python3 is not installed";
  peer.manager = std::make_unique<zotpx::test::PeerProcess>(
      std::vector<std::string>{"/usr/bin/python3", ZOTPX_PORT_MANAGER_SCRIPT, pty.path}, true);
  const std::string port = peer.manager->FirstLine(10);
  if (port.empty() && peer.manager->Stop() == 3)
    GTEST_SKIP() << "python3-serial is not installed (scripts/deps installs it)";
  ASSERT_FALSE(port.empty()) << "pyserial's server did not start";
  peer.url = "rfc2217://127.0.0.1:" + port;
}

std::unique_ptr<Transport> Open(const std::string& url, int baud, NetFailure& failure) {
  return zotpx::OpenNetworkTransport(zotpx::ParsePortUrl(url), baud, failure);
}

// `count` data bytes, or what came before the line fell silent for a second.
Bytes ReadBytes(Transport& transport, std::size_t count) {
  Bytes got(count);
  std::size_t have = 0;
  for (int silent = 0; have < count && silent < 10;) {
    const std::size_t n = transport.Read(got.data() + have, count - have);
    have += n;
    silent = n ? 0 : silent + 1;
  }
  got.resize(have);
  return got;
}

Bytes EveryByteValue() {
  Bytes bytes;
  for (int i = 0; i < 256; ++i) bytes.push_back(static_cast<std::uint8_t>(i));
  bytes.insert(bytes.end(), {0xFF, 0xFF, 0xFF, 0x55, 0xAA, 0xFF});
  return bytes;
}

enum class PeerKind { Ser2netRfc2217, Ser2netRaw, PortManager };

class RealPeerTest : public ::testing::TestWithParam<PeerKind> {
 protected:
  void SetUp() override {
    ASSERT_FALSE(pty_.path.empty());
    if (GetParam() == PeerKind::PortManager)
      StartPortManager(pty_, peer_);
    else
      StartSer2net(pty_, GetParam() == PeerKind::Ser2netRfc2217, peer_);
  }
  bool Rfc2217() const { return GetParam() != PeerKind::Ser2netRaw; }
  Pty pty_;
  Peer peer_;
};

TEST_P(RealPeerTest, EveryByteCrossesBothWaysAndTheRateIsThePtys) {
  NetFailure failure;
  const std::unique_ptr<Transport> transport = Open(peer_.url, 460800, failure);
  ASSERT_TRUE(transport) << zotpx::NetFailureText(failure);
  const Bytes bytes = EveryByteValue();
  ASSERT_EQ(transport->Write(bytes.data(), bytes.size()), bytes.size());
  EXPECT_EQ(pty_.Take(bytes.size()), bytes);
  pty_.Send(bytes);
  EXPECT_EQ(ReadBytes(*transport, bytes.size()), bytes);
  EXPECT_TRUE(transport->Alive());
  // Over raw TCP the rate is the server's own (115200 in its configuration), and no answer
  // tells when the server has set it: the bytes above have crossed, so it has.
  EXPECT_EQ(pty_.Rate(), Rfc2217() ? 460800 : 115200);
  for (const int rate : {9600, 345600, 115200}) {
    EXPECT_TRUE(transport->SetRate(rate)) << rate;
    EXPECT_EQ(pty_.Rate(), Rfc2217() ? rate : 115200) << rate;
  }
}

// What the device sent before a purge never reaches the reader; what it sends after does.
// Bytes already on their way are dropped on arrival; bytes the device has only just sent are
// the server's to drop, where it can be told to.
TEST_P(RealPeerTest, PurgeLeavesNothingStale) {
  NetFailure failure;
  const std::unique_ptr<Transport> transport = Open(peer_.url, 115200, failure);
  ASSERT_TRUE(transport) << zotpx::NetFailureText(failure);
  for (const bool arriving : {true, false}) {
    if (!arriving && !Rfc2217()) continue;
    SCOPED_TRACE(arriving ? "on their way" : "just sent");
    pty_.Send({0x55, 0xAA, 0x10, 0x01, 0x00, 0xFF, 0x11, 0x22});
    if (arriving) {
      ASSERT_EQ(ReadBytes(*transport, 1), Bytes{0x55});
    }
    transport->Discard();
    pty_.Send({0x55, 0xAA, 0x11});
    EXPECT_EQ(ReadBytes(*transport, 3), (Bytes{0x55, 0xAA, 0x11}));
  }
}

TEST_P(RealPeerTest, APeerThatGoesAwayIsSeenGone) {
  NetFailure failure;
  std::unique_ptr<Transport> transport = Open(peer_.url, 115200, failure);
  ASSERT_TRUE(transport) << zotpx::NetFailureText(failure);
  peer_.Stop();
  EXPECT_EQ(ReadBytes(*transport, 1), Bytes{});
  EXPECT_FALSE(transport->Alive());
  const auto& network = dynamic_cast<const zotpx::TcpTransport&>(*transport);
  EXPECT_EQ(network.Failure().error, NetError::Lost);
  const std::uint8_t frame[] = {0x55, 0xAA, 0x10, 0x00, 0x10};
  EXPECT_LT(transport->Write(frame, sizeof frame), sizeof frame);
}

INSTANTIATE_TEST_SUITE_P(Peers, RealPeerTest,
                         ::testing::Values(PeerKind::Ser2netRfc2217, PeerKind::Ser2netRaw,
                                           PeerKind::PortManager),
                         [](const auto& info) {
                           switch (info.param) {
                             case PeerKind::Ser2netRfc2217:
                               return "Ser2netRfc2217";
                             case PeerKind::Ser2netRaw:
                               return "Ser2netRaw";
                             default:
                               return "PyserialPortManager";
                           }
                         });

// ser2net serves one client at a time and tells the next why not; the first one's going, at
// once, lets the next one in. Its word comes with a reset (the client's greeting is still
// unread when it hangs up), which on a busy machine can overtake the word: the client then
// says only that the line went, which is still the right failure.
TEST(Ser2netTest, ASecondClientIsToldTheLineIsBusyUntilTheFirstLetsGo) {
  Pty pty;
  Peer peer;
  StartSer2net(pty, true, peer);
  if (IsSkipped() || HasFatalFailure()) return;
  NetFailure failure;
  const std::unique_ptr<Transport> first = Open(peer.url, 115200, failure);
  ASSERT_TRUE(first) << zotpx::NetFailureText(failure);
  EXPECT_FALSE(Open(peer.url, 115200, failure));
  EXPECT_EQ(failure.error, NetError::Lost);
  if (!failure.detail.empty()) {
    EXPECT_NE(zotpx::NetFailureText(failure).find("Port already in use"), std::string::npos)
        << zotpx::NetFailureText(failure);
  }
  first->RestoreAtOnce();
  std::unique_ptr<Transport> next;
  for (int i = 0; i < 20 && !next; ++i) next = Open(peer.url, 115200, failure);
  EXPECT_TRUE(next) << zotpx::NetFailureText(failure);
}

// An RFC 2217 server of the test's own, made of the codec, that misbehaves as told.
struct ServerRules {
  bool binary = true;    // agrees to BINARY
  bool com_port = true;  // agrees to COM-PORT-OPTION
  bool silent = false;   // says nothing at all
  std::string farewell;  // says this and hangs up at once
  int rate = 0;          // answers SET-BAUDRATE with this rate; 0: the one asked; -1: never
  bool confirm_control = true;
  int suspend_ms = 0;  // after the rate's answer, suspends the client's sending this long
};

ServerRules Rules(const std::function<void(ServerRules&)>& change) {
  ServerRules rules;
  change(rules);
  return rules;
}

class FakeServer {
 public:
  FakeServer(const std::string& host, const ServerRules& rules) : rules_(rules) {
    zotpx::SocketFailure failure;
    listener_ = zotpx::ListenSocket(host, 0, port_, failure);
    if (listener_ != zotpx::kNoSocket) thread_ = std::thread([this] { Serve(); });
  }
  ~FakeServer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    zotpx::CloseSocket(listener_);
  }
  int Port() const { return listener_ == zotpx::kNoSocket ? 0 : port_; }
  // Data received, and whether any came while the client was suspended.
  Bytes Data() {
    const std::lock_guard<std::mutex> hold(lock_);
    return data_;
  }
  bool DataWhileSuspended() const { return data_while_suspended_; }

 private:
  void Send(zotpx::SocketHandle client, const Bytes& wire) {
    zotpx::SocketFailure failure;
    zotpx::SendSocket(client, wire.data(), wire.size(), 1000, failure);
  }
  void Serve() {
    zotpx::SocketFailure failure;
    zotpx::SocketHandle client = zotpx::kNoSocket;
    while (!stop_ && client == zotpx::kNoSocket)
      client = zotpx::AcceptSocket(listener_, 100, failure);
    if (client == zotpx::kNoSocket) return;
    if (!rules_.farewell.empty()) {
      Send(client, Bytes(rules_.farewell.begin(), rules_.farewell.end()));
      // What the client sent is read first: closing over unread bytes would reset the
      // connection, and the farewell with it.
      std::uint8_t wire[256];
      for (int i = 0; i < 10; ++i) zotpx::ReceiveSocket(client, wire, sizeof wire, 20, failure);
      zotpx::CloseSocket(client);
      return;
    }
    telnet::Options options({telnet::kBinary}, {telnet::kBinary, telnet::kComPortOption});
    if (!rules_.binary) options = telnet::Options({}, {telnet::kComPortOption});
    if (!rules_.com_port) options = telnet::Options({telnet::kBinary}, {telnet::kBinary});
    telnet::Reader reader;
    bool suspended = false;
    std::chrono::steady_clock::time_point resume;
    while (!stop_) {
      std::uint8_t wire[1024];
      const long n = zotpx::ReceiveSocket(client, wire, sizeof wire, 20, failure);
      if (n < 0) break;
      if (suspended && std::chrono::steady_clock::now() >= resume) {
        Send(client, telnet::BuildComPort(
                         telnet::ComPortValue(telnet::ComPort::FlowcontrolResume, 0, true)));
        suspended = false;
      }
      if (n == 0 || rules_.silent) continue;
      const std::size_t data = reader.Feed(wire, static_cast<std::size_t>(n), wire);
      {
        const std::lock_guard<std::mutex> hold(lock_);
        data_.insert(data_.end(), wire, wire + data);
        data_while_suspended_ = data_while_suspended_ || (data > 0 && suspended);
      }
      for (const telnet::Event& event : reader.TakeEvents()) {
        Send(client, options.Answer(event));
        const auto request = telnet::ParseComPort(event);
        if (!request || request->from_server) continue;
        telnet::ComPortMessage answer = *request;
        answer.from_server = true;
        if (request->command == telnet::ComPort::SetBaudrate) {
          if (rules_.rate < 0) continue;
          if (rules_.rate > 0) answer = telnet::ComPortValue(request->command, rules_.rate, true);
        }
        if (request->command == telnet::ComPort::SetControl && !rules_.confirm_control) continue;
        // Suspended before the rate's answer, so that the client knows it once it is open.
        if (request->command == telnet::ComPort::SetBaudrate && rules_.suspend_ms > 0) {
          Send(client, telnet::BuildComPort(
                           telnet::ComPortValue(telnet::ComPort::FlowcontrolSuspend, 0, true)));
          suspended = true;
          resume = std::chrono::steady_clock::now() + std::chrono::milliseconds(rules_.suspend_ms);
        }
        Send(client, telnet::BuildComPort(answer));
      }
    }
    zotpx::CloseSocket(client);
  }

  ServerRules rules_;
  zotpx::SocketHandle listener_ = zotpx::kNoSocket;
  int port_ = 0;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::mutex lock_;
  Bytes data_;
  std::atomic<bool> data_while_suspended_{false};
};

TEST(Rfc2217OpenTest, EachServerFaultEndsTheOpenWithItsOwnReason) {
  struct Case {
    const char* what;
    ServerRules rules;
    NetError error;
    const char* text;  // part of the failure's text
  };
  const std::vector<Case> cases = {
      {"refuses COM-PORT-OPTION", Rules([](auto& r) { r.com_port = false; }), NetError::NotRfc2217,
       "COM-PORT-OPTION"},
      {"refuses BINARY", Rules([](auto& r) { r.binary = false; }), NetError::NotRfc2217, "二进制"},
      {"says nothing", Rules([](auto& r) { r.silent = true; }), NetError::NotRfc2217,
       "未应答 Telnet 协商"},
      {"hangs up with its reason", Rules([](auto& r) { r.farewell = "Port already in use\r\n"; }),
       NetError::Lost, "（Port already in use）"},
      {"runs another rate", Rules([](auto& r) { r.rate = 38400; }), NetError::RateRefused,
       "实际为 38400"},
      {"never answers the rate", Rules([](auto& r) { r.rate = -1; }), NetError::TimedOut,
       "未应答波特率设置"},
      {"does not confirm the modem lines", Rules([](auto& r) { r.confirm_control = false; }),
       NetError::None, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeServer server("127.0.0.1", c.rules);
    ASSERT_NE(server.Port(), 0);
    NetFailure failure;
    const auto transport =
        Open("rfc2217://127.0.0.1:" + std::to_string(server.Port()), 115200, failure);
    EXPECT_EQ(transport != nullptr, c.error == NetError::None);
    EXPECT_EQ(failure.error, c.error);
    EXPECT_NE(zotpx::NetFailureText(failure).find(c.text), std::string::npos)
        << zotpx::NetFailureText(failure);
  }
}

// A server that asks the client to hold its bytes gets none until it lets go; then all of them.
TEST(Rfc2217OpenTest, WritesWaitWhileTheServerSuspendsThem) {
  FakeServer server("::1", Rules([](auto& r) { r.suspend_ms = 300; }));
  if (server.Port() == 0) GTEST_SKIP() << "no IPv6 loopback here";
  NetFailure failure;
  const auto transport = Open("rfc2217://[::1]:" + std::to_string(server.Port()), 115200, failure);
  ASSERT_TRUE(transport) << zotpx::NetFailureText(failure);
  const Bytes frame{0x55, 0xAA, 0x10, 0x01, 0xFF, 0x10};
  EXPECT_EQ(transport->Write(frame.data(), frame.size()), frame.size());
  for (int i = 0; i < 50 && server.Data().size() < frame.size(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(server.Data(), frame);
  EXPECT_FALSE(server.DataWhileSuspended());
}

// Name, refusal and silence, as a user meets them through a URL.
TEST(NetworkOpenTest, EachConnectionFailureHasItsOwnText) {
  const int closed = zotpx::test::FreePort();
  struct Case {
    std::string url;
    NetError error;
    const char* text;
  };
  std::vector<Case> cases = {
      {"tcp://127.0.0.1:" + std::to_string(closed), NetError::Refused, "127.0.0.1:"},
      {"rfc2217://-no-such-host-.invalid:2217", NetError::NotResolved,
       "无法解析主机名“-no-such-host-.invalid”"},
  };
  if (FakeServer("::1", {}).Port() != 0)
    cases.push_back({"rfc2217://[::1]:" + std::to_string(closed), NetError::Refused, "[::1]:"});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    NetFailure failure;
    EXPECT_FALSE(Open(c.url, 115200, failure));
    EXPECT_EQ(failure.error, c.error);
    EXPECT_NE(zotpx::NetFailureText(failure).find(c.text), std::string::npos)
        << zotpx::NetFailureText(failure);
  }
}

// Nagle's delay would hold back each short frame: no socket of ours waits for more to send.
TEST(NetworkOpenTest, EverySocketSendsAtOnce) {
  zotpx::SocketFailure failure;
  int port = 0;
  const zotpx::SocketHandle listener = zotpx::ListenSocket("127.0.0.1", 0, port, failure);
  const zotpx::SocketHandle client = zotpx::ConnectSocket("127.0.0.1", port, 2000, failure);
  const zotpx::SocketHandle server = zotpx::AcceptSocket(listener, 2000, failure);
  for (const zotpx::SocketHandle socket : {client, server}) {
    int on = 0;
    socklen_t size = sizeof on;
    ASSERT_EQ(getsockopt(static_cast<int>(socket), IPPROTO_TCP, TCP_NODELAY, &on, &size), 0);
    EXPECT_EQ(on, 1);
  }
  for (const zotpx::SocketHandle socket : {client, server, listener}) zotpx::CloseSocket(socket);
}

}  // namespace
