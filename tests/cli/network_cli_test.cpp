// The real zotpx program through a serial server that is not ours: ser2net, in its RFC 2217 and
// raw TCP modes, in front of a simulated device's pseudo-terminal. Every row of the shared frame
// table, the connect (a scan over RFC 2217, none over raw TCP), a font download whose memory
// equals the file, station mode mixing a local and a remote port; and every way a network port
// fails, each with its own words and the port's exit status.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <random>
#include <sstream>
#include <tuple>

#include "base/socket.h"
#include "cli/zotpx_run.h"
#include "serial/port.h"
#include "serial/transaction.h"
#include "support/frame_table.h"
#include "support/hex.h"
#include "support/network_peers.h"
#include "support/sim_fixture.h"
#include "text/font_library.h"

namespace {

using zotpx::Bytes;
using zotpx::test::FrameRow;
using zotpx::test::Hex;
using zotpx::test::RunZotpx;
using zotpx::test::Ser2net;
using zotpx::test::StartSim;
using Mode = Ser2net::Mode;

const char* ModeName(Mode mode) {
  return mode == Mode::Rfc2217 ? "Rfc2217" : "Raw";
}

// ser2net in front of the device; skips the test when it is not installed.
#define SERVE(server, sim, mode)                                \
  do {                                                          \
    if (!(server).Start((sim)->path(), (mode))) {               \
      if ((server).Missing()) GTEST_SKIP() << (server).error(); \
      FAIL() << (server).error();                               \
    }                                                           \
  } while (false)

std::string TempPath(const std::string& name) {
  return testing::TempDir() + "zotpx_net_" + std::to_string(getpid()) + "_" + name;
}

void WriteFile(const std::string& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::string> ReadLines(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// A font library for a ZOT-PB, in a file of the test's own.
struct FontFile {
  Bytes bytes = Bytes(zotpx::kFontMaxSizeSmall);
  std::string path = TempPath("font.bin");
  FontFile() {
    std::mt19937 random(11);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
    bytes[11] = bytes[15] = 0x10;
    WriteFile(path, bytes);
  }
  ~FontFile() { std::remove(path.c_str()); }
  bool In(const Bytes& memory) const {
    return std::equal(bytes.begin(), bytes.end(), memory.begin() + zotpx::kFontBase);
  }
};

class Ser2netRowTest : public ::testing::TestWithParam<std::tuple<Mode, FrameRow>> {};

TEST_P(Ser2netRowTest, CommandSendsTheRowsFrame) {
  const auto& [mode, row] = GetParam();
  auto sim = StartSim({.model = zotpx::DeviceModel::PB, .baud = 115200});
  Ser2net server;
  SERVE(server, sim, mode);
  std::vector<std::string> args = {"-p", server.url(), "-b", "115200"};
  args.insert(args.end(), row.cli.begin(), row.cli.end());
  const auto run = RunZotpx(args);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, row.title + zotpx::kSuccessText + "\n");
  const std::vector<Bytes> frames = sim->ReceivedFrames();
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames.front(), Hex(row.frame));
}

INSTANTIATE_TEST_SUITE_P(Rows, Ser2netRowTest,
                         ::testing::Combine(::testing::Values(Mode::Rfc2217, Mode::Raw),
                                            ::testing::ValuesIn(zotpx::test::FrameRows())),
                         [](const auto& info) {
                           return std::string(ModeName(std::get<0>(info.param))) + "_" +
                                  std::get<1>(info.param).name;
                         });

class Ser2netTest : public ::testing::TestWithParam<Mode> {};

// Without -b: over RFC 2217 the connect scan finds the rate as on a local port; over raw TCP
// the device is identified at whatever rate the line runs, no rate is claimed, and the
// download's rate check does not hold that against it.
TEST_P(Ser2netTest, ConnectAndFontDownloadWithoutARate) {
  auto sim = StartSim({.model = zotpx::DeviceModel::PB, .baud = 115200});
  Ser2net server;
  SERVE(server, sim, GetParam());
  const auto connect = RunZotpx({"-p", server.url(), "--json", "connect"});
  ASSERT_EQ(connect.status, 0) << connect.err;
  const nlohmann::json found = nlohmann::json::parse(connect.out);
  EXPECT_EQ(found["model"], "ZOT-PB");
  EXPECT_EQ(found["port"], server.url());
  if (GetParam() == Mode::Rfc2217)
    EXPECT_EQ(found["baud"], 115200);
  else
    EXPECT_FALSE(found.contains("baud")) << connect.out;

  const FontFile font;
  const std::string log = TempPath("download.log");
  std::remove(log.c_str());
  const auto run = RunZotpx({"-p", server.url(), "--log", log, "download", "font", font.path});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, std::string("内部字库下载") + zotpx::kSuccessText + "\n");
  EXPECT_TRUE(font.In(sim->Memory()));
  const std::vector<std::string> logged = ReadLines(log);
  ASSERT_GE(logged.size(), 4u);
  EXPECT_EQ(logged[2], "【内部字库下载】");
  EXPECT_EQ(logged[logged.size() - 2], zotpx::kWrittenLogLine);
  std::remove(log.c_str());
}

