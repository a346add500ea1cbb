// The pure rules of the port list and its watcher, on every platform: which udev events tell of
// a serial port coming or going, what changed between two listings, and the order of names.
#include <gtest/gtest.h>

#include <algorithm>

#include "serial/port_watch.h"

namespace {

using zotpx::PortEvent;
using zotpx::PortInfo;
using Kind = PortEvent::Kind;

constexpr const char* kUsbPath =
    "/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0/ttyUSB0/tty/ttyUSB0";

TEST(PortChangeOf, OnlyPortsWithHardwareComeAndGo) {
  struct Case {
    const char* what;
    zotpx::Uevent event;
    std::optional<Kind> kind;
  } cases[] = {
      {"adapter plugged", {"add", "tty", kUsbPath, "/dev/ttyUSB0", {}}, Kind::Arrived},
      {"adapter removed", {"remove", "tty", kUsbPath, "/dev/ttyUSB0", {}}, Kind::Left},
      {"fitted UART",
       {"add", "tty", "/devices/pnp0/00:04/tty/ttyS0", "/dev/ttyS0", 4},
       Kind::Arrived},
      {"UART with nothing fitted",
       {"add", "tty", "/devices/platform/serial8250/tty/ttyS5", "/dev/ttyS5", 0},
       std::nullopt},
      {"virtual console",
       {"add", "tty", "/devices/virtual/tty/tty5", "/dev/tty5", {}},
       std::nullopt},
      {"console leaves",
       {"remove", "tty", "/devices/virtual/tty/tty5", "/dev/tty5", {}},
       std::nullopt},
      {"udevadm trigger", {"change", "tty", kUsbPath, "/dev/ttyUSB0", {}}, std::nullopt},
      {"driver bound", {"bind", "tty", kUsbPath, "/dev/ttyUSB0", {}}, std::nullopt},
      {"no device node", {"add", "tty", kUsbPath, "", {}}, std::nullopt},
      {"the USB interface",
       {"add", "usb", "/devices/pci0000:00/usb1/1-2", "/dev/bus/usb/1/5", {}},
       std::nullopt},
  };
  for (const Case& c : cases) {
    const std::optional<zotpx::UeventChange> change = zotpx::PortChangeOf(c.event);
    ASSERT_EQ(change.has_value(), c.kind.has_value()) << c.what;
    if (!change) continue;
    EXPECT_EQ(change->kind, *c.kind) << c.what;
    EXPECT_EQ(change->name, c.event.devnode) << c.what;
  }
}

PortInfo Serial(const char* name, const char* serial = "A1") {
  PortInfo port;
  port.name = name;
  port.vendor_id = "0403";
  port.product_id = "6001";
  port.serial = serial;
  return port;
}

PortInfo Link(const char* name, const char* target) {
  PortInfo port;
  port.kind = PortInfo::Kind::Link;
  port.name = name;
  port.target = target;
  return port;
}

// "-name" left, "+name" arrived, in the order given.
std::vector<std::string> Words(const std::vector<PortEvent>& events) {
  std::vector<std::string> words;
  for (const PortEvent& event : events)
    words.push_back((event.kind == Kind::Left ? "-" : "+") + event.port.name);
  return words;
}

TEST(DiffPorts, DeparturesThenArrivalsAndAnotherDeviceUnderTheSameNameIsBoth) {
  PortInfo may_open_now = Serial("/dev/ttyUSB0");
  may_open_now.may_open = true;
  const struct {
    const char* what;
    std::vector<PortInfo> before, after;
    std::vector<std::string> events;
  } cases[] = {
      {"nothing changed", {Serial("/dev/ttyUSB0")}, {Serial("/dev/ttyUSB0")}, {}},
      {"plugged",
       {},
       {Serial("/dev/ttyUSB0"), Serial("/dev/ttyUSB1", "B2")},
       {"+/dev/ttyUSB0", "+/dev/ttyUSB1"}},
      {"one of two removed",
       {Serial("/dev/ttyUSB0"), Serial("/dev/ttyUSB1", "B2")},
       {Serial("/dev/ttyUSB1", "B2")},
       {"-/dev/ttyUSB0"}},
      {"swapped in between",
       {Serial("/dev/ttyUSB0", "A1")},
       {Serial("/dev/ttyUSB0", "B2")},
       {"-/dev/ttyUSB0", "+/dev/ttyUSB0"}},
      {"permission given", {Serial("/dev/ttyUSB0")}, {may_open_now}, {}},
      {"simulator restarted elsewhere",
       {Link("COM211", "/dev/pts/3")},
       {Link("COM211", "/dev/pts/7")},
       {"-COM211", "+COM211"}},
      {"link and device of one name",
       {Serial("COM3")},
       {Link("COM3", "/dev/pts/1")},
       {"-COM3", "+COM3"}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Words(zotpx::DiffPorts(c.before, c.after)), c.events) << c.what;
  // A port that left is told as it was known.
  const std::vector<PortEvent> gone = zotpx::DiffPorts({Serial("/dev/ttyUSB0", "A1")}, {});
  ASSERT_EQ(gone.size(), 1u);
  EXPECT_EQ(gone[0].port.serial, "A1");
}

TEST(NaturalLess, NumbersInNamesCountByValue) {
  std::vector<std::string> names = {"/dev/ttyUSB10", "/dev/ttyACM0", "/dev/ttyUSB2",
                                    "/dev/ttyUSB02", "COM10",        "COM9",
                                    "/dev/ttyS1",    "/dev/ttyUSB1", "/dev/ttyUSB"};
  std::sort(names.begin(), names.end(), zotpx::NaturalLess);
  EXPECT_EQ(names, (std::vector<std::string>{"/dev/ttyACM0", "/dev/ttyS1", "/dev/ttyUSB",
                                             "/dev/ttyUSB1", "/dev/ttyUSB2", "/dev/ttyUSB02",
                                             "/dev/ttyUSB10", "COM9", "COM10"}));
  for (const std::string& name : names) EXPECT_FALSE(zotpx::NaturalLess(name, name)) << name;
}

}  // namespace
