// Port names as zotpx takes them: a name that is no port name, or one device named twice, is
// refused before anything is opened; `zotpx ports` shows the user's COMn links. The links
// live in the user's real port folder: COM211 and up here, away from other suites' COM15, and
// each test has links of its own, since CTest runs this suite's tests at the same time.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/zotpx_run.h"
#include "serial/port.h"
#include "support/sim_fixture.h"

namespace {

using zotpx::test::RunZotpx;

class PortNamesCliTest : public ::testing::Test {
 protected:
  // The simulated device, linked as COM<first>; the test's other links follow that number.
  void Start(int first) {
    first_ = first;
    unlink(Link(Com(0)).c_str());
    sim_ = zotpx::test::StartSim(
        {.model = zotpx::DeviceModel::PA, .baud = 115200, .link_name = Com(0)});
  }
  std::string Com(int after_first) const { return "COM" + std::to_string(first_ + after_first); }
  void TearDown() override {
    for (const std::string& name : made_) unlink(Link(name).c_str());
  }

  static std::string Link(const std::string& name) { return zotpx::PortFolder() + "/" + name; }
  // A link of the test's own, removed at its end.
  void MakeLink(const std::string& name, const std::string& target) {
    unlink(Link(name).c_str());
    ASSERT_EQ(symlink(target.c_str(), Link(name).c_str()), 0) << name;
    made_.push_back(name);
  }

  zotpx::test::SimDevice sim_;
  std::vector<std::string> made_;
  int first_ = 0;
};

// Names the old parser took for COM1 (the number wrapped, or the zero was dropped) went to a
// link of that exact name when there was one: here it leads to the device, which must hear
// nothing, and no log is started.
TEST_F(PortNamesCliTest, ANameThatIsNoPortNameIsRefusedWithNothingWritten) {
  Start(211);
  MakeLink("COM4294967297", sim_->path());
  MakeLink("COM0211", sim_->path());
  const std::string log = testing::TempDir() + "zotpx_port_names_" + std::to_string(getpid());
  for (const std::string name :
       {"COM4294967297", "COM0211", "COM0", "COM257", "COM", "COM1x", "", "ttyUSB0"}) {
    SCOPED_TRACE(name);
    std::remove(log.c_str());
    const auto run = RunZotpx({"-p", name, "-b", "115200", "--log", log, "rect"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err.rfind("zotpx: --port '" + name + "': ", 0), 0u) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_FALSE(std::ifstream(log).good()) << "a log was started";
  }
  EXPECT_EQ(sim_->ReceivedFrameCount(), 0u);
}

TEST_F(PortNamesCliTest, OneDeviceNamedTwiceIsRefusedBeforeAnythingIsOpened) {
  if (zotpx::test::TestsWindowsProgram()) GTEST_SKIP() << "COMn links are Linux's own";
  Start(214);
  MakeLink(Com(1), sim_->path());
  const std::string pty = sim_->path();
  struct Twice {
    std::vector<std::string> ports;
    std::string message;
  };
  const std::vector<Twice> cases = {
      {{"-p", pty, "-p", pty}, "--port " + pty + " is given twice"},
      {{"-p", pty + "," + pty}, "--port " + pty + " is given twice"},
      {{"-p", Com(0), "-p", pty}, "--port COM214 and --port " + pty + " are the same device"},
      {{"-p", pty, "-p", Com(0)}, "--port " + pty + " and --port COM214 are the same device"},
      {{"-p", Com(0) + "," + Com(1)}, "--port COM214 and --port COM215 are the same device"},
      {{"-p", "com214", "-p", Com(0)}, "--port com214 and --port COM214 are the same device"},
  };
  for (const Twice& c : cases) {
    std::vector<std::string> args = c.ports;
    args.insert(args.end(), {"-b", "115200", "connect"});
    const auto run = RunZotpx(args);
    EXPECT_EQ(run.status, 2) << c.message;
    EXPECT_EQ(run.err, "zotpx: " + c.message + ": name each port once\n");
    EXPECT_EQ(run.out, "");
  }
  EXPECT_EQ(sim_->ReceivedFrameCount(), 0u);
}

TEST_F(PortNamesCliTest, PortsListsTheComLinksWithWhereTheyLead) {
  if (zotpx::test::TestsWindowsProgram()) GTEST_SKIP() << "COMn links are Linux's own";
  Start(217);
  MakeLink(Com(1), "/nonexistent/zotpx-port");
  const auto run = RunZotpx({"ports"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("COMn links in " + zotpx::PortFolder() + "\n"), std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("\nCOM217 -> " + sim_->path() + "  may open\n"), std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("\nCOM218 -> /nonexistent/zotpx-port  may not open: it leads nowhere"),
            std::string::npos)
      << run.out;
  EXPECT_LT(run.out.find("\nCOM217 "), run.out.find("\nCOM218 ")) << "in number order";

  // The same as fields a script picks by name.
  const auto json = RunZotpx({"--json", "ports"});
  ASSERT_EQ(json.status, 0) << json.err;
  const nlohmann::json all = nlohmann::json::parse(json.out);
  std::map<std::string, nlohmann::json> listed;
  for (const nlohmann::json& port : all["ports"]) listed[port["name"].get<std::string>()] = port;
  ASSERT_TRUE(listed.count("COM217") && listed.count("COM218")) << json.out;
  EXPECT_EQ(listed["COM217"], (nlohmann::json{{"name", "COM217"},
                                              {"kind", "link"},
                                              {"target", sim_->path()},
                                              {"exists", true},
                                              {"may_open", true},
                                              {"why_not", nullptr}}));
  EXPECT_EQ(listed["COM218"]["may_open"], false);
  EXPECT_EQ(listed["COM218"]["exists"], false);
  EXPECT_EQ(listed["COM218"]["why_not"].get<std::string>().rfind("it leads nowhere", 0), 0u);
}

}  // namespace
