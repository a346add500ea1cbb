// `zotpx ports --watch` as a production script runs it: the real program, and the real
// simulator started and stopped with its COMn link; the arrival and the departure each come as
// a line, or a JSON object, as they happen, and Ctrl-C ends the watch as it ends any command.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "serial/port.h"
#include "zotpx_run.h"

namespace {

using zotpx::test::RunZotpx;

// The lines of `text` that tell `event` of `port` (of any port when empty): tests running
// beside this one make links of their own.
std::vector<std::string> LinesOf(const std::string& text, const std::string& event, bool json,
                                 const std::string& port = "") {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    const nlohmann::json object = json ? nlohmann::json::parse(line, nullptr, false) : nullptr;
    const bool match = json ? object.is_object() && object.value("event", "") == event &&
                                  (port.empty() || object.value("name", "") == port)
                            : line.rfind(event + " " + port, 0) == 0;
    if (match) lines.push_back(line);
  }
  return lines;
}

// zotpx-sim on its COMn link, started and stopped as a user does.
class SimProgram {
 public:
  explicit SimProgram(const std::string& port) {
    std::vector<std::string> args = {ZOTPX_SIM_PROGRAM, "--model", "ZOT-PA", "--baud", "9600",
                                     "--port",          port};
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&quiet, STDOUT_FILENO, STDERR_FILENO);
    if (posix_spawn(&pid_, argv[0], &quiet, nullptr, argv.data(), environ) != 0) pid_ = 0;
    posix_spawn_file_actions_destroy(&quiet);
  }
  ~SimProgram() { Stop(); }
  void Stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    pid_ = 0;
  }

 private:
  pid_t pid_ = 0;
};

TEST(PortsWatch, ASimulatorComingAndGoingIsOneArrivalAndOneDeparture) {
  if (zotpx::test::TestsWindowsProgram()) GTEST_SKIP() << "COMn links are Linux's own";
  for (const bool json : {true, false}) {
    SCOPED_TRACE(json ? "--json" : "text");
    const std::string port = json ? "COM233" : "COM234";
    std::unique_ptr<SimProgram> sim;
    bool stopped = false;
    bool interrupted = false;
    const auto run = RunZotpx(
        json ? std::vector<std::string>{"--json", "ports", "--watch"}
             : std::vector<std::string>{"ports", "--watch"},
        std::chrono::seconds(60), [&](pid_t pid, const zotpx::test::ZotpxRun& so_far) {
          if (!sim && so_far.err.find("watching") != std::string::npos)
            sim = std::make_unique<SimProgram>(port);
          if (sim && !stopped && !LinesOf(so_far.out, "arrived", json, port).empty()) {
            sim->Stop();
            stopped = true;
          }
          if (stopped && !interrupted && !LinesOf(so_far.out, "left", json, port).empty()) {
            kill(pid, SIGINT);
            interrupted = true;
          }
        });
    EXPECT_EQ(run.status, 130) << run.err;
    const std::vector<std::string> arrived = LinesOf(run.out, "arrived", json, port);
    const std::vector<std::string> left = LinesOf(run.out, "left", json, port);
    ASSERT_EQ(arrived.size(), 1u) << run.out;
    ASSERT_EQ(left.size(), 1u) << run.out;
    EXPECT_LT(run.out.find(arrived[0]), run.out.find(left[0]));
    if (json) {
      nlohmann::json object = nlohmann::json::parse(arrived[0]);
      const std::string target = object.value("target", "");
      EXPECT_EQ(target.rfind("/dev/pts/", 0), 0u) << arrived[0];
      EXPECT_EQ(object, (nlohmann::json{{"event", "arrived"},
                                        {"name", port},
                                        {"kind", "link"},
                                        {"target", target},
                                        {"exists", true},
                                        {"may_open", true},
                                        {"why_not", nullptr}}));
      object = nlohmann::json::parse(left[0]);
      EXPECT_EQ(object["event"], "left");
      EXPECT_EQ(object["name"], port);
      EXPECT_EQ(object["target"], target) << "told as it was known";
    } else {
      EXPECT_EQ(arrived[0].rfind("arrived " + port + " -> /dev/pts/", 0), 0u) << arrived[0];
      EXPECT_EQ(arrived[0].substr(arrived[0].size() - 10), "  may open") << arrived[0];
      EXPECT_EQ(left[0], "left" + arrived[0].substr(7));
    }
    // Whatever was there before the watch began is said first, as present.
    for (const std::string& line : LinesOf(run.out, "present", json))
      EXPECT_LT(run.out.find(line), run.out.find(arrived[0]));
  }
}

// A link's target is anyone's text: it reaches the terminal escaped, as `zotpx ports` prints it.
TEST(PortsWatch, WhatAPortSaysOfItselfReachesTheTerminalEscaped) {
  if (zotpx::test::TestsWindowsProgram()) GTEST_SKIP() << "COMn links are Linux's own";
  const std::string folder = zotpx::PortFolder();
  std::filesystem::create_directories(std::filesystem::path(folder).parent_path());
  mkdir(folder.c_str(), 0700);
  const std::string link = folder + "/COM235";
  ASSERT_EQ(symlink("/nonexistent/\x1b]0;owned\x07", link.c_str()), 0);
  // Once: a second signal would end the watch at once, by the signal.
  bool stopped = false;
  const auto run = RunZotpx({"ports", "--watch"}, std::chrono::seconds(60),
                            [&stopped](pid_t pid, const zotpx::test::ZotpxRun& so_far) {
                              if (!stopped && so_far.err.find("watching") != std::string::npos) {
                                kill(pid, SIGTERM);
                                stopped = true;
                              }
                            });
  std::filesystem::remove(link);
  EXPECT_EQ(run.status, 143) << run.err;
  EXPECT_EQ(run.out.find('\x1b'), std::string::npos) << run.out;
  EXPECT_EQ(LinesOf(run.out, "present", false, "COM235"),
            std::vector<std::string>{"present COM235 -> /nonexistent/\\x1B]0;owned\\x07  may not "
                                     "open: it leads nowhere (No such file or directory)"});
}

}  // namespace
