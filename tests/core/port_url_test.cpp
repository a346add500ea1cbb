// Network port names: which names are URLs, which URLs are ports, and why the others are not;
// and the [HOST:]PORT a server listens on.
#include "serial/port_url.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Kind = zotpx::PortUrl::Kind;

struct UrlCase {
  const char* name;
  Kind kind;
  const char* host;
  int port;
  const char* text;    // for Tcp and Rfc2217
  const char* reason;  // part of it, for Invalid
};

TEST(PortUrlTest, TcpAndRfc2217WithHostAndPortAndNothingElse) {
  const std::vector<UrlCase> cases = {
      {"tcp://192.168.1.20:4001", Kind::Tcp, "192.168.1.20", 4001, "tcp://192.168.1.20:4001", ""},
      {"TCP://Bench-7.local:4001", Kind::Tcp, "Bench-7.local", 4001, "tcp://Bench-7.local:4001",
       ""},
      {"socket://line_3:23", Kind::Tcp, "line_3", 23, "tcp://line_3:23", ""},
      {"rfc2217://[::1]:2217", Kind::Rfc2217, "::1", 2217, "rfc2217://[::1]:2217", ""},
      {"Rfc2217://[fe80::1%eth0]:2217", Kind::Rfc2217, "fe80::1%eth0", 2217,
       "rfc2217://[fe80::1%eth0]:2217", ""},
      {"rfc2217://[::ffff:10.0.0.1]:00080", Kind::Rfc2217, "::ffff:10.0.0.1", 80,
       "rfc2217://[::ffff:10.0.0.1]:80", ""},
      {"rfc2217://server:65535/", Kind::Rfc2217, "server", 65535, "rfc2217://server:65535", ""},
      {"ssh://server:22", Kind::Invalid, "", 0, "", "不支持的协议“ssh”"},
      {"telnet://server:23", Kind::Invalid, "", 0, "", "rfc2217://主机:端口"},
      {"tcp:server:4001", Kind::Invalid, "", 0, "", "“tcp:”后应为“//”"},
      {"tcp://server", Kind::Invalid, "", 0, "", "缺少端口号"},
      {"tcp://server:", Kind::Invalid, "", 0, "", "缺少端口号"},
      {"tcp://:4001", Kind::Invalid, "", 0, "", "缺少主机名"},
      {"tcp://", Kind::Invalid, "", 0, "", "缺少主机名"},
      {"tcp://server:0", Kind::Invalid, "", 0, "", "1 至 65535"},
      {"tcp://server:65536", Kind::Invalid, "", 0, "", "1 至 65535"},
      {"tcp://server:4294967297", Kind::Invalid, "", 0, "", "1 至 65535"},
      {"tcp://server:40a1", Kind::Invalid, "", 0, "", "端口号“40a1”不是数字"},
      {"tcp://server:-1", Kind::Invalid, "", 0, "", "不是数字"},
      {"rfc2217://::1:2217", Kind::Invalid, "", 0, "", "方括号"},
      {"rfc2217://[::1:2217", Kind::Invalid, "", 0, "", "缺少“]”"},
      {"rfc2217://[::1]2217", Kind::Invalid, "", 0, "", "“]”后应为“:端口”"},
      {"rfc2217://[::1]", Kind::Invalid, "", 0, "", "缺少端口号"},
      {"rfc2217://[server]:2217", Kind::Invalid, "", 0, "", "不是 IPv6 地址"},
      {"rfc2217://[fe80::1%]:2217", Kind::Invalid, "", 0, "", "不是 IPv6 地址"},
      {"tcp://ho st:4001", Kind::Invalid, "", 0, "", "主机名“ho st”无效"},
      {"tcp://admin@server:4001", Kind::Invalid, "", 0, "", "用户名"},
      {"tcp://server:4001/dev/ttyS0", Kind::Invalid, "", 0, "", "端口号后不应有“/dev/ttyS0”"},
      {"rfc2217://server:4001?ign_set_control", Kind::Invalid, "", 0, "", "“?ign_set_control”"},
      // Not URLs: the port name rules take them.
      {"/dev/ttyUSB0", Kind::NotUrl, "", 0, "", ""},
      {"COM3", Kind::NotUrl, "", 0, "", ""},
      {"C://ports/COM1", Kind::NotUrl, "", 0, "", ""},
      {"./tcp://x:1", Kind::NotUrl, "", 0, "", ""},
      {"http:8080", Kind::NotUrl, "", 0, "", ""},
      {"", Kind::NotUrl, "", 0, "", ""},
  };
  for (const UrlCase& c : cases) {
    SCOPED_TRACE(std::string("\"") + c.name + "\"");
    const zotpx::PortUrl url = zotpx::ParsePortUrl(c.name);
    EXPECT_EQ(url.kind, c.kind);
    EXPECT_EQ(url.host, c.host);
    EXPECT_EQ(url.port, c.port);
    EXPECT_EQ(url.text, c.text);
    EXPECT_EQ(url.reason.empty(), c.kind != Kind::Invalid);
    EXPECT_NE(url.reason.find(c.reason), std::string::npos) << url.reason;
  }
}

TEST(ListenAddressTest, PortAloneOrHostAndPort) {
  struct Case {
    const char* text;
    bool ok;
    const char* host;
    int port;
    const char* reason;
  };
  const std::vector<Case> cases = {
      {"2217", true, "", 2217, ""},
      {"0", true, "", 0, ""},
      {"0.0.0.0:2217", true, "0.0.0.0", 2217, ""},
      {"[::]:0", true, "::", 0, ""},
      {"localhost:65535", true, "localhost", 65535, ""},
      {"", false, "", 0, "缺少端口号"},
      {"65536", false, "", 0, "0 至 65535"},
      {"server:", false, "", 0, "缺少端口号"},
      {"server", false, "", 0, "缺少端口号"},
      {"::1:2217", false, "", 0, "方括号"},
      {"server:x", false, "", 0, "不是数字"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("\"") + c.text + "\"");
    const zotpx::ListenAddress address = zotpx::ParseListenAddress(c.text);
    EXPECT_EQ(address.ok, c.ok);
    EXPECT_EQ(address.host, c.host);
    EXPECT_EQ(address.port, c.port);
    EXPECT_NE(address.reason.find(c.reason), std::string::npos) << address.reason;
  }
}

}  // namespace
