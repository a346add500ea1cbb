// The port list on Linux: udev names every tty with a real device behind it (USB adapters,
// modems, UARTs that are fitted; never the virtual consoles) and what identifies it; the
// user's port folder holds the "COMn" links. Each entry says whether this user may open it.
#include "serial/port_list.h"

#include <fcntl.h>
#include <libudev.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>

#include "serial/port.h"
#include "serial/port_name.h"

namespace zotpx {

namespace {

constexpr const char* kById = "/dev/serial/by-id/";

struct UdevFree {
  void operator()(udev* u) const { udev_unref(u); }
  void operator()(udev_enumerate* e) const { udev_enumerate_unref(e); }
  void operator()(udev_device* d) const { udev_device_unref(d); }
};
template <typename T>
using UdevPtr = std::unique_ptr<T, UdevFree>;

std::string Text(const char* value) {
  return value ? value : "";
}

std::string Attribute(udev_device* device, const char* name) {
  return Text(udev_device_get_sysattr_value(device, name));
}

// Only ttys with hardware behind them: the consoles, ptmx and friends live under
// /devices/virtual. A serial-core UART reports type 0 when nothing is fitted at its address.
bool IsRealPort(udev_device* tty) {
  const std::string devpath = Text(udev_device_get_devpath(tty));
  if (devpath.rfind("/devices/virtual/", 0) == 0 || !udev_device_get_parent(tty)) return false;
  const char* type = udev_device_get_sysattr_value(tty, "type");
  return !type || std::strtol(type, nullptr, 10) != 0;
}

// The driver that serves the port: the nearest ancestor bound to one, past the serial core's
// own port devices (which are bound to its generic "port" driver).
std::string DriverOf(udev_device* tty) {
  for (udev_device* up = udev_device_get_parent(tty); up; up = udev_device_get_parent(up)) {
    const char* driver = udev_device_get_driver(up);
    if (driver && Text(udev_device_get_subsystem(up)) != "serial-base") return driver;
  }
  return "";
}

std::string ById(udev_device* tty, const std::string& device) {
  udev_list_entry* entry = nullptr;
  udev_list_entry_foreach(entry, udev_device_get_devlinks_list_entry(tty)) {
    const std::string link = Text(udev_list_entry_get_name(entry));
    if (link.rfind(kById, 0) == 0) return link;
  }
  // A container may see the host's /dev, links included, without udev's database.
  return LinkToDevice(device, kById);
}

// Read and write as the effective user, ACLs included; when refused, what stands in the way.
void JudgeAccess(const std::string& path, PortInfo& port) {
  if (faccessat(AT_FDCWD, path.c_str(), R_OK | W_OK, AT_EACCESS) == 0) {
    port.may_open = true;
    return;
  }
  const std::optional<AccessDiagnosis> access = DiagnoseDeviceAccess(path);
  port.why_not = access ? AccessWhyNotText(path, *access)
                        : "no device node " + path + ": " + std::strerror(errno);
}

PortInfo Describe(udev_device* tty, const char* devnode) {
  PortInfo port;
  port.name = devnode;
  port.by_id = ById(tty, port.name);
  port.driver = DriverOf(tty);
  // Owned by `tty`: not to be unreferenced here.
  if (udev_device* usb = udev_device_get_parent_with_subsystem_devtype(tty, "usb", "usb_device")) {
    port.vendor_id = Attribute(usb, "idVendor");
    port.product_id = Attribute(usb, "idProduct");
    port.manufacturer = Attribute(usb, "manufacturer");
    port.product = Attribute(usb, "product");
    port.serial = Attribute(usb, "serial");
  }
  // udev's database, where it runs, names devices whose descriptors do not.
  if (port.product.empty()) port.product = Text(udev_device_get_property_value(tty, "ID_MODEL"));
  if (port.serial.empty())
    port.serial = Text(udev_device_get_property_value(tty, "ID_SERIAL_SHORT"));
  JudgeAccess(port.name, port);
  return port;
}

}  // namespace

std::vector<PortInfo> ListSerialPorts() {
  std::vector<PortInfo> ports;
  const UdevPtr<udev> context(udev_new());
  if (!context) return ports;
  const UdevPtr<udev_enumerate> scan(udev_enumerate_new(context.get()));
  if (!scan || udev_enumerate_add_match_subsystem(scan.get(), "tty") < 0 ||
      udev_enumerate_scan_devices(scan.get()) < 0)
    return ports;
  udev_list_entry* entry = nullptr;
  udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(scan.get())) {
    const UdevPtr<udev_device> tty(
        udev_device_new_from_syspath(context.get(), udev_list_entry_get_name(entry)));
    if (!tty || !IsRealPort(tty.get())) continue;
    const char* devnode = udev_device_get_devnode(tty.get());
    if (devnode) ports.push_back(Describe(tty.get(), devnode));
  }
  std::sort(ports.begin(), ports.end(),
            [](const PortInfo& a, const PortInfo& b) { return NaturalLess(a.name, b.name); });
  return ports;
}

std::string LinkToDevice(const std::string& device, const std::string& folder) {
  struct stat port {};
  if (stat(device.c_str(), &port) != 0 || !S_ISCHR(port.st_mode)) return "";
  std::error_code error;
  for (const auto& link : std::filesystem::directory_iterator(folder, error)) {
    struct stat target {};
    if (stat(link.path().c_str(), &target) == 0 && S_ISCHR(target.st_mode) &&
        target.st_rdev == port.st_rdev)
      return link.path().string();
  }
  return "";
}

std::vector<PortInfo> ListPortLinks() {
  std::map<int, PortInfo> links;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(PortFolder(), error)) {
    const PortName name = ParsePortName(entry.path().filename().string());
    if (name.kind != PortName::Kind::Com || name.text != entry.path().filename()) continue;
    PortInfo link;
    link.kind = PortInfo::Kind::Link;
    link.name = name.text;
    std::error_code unreadable;
    link.target = std::filesystem::read_symlink(entry.path(), unreadable).string();
    const PortPath resolved = ResolvePort(name.text);
    struct stat target {};
    link.exists = stat(entry.path().c_str(), &target) == 0;
    if (resolved.path.empty())
      link.why_not = "another user could have changed the port folder or this link, so -p " +
                     name.text + " will not use it";
    else if (!link.exists)
      link.why_not = "it leads nowhere (" + std::string(std::strerror(errno)) + ")";
    else if (!S_ISCHR(target.st_mode))
      link.why_not = "it leads to no device";
    else
      JudgeAccess(resolved.path, link);
    links[name.number] = link;
  }
  std::vector<PortInfo> sorted;
  for (auto& [number, link] : links) sorted.push_back(std::move(link));
  return sorted;
}

}  // namespace zotpx
