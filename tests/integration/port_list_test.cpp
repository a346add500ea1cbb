// The port list on Linux. Listing through udev: only ttys with hardware behind
// them, each with a verdict on whether it may be opened, and an empty list without a word where
// there is no sysfs and no udev to ask (a container), checked in a mount namespace with both
// hidden.
#include "serial/port_list.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

#include "serial/port.h"

namespace {

using zotpx::ListSerialPorts;
using zotpx::PortInfo;

// Runs `body` with standard error going to a pipe; returns what it wrote there.
template <typename Body>
std::string StandardErrorOf(Body body) {
  int pipe_fds[2];
  if (pipe(pipe_fds) != 0) return "no pipe";
  std::fflush(stderr);
  const int saved = dup(STDERR_FILENO);
  dup2(pipe_fds[1], STDERR_FILENO);
  close(pipe_fds[1]);
  body();
  std::fflush(stderr);
  dup2(saved, STDERR_FILENO);
  close(saved);
  fcntl(pipe_fds[0], F_SETFL, O_NONBLOCK);
  std::string text;
  char buffer[256];
  for (ssize_t got; (got = read(pipe_fds[0], buffer, sizeof buffer)) > 0;) text.append(buffer, got);
  close(pipe_fds[0]);
  return text;
}

// An empty sysfs and no udev runtime folder, in a mount namespace of a child process: as root,
// or as any user where user namespaces are allowed.
bool HideSysfsAndUdev() {
  if (unshare(CLONE_NEWNS) != 0) {
    const uid_t uid = getuid();
    const gid_t gid = getgid();
    if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) return false;
    const auto write = [](const char* path, const std::string& text) {
      const int fd = open(path, O_WRONLY);
      const bool ok =
          fd >= 0 && ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
      if (fd >= 0) close(fd);
      return ok;
    };
    if (!write("/proc/self/setgroups", "deny") ||
        !write("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") ||
        !write("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1"))
      return false;
  }
  return mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
         mount("none", "/sys", "tmpfs", 0, nullptr) == 0 &&
         mount("none", "/run", "tmpfs", 0, nullptr) == 0;
}

TEST(SerialPorts, EveryListedPortHasHardwareBehindItAndAVerdict) {
  std::vector<PortInfo> ports;
  EXPECT_EQ(StandardErrorOf([&] { ports = ListSerialPorts(); }), "");
  const std::regex virtual_tty("/dev/(tty[0-9]*|console|ptmx|ttyprintk)");
  for (const PortInfo& port : ports) {
    SCOPED_TRACE(port.name);
    EXPECT_FALSE(std::regex_match(port.name, virtual_tty));
    EXPECT_EQ(port.name.rfind("/dev/", 0), 0u);
    EXPECT_NE(port.may_open, !port.why_not.empty());
    EXPECT_EQ(zotpx::IsUsbSerial(port), !port.product_id.empty());
  }
  std::vector<std::string> usb;
  for (const PortInfo& port : ports)
    if (zotpx::IsUsbSerial(port)) usb.push_back(port.name);
  EXPECT_EQ(zotpx::UsbSerialPortPaths(), usb);
}

TEST(SerialPorts, ByIdLinkIsFoundByDeviceNumberWithoutUdev) {
  const std::string folder = ::testing::TempDir() + "by-id-" + std::to_string(getpid());
  ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
  ASSERT_EQ(symlink("/dev/null", (folder + "/usb-Maker_Adapter_A1-if00-port0").c_str()), 0);
  ASSERT_EQ(symlink("/nowhere", (folder + "/dangling").c_str()), 0);
  EXPECT_EQ(zotpx::LinkToDevice("/dev/null", folder), folder + "/usb-Maker_Adapter_A1-if00-port0");
  EXPECT_EQ(zotpx::LinkToDevice("/dev/zero", folder), "");
  EXPECT_EQ(zotpx::LinkToDevice("/dev/null", folder + "/missing"), "");
  std::filesystem::remove_all(folder);
}

TEST(SerialPorts, WithoutSysfsOrUdevTheListIsEmptyAndQuiet) {
  int report[2];
  ASSERT_EQ(pipe(report), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    close(report[0]);
    std::string line = "isolation impossible";
    if (HideSysfsAndUdev()) {
      std::size_t count = 0;
      const std::string said = StandardErrorOf([&] { count = ListSerialPorts().size(); });
      line = std::to_string(count) + " ports, stderr [" + said + "]";
    }
    const ssize_t ignored = write(report[1], line.data(), line.size());
    (void)ignored;
    _exit(0);
  }
  close(report[1]);
  std::string line;
  char buffer[512];
  for (ssize_t got; (got = read(report[0], buffer, sizeof buffer)) > 0;) line.append(buffer, got);
  close(report[0]);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "the listing crashed";
  if (line == "isolation impossible") GTEST_SKIP() << "no mount namespace here to hide sysfs in";
  EXPECT_EQ(line, "0 ports, stderr []");
}

}  // namespace
