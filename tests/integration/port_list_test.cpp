// The port list and its watcher on Linux. Listing through udev: only ttys with hardware behind
// them, each with a verdict on whether it may be opened, and an empty list without a word where
// there is no sysfs and no udev to ask (a container), checked in a mount namespace with both
// hidden. Watching: COMn links coming and going through inotify, and the kernel's own events
// of a real tty through udev's monitor, where this machine lets a test send them.
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
#include "serial/port_watch.h"
#include "support/temp_folder.h"

namespace {

using zotpx::ListSerialPorts;
using zotpx::PortEvent;
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
  const std::string folder = zotpx::test::TestFolder() + "by-id-" + std::to_string(getpid());
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

// The events for port `name` that come within `within`, and any right behind them.
std::vector<PortEvent> EventsFor(zotpx::PortWatcher& watcher, const std::string& name,
                                 std::chrono::milliseconds within) {
  std::vector<PortEvent> mine;
  const auto keep = [&](const std::vector<PortEvent>& events) {
    for (const PortEvent& event : events)
      if (event.port.name == name) mine.push_back(event);
  };
  for (const auto end = std::chrono::steady_clock::now() + within;
       mine.empty() && std::chrono::steady_clock::now() < end;)
    keep(watcher.Wait(100));
  keep(watcher.Wait(50));
  return mine;
}

TEST(PortWatcher, ComLinksArriveAndLeaveAsTheyAreMadeAndRemoved) {
  const std::string folder = zotpx::PortFolder();
  // Private, as the simulator makes it: -p COMn takes no link from a folder others may write.
  std::filesystem::create_directories(std::filesystem::path(folder).parent_path());
  mkdir(folder.c_str(), 0700);
  const std::string link = folder + "/COM231";
  const std::string other = folder + "/notes";
  zotpx::PortWatcher watcher;
  EXPECT_EQ(watcher.Limitation(), "");
  ASSERT_EQ(symlink("/dev/null", link.c_str()), 0);
  std::ofstream(other) << "no port";
  std::vector<PortEvent> events = EventsFor(watcher, "COM231", std::chrono::seconds(5));
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].kind, PortEvent::Kind::Arrived);
  EXPECT_EQ(events[0].port.kind, PortInfo::Kind::Link);
  EXPECT_EQ(events[0].port.target, "/dev/null");
  EXPECT_TRUE(events[0].port.exists);
  EXPECT_TRUE(std::any_of(watcher.Ports().begin(), watcher.Ports().end(),
                          [](const PortInfo& port) { return port.name == "COM231"; }));
  std::filesystem::remove(other);
  std::filesystem::remove(link);
  events = EventsFor(watcher, "COM231", std::chrono::seconds(5));
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].kind, PortEvent::Kind::Left);
  EXPECT_EQ(events[0].port.target, "/dev/null") << "told as it was known";
  EXPECT_TRUE(std::none_of(watcher.Ports().begin(), watcher.Ports().end(),
                           [](const PortInfo& port) { return port.name == "COM231"; }));
  EXPECT_TRUE(EventsFor(watcher, "notes", std::chrono::milliseconds(200)).empty());
}

// The kernel's own events of a real tty, sent by writing to its uevent file: netlink, udev's
// monitor and the watcher as a plugged adapter drives them. Only as root, and only where no
// udev daemon runs (it would act on a "remove": take the device's links away).
TEST(PortWatcher, KernelEventsOfARealTtyComeAsDepartureAndArrival) {
  if (geteuid() != 0 || access("/run/udev/control", F_OK) == 0)
    GTEST_SKIP() << "needs root and no udev daemon to send a tty's events";
  std::string uevent;
  PortInfo port;
  for (const PortInfo& listed : ListSerialPorts()) {
    const std::string file =
        "/sys/class/tty/" + std::filesystem::path(listed.name).filename().string() + "/uevent";
    if (access(file.c_str(), W_OK) == 0) {
      uevent = file;
      port = listed;
      break;
    }
  }
  if (uevent.empty()) GTEST_SKIP() << "no serial device here to send events for";
  const auto send = [&uevent](const char* action) { std::ofstream(uevent) << action << '\n'; };
  zotpx::PortWatcher watcher;
  ASSERT_EQ(watcher.Limitation(), "");
  // udevadm trigger's events: no port came or went.
  send("change");
  send("add");
  EXPECT_TRUE(EventsFor(watcher, port.name, std::chrono::milliseconds(500)).empty());
  send("remove");
  std::vector<PortEvent> events = EventsFor(watcher, port.name, std::chrono::seconds(5));
  send("add");  // as it was, whatever came of the test
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].kind, PortEvent::Kind::Left);
  EXPECT_EQ(events[0].port.driver, port.driver);
  events = EventsFor(watcher, port.name, std::chrono::seconds(5));
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].kind, PortEvent::Kind::Arrived);
  EXPECT_EQ(zotpx::DiffPorts({port}, {events[0].port}).size(), 0u) << "the same device";
}

}  // namespace