// The server goes mid-download: the port's failure and its cause, the log block finished.
TEST_P(Ser2netTest, ALineLostMidDownloadIsThePortsFailure) {
  auto sim = StartSim({.model = zotpx::DeviceModel::PB, .baud = 115200});
  Ser2net server;
  SERVE(server, sim, GetParam());
  const FontFile font;
  const std::string log = TempPath("lost.log");
  std::remove(log.c_str());
  const auto run = RunZotpx(
      {"-p", server.url(), "-b", "115200", "--log", log, "--json", "download", "font", font.path},
      std::chrono::seconds(60), [&](pid_t, const zotpx::test::ZotpxRun&) {
        if (sim->ReceivedFrameCount() > 20) server.Stop();
      });
  EXPECT_EQ(run.status, 3) << run.err;
  const nlohmann::json outcome = nlohmann::json::parse(run.out);
  EXPECT_EQ(outcome["result"], "port-failed");
  const std::string status = outcome["status"];
  EXPECT_EQ(
      status.rfind(std::string("内部字库下载") + zotpx::kWriteFailedText + "（与 127.0.0.1:", 0),
      0u)
      << status;
  EXPECT_NE(status.find("的连接已断开"), std::string::npos) << status;
  const std::vector<std::string> logged = ReadLines(log);
  ASSERT_GE(logged.size(), 3u);
  EXPECT_EQ(logged[logged.size() - 2], zotpx::kWriteFailedLogLine);
  EXPECT_EQ(logged.back(), "");
  std::remove(log.c_str());
}

// One device on its pseudo-terminal, the other behind the server: one run, one table.
TEST_P(Ser2netTest, StationModeMixesLocalAndRemotePorts) {
  auto local = StartSim({.model = zotpx::DeviceModel::PA, .baud = 57600});
  auto remote = StartSim({.model = zotpx::DeviceModel::PB, .baud = 115200});
  Ser2net server;
  SERVE(server, remote, GetParam());
  const auto run = RunZotpx({"-p", local.link.port, "-p", server.url(), "--json", "connect"});
  EXPECT_EQ(run.status, 0) << run.err;
  std::istringstream lines(run.out);
  std::map<std::string, std::string> models;
  for (std::string line; std::getline(lines, line);) {
    const nlohmann::json j = nlohmann::json::parse(line);
    models[j["port"]] = j.value("model", "");
  }
  EXPECT_EQ(models[local.link.port], "ZOT-PA");
  EXPECT_EQ(models[server.url()], "ZOT-PB");
}

// `zotpx ports URL` tries a server: reachable, or why not, with the port's exit status.
TEST_P(Ser2netTest, PortsTellsWhetherAServerCanBeReached) {
  auto sim = StartSim({.model = zotpx::DeviceModel::PB, .baud = 115200});
  Ser2net server;
  SERVE(server, sim, GetParam());
  const auto reached = RunZotpx({"ports", server.url()});
  EXPECT_EQ(reached.status, 0) << reached.err;
  EXPECT_NE(reached.out.find(server.url() + "  reachable\n"), std::string::npos) << reached.out;
  const std::string closed = "tcp://127.0.0.1:" + std::to_string(zotpx::test::FreePort());
  const auto refused = RunZotpx({"--json", "ports", server.url(), closed});
  EXPECT_EQ(refused.status, 3) << refused.err;
  const nlohmann::json listed = nlohmann::json::parse(refused.out);
  EXPECT_EQ(listed["result"], "port-failed");
  const nlohmann::json& ports = listed["ports"];
  ASSERT_GE(ports.size(), 2u);
  EXPECT_EQ(ports[ports.size() - 2]["may_open"], true);
  EXPECT_EQ(ports.back()["name"], closed);
  EXPECT_EQ(ports.back()["kind"], "network");
  EXPECT_NE(ports.back()["why_not"].get<std::string>().find("拒绝连接"), std::string::npos);
  EXPECT_TRUE(sim->ReceivedFrames().empty()) << "the device is not spoken to";
}

INSTANTIATE_TEST_SUITE_P(Modes, Ser2netTest, ::testing::Values(Mode::Rfc2217, Mode::Raw),
                         [](const auto& info) { return ModeName(info.param); });

// A listener that takes connections and never says a word.
struct SilentServer {
  zotpx::SocketHandle listener = zotpx::kNoSocket;
  int port = 0;
  SilentServer() {
    zotpx::SocketFailure failure;
    listener = zotpx::ListenSocket("127.0.0.1", 0, port, failure);
  }
  ~SilentServer() { zotpx::CloseSocket(listener); }
};

TEST(NetworkPortCliTest, EachWayAPortFailsToOpenHasItsWordsAndThePortsStatus) {
  const int closed = zotpx::test::FreePort();
  const SilentServer silent;
  ASSERT_NE(silent.listener, zotpx::kNoSocket);
  const std::string at = "127.0.0.1:" + std::to_string(closed);
  const struct Case {
    std::string port;
    std::string cause;
  } cases[] = {
      {"rfc2217://" + at, at + " 拒绝连接"},
      {"tcp://-no-such-host-.invalid:4001", "无法解析主机名“-no-such-host-.invalid”"},
      {"rfc2217://127.0.0.1", "缺少端口号"},
      {"telnet://127.0.0.1:23", "不支持的协议“telnet”"},
      {"rfc2217://127.0.0.1:" + std::to_string(silent.port), "未应答 Telnet 协商"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.port);
    const auto run = RunZotpx({"-p", c.port, "-b", "115200", "rect"});
    EXPECT_EQ(run.status, 3) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind(std::string(zotpx::kOpenFailureText) + "（", 0), 0u) << run.err;
    EXPECT_NE(run.err.find(c.cause), std::string::npos) << run.err;
  }
}

// One server named twice is one device, however the URL is spelled.
TEST(NetworkPortCliTest, OneServerNamedTwiceIsRefusedBeforeAnythingOpens) {
  const auto run =
      RunZotpx({"-p", "rfc2217://127.0.0.1:2217", "-p", "RFC2217://127.0.0.1:02217/", "connect"});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("are the same device"), std::string::npos) << run.err;
}

}  // namespace
