// zotpx-sim --listen against clients that are not ours (pyserial's rfc2217:// and socket://)
// and against our own network transports: the probe, the identification and a command
// acknowledged, the rate a Telnet client sets judged as on a serial line, one client at a time.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "base/hex.h"
#include "device/connect.h"
#include "serial/frame.h"
#include "serial/network_transport.h"
#include "serial/port_url.h"
#include "simulated_device.h"
#include "support/network_peers.h"
#include "support/frame_table.h"

namespace {

using zotpx::Bytes;
using zotpx::test::PeerProcess;

constexpr int kBaud = 115200;

// A simulator listening at any free port; `url` is what it printed. ZOTPX_TEST_SIM_PROGRAM,
// when set, is the program instead, as words separated by spaces: the Windows stage runs
// zotpx-sim.exe under Wine so.
struct ListeningSim {
  std::unique_ptr<PeerProcess> child;
  std::string url;
  explicit ListeningSim(const std::string& mode, const std::string& address = "0") {
    std::vector<std::string> argv;
    const char* program = std::getenv("ZOTPX_TEST_SIM_PROGRAM");
    std::istringstream words(program && *program ? program : ZOTPX_SIM_PROGRAM);
    for (std::string word; words >> word;) argv.push_back(word);
    for (const std::string arg : {"--model", "ZOT-PA", "--baud", "115200", "--listen",
                                   address.c_str(), "--listen-mode", mode.c_str()})
      argv.push_back(arg);
    child = std::make_unique<PeerProcess>(argv, true);
    url = child->FirstLine(30);
    if (!url.empty() && url.back() == '\r') url.pop_back();  // Windows ends its lines so
  }
};

std::string Hex(const Bytes& bytes) {
  std::string text;
  char two[3];
  for (std::uint8_t b : bytes) {
    std::snprintf(two, sizeof two, "%02x", b);
    text += two;
  }
  return text;
}

// pyserial's client at `url` and `baud`: what each step read, a line each.
std::vector<std::string> Pyserial(const std::string& url, int baud,
                                  const std::vector<std::string>& steps, int& status) {
  std::string command = std::string("/usr/bin/python3 ") + ZOTPX_SIM_LISTEN_CLIENT + " '" + url +
                        "' " + std::to_string(baud);
  for (const std::string& step : steps) command += " " + step;
  FILE* program = popen(command.c_str(), "r");
  std::vector<std::string> lines;
  char buffer[1024];
  while (program && std::fgets(buffer, sizeof buffer, program)) {
    std::string line(buffer);
    if (!line.empty() && line.back() == '\n') line.pop_back();
    lines.push_back(line);
  }
  const int raw = program ? pclose(program) : -1;
  status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return lines;
}

// Probe, identification, and the first frame of the shared table with its acknowledgement.
struct Exchange {
  std::vector<std::string> steps;
  std::vector<std::string> answers;
};
Exchange DeviceExchange() {
  const Bytes identify = zotpx::MakeFrame(0x00, {0xFF});  // 0xFF crosses Telnet doubled
  const Bytes identified =
      zotpx::sim::DefaultIdentifyReply(zotpx::DeviceModel::PA, zotpx::sim::kDefaultVersion);
  const Bytes command = zotpx::HexPairs(zotpx::test::FrameRows().front().frame);
  const Bytes ack = zotpx::MakeFrame(command[2], {0});
  return {{Hex({zotpx::kProbeByte}) + "/1", Hex(identify) + "/256",
           Hex(command) + "/" + std::to_string(ack.size())},
          {Hex({zotpx::kProbeAnswer}), Hex(identified), Hex(ack)}};
}

struct PyserialCase {
  const char* mode;    // --listen-mode
  const char* scheme;  // pyserial's
};

class SimListenPyserial : public ::testing::TestWithParam<PyserialCase> {};

TEST_P(SimListenPyserial, AnswersAtItsRateOnly) {
  if (access("/usr/bin/python3", X_OK) != 0) GTEST_SKIP() << "python3 is not installed";
  ListeningSim sim(GetParam().mode);
  const std::string prefix = std::string(GetParam().mode) == "raw" ? "tcp://" : "rfc2217://";
  ASSERT_EQ(sim.url.rfind(prefix + "127.0.0.1:", 0), 0u) << sim.url;
  const std::string url = GetParam().scheme + sim.url.substr(sim.url.find("://"));
  const Exchange exchange = DeviceExchange();
  int status = 0;
  const auto answers = Pyserial(url, kBaud, exchange.steps, status);
  if (status == 3) GTEST_SKIP() << "python3-serial is not installed (scripts/deps installs it)";
  EXPECT_EQ(status, 0);
  EXPECT_EQ(answers, exchange.answers);
  if (std::string(GetParam().scheme) == "rfc2217") {
    // The next client, at another rate than the device's: nothing comes back, as on a line.
    const auto wrong = Pyserial(url, 9600, {exchange.steps[0]}, status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(wrong, std::vector<std::string>{""});
  }
}

INSTANTIATE_TEST_SUITE_P(
    Modes, SimListenPyserial,
    ::testing::Values(PyserialCase{"rfc2217", "rfc2217"}, PyserialCase{"auto", "rfc2217"},
                      PyserialCase{"auto", "socket"}, PyserialCase{"raw", "socket"}),
    [](const auto& info) { return std::string(info.param.mode) + "_" + info.param.scheme; });

// The probe over one of our own transports: whether the device answered.
bool Probed(zotpx::Transport& transport) {
  transport.Discard();
  const std::uint8_t probe = zotpx::kProbeByte;
  if (transport.Write(&probe, 1) != 1) return false;
  std::uint8_t answer = 0;
  for (int i = 0; i < 20; ++i)
    if (transport.Read(&answer, 1) == 1) return answer == zotpx::kProbeAnswer;
  return false;
}

TEST(SimListenTest, ASecondClientIsTurnedAwayWhileTheFirstWorks) {
  ListeningSim sim("auto");
  const zotpx::PortUrl url = zotpx::ParsePortUrl(sim.url);
  ASSERT_EQ(url.kind, zotpx::PortUrl::Kind::Rfc2217) << sim.url;
  zotpx::NetFailure failure;
  auto first = zotpx::OpenNetworkTransport(url, kBaud, failure);
  ASSERT_TRUE(first) << failure.detail;
  EXPECT_TRUE(Probed(*first));

  auto second = zotpx::OpenNetworkTransport(url, kBaud, failure);
  EXPECT_FALSE(second);
  EXPECT_EQ(failure.error, zotpx::NetError::Lost);
  EXPECT_NE(failure.detail.find("in use"), std::string::npos) << failure.detail;
  EXPECT_TRUE(Probed(*first));

  // Once the first has gone, the next one is served, also on its heels.
  first.reset();
  second = zotpx::OpenNetworkTransport(url, kBaud, failure);
  ASSERT_TRUE(second) << failure.detail;
  EXPECT_TRUE(Probed(*second));
  // A raw client of our own too: the line runs at the device's rate.
  second.reset();
  auto raw =
      zotpx::OpenNetworkTransport(zotpx::ParsePortUrl("tcp://" + sim.url.substr(10)), 0, failure);
  ASSERT_TRUE(raw) << failure.detail;
  EXPECT_TRUE(Probed(*raw));
}

TEST(SimListenTest, ServesOnTheIpv6Loopback) {
  ListeningSim sim("auto", "[::1]:0");
  if (sim.url.empty()) GTEST_SKIP() << "no IPv6 loopback here";
  ASSERT_EQ(sim.url.rfind("rfc2217://[::1]:", 0), 0u) << sim.url;
  zotpx::NetFailure failure;
  auto transport = zotpx::OpenNetworkTransport(zotpx::ParsePortUrl(sim.url), kBaud, failure);
  ASSERT_TRUE(transport) << failure.detail;
  EXPECT_TRUE(Probed(*transport));
}

// Listening anywhere but the loopback is said, as is a --listen that cannot be.
TEST(SimListenTest, TheNetworkIsWarnedOfAndWrongUseRefused) {
  struct Case {
    std::string args;
    int status;
    std::string said;  // in what the program says; empty: no warning
  };
  const Case cases[] = {
      {"--listen 127.0.0.1:0", 124, ""},
      {"--listen 0.0.0.0:0", 124, "anyone on the network can drive this device"},
      {"--listen 0 --port COM9", 2, "--port links a pseudo-terminal"},
      {"--listen-mode raw", 2, "--listen-mode needs --listen"},
      {"--listen 0 --listen-mode telnet", 2, "unknown mode: telnet (auto, raw or rfc2217)"},
      {"--listen 70000", 2, "not an address to listen at: 70000"},
      {"--listen [::1 ", 2, "not an address to listen at"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    const std::string command = "timeout 1 " + std::string(ZOTPX_SIM_PROGRAM) +
                                " --model ZOT-PA --baud 9600 " + c.args + " 2>&1";
    FILE* program = popen(command.c_str(), "r");
    ASSERT_NE(program, nullptr);
    std::string said;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, program)) said += buffer;
    const int status = pclose(program);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == c.status) << said;
    if (c.said.empty())
      EXPECT_EQ(said.find("warning"), std::string::npos) << said;
    else
      EXPECT_NE(said.find(c.said), std::string::npos) << said;
  }
}

}  // namespace
