// zotpx-sim's --port takes the tool's own port names, COM1 ... COM256, and nothing else: a name
// the tool would refuse, or read as another port, is refused before any link is made.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "serial/port.h"

namespace {

TEST(SimPortNameTest, ANameTheToolWouldNotReachIsRefused) {
  for (const std::string name :
       {"COM01", "COM0", "COM257", "COM4294967297", "COM1x", "ttyS0", "/tmp/zotpx-sim-port"}) {
    SCOPED_TRACE(name);
    // A name it took would leave it serving: timeout ends it, and the test fails instead of
    // hanging.
    const std::string command = "timeout 10 " + std::string(ZOTPX_SIM_PROGRAM) +
                                " --model ZOT-PA --baud 9600 --port '" + name + "' 2>&1";
    FILE* program = popen(command.c_str(), "r");
    ASSERT_NE(program, nullptr);
    std::string said;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, program)) said += buffer;
    const int status = pclose(program);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << said;
    EXPECT_EQ(said.rfind("zotpx-sim: --port: ", 0), 0u) << said;
    EXPECT_NE(said.find(name), std::string::npos) << said;
    struct stat st {};
    EXPECT_NE(lstat((zotpx::PortFolder() + "/" + name).c_str(), &st), 0) << "linked anyway";
  }
}

}  // namespace
