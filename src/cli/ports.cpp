#include "cli/ports.h"

#include <fcntl.h>
#include <libudev.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>

#include "serial/port.h"
#include "serial/port_name.h"

namespace zotpx::cli {

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
void JudgeAccess(const std::string& path, bool& may_open, std::string& why_not) {
  if (faccessat(AT_FDCWD, path.c_str(), R_OK | W_OK, AT_EACCESS) == 0) {
    may_open = true;
    return;
  }
  const std::optional<AccessDiagnosis> access = DiagnoseDeviceAccess(path);
  why_not = access ? AccessWhyNotText(path, *access)
                   : "no device node " + path + ": " + std::strerror(errno);
}

SerialPortInfo Describe(udev_device* tty, const char* devnode) {
  SerialPortInfo port;
  port.device = devnode;
  port.by_id = ById(tty, port.device);
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
  JudgeAccess(port.device, port.may_open, port.why_not);
  return port;
}

// "/dev/ttyUSB2" before "/dev/ttyUSB10": text compared, runs of digits by value.
bool NaturalLess(const std::string& a, const std::string& b) {
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < a.size() && j < b.size()) {
    if (std::isdigit(static_cast<unsigned char>(a[i])) &&
        std::isdigit(static_cast<unsigned char>(b[j]))) {
      std::size_t i_end = i;
      std::size_t j_end = j;
      while (i_end < a.size() && std::isdigit(static_cast<unsigned char>(a[i_end]))) ++i_end;
      while (j_end < b.size() && std::isdigit(static_cast<unsigned char>(b[j_end]))) ++j_end;
      const std::string x = a.substr(i, i_end - i);
      const std::string y = b.substr(j, j_end - j);
      if (x.size() != y.size()) return x.size() < y.size();
      if (x != y) return x < y;
      i = i_end;
      j = j_end;
      continue;
    }
    if (a[i] != b[j]) return a[i] < b[j];
    ++i;
    ++j;
  }
  return a.size() - i < b.size() - j;
}

}  // namespace

std::vector<SerialPortInfo> ListSerialPorts() {
  std::vector<SerialPortInfo> ports;
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
  std::sort(ports.begin(), ports.end(), [](const SerialPortInfo& a, const SerialPortInfo& b) {
    return NaturalLess(a.device, b.device);
  });
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

std::vector<PortLinkInfo> ListPortLinks() {
  std::map<int, PortLinkInfo> links;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(PortFolder(), error)) {
    const PortName name = ParsePortName(entry.path().filename().string());
    if (name.kind != PortName::Kind::Com || name.text != entry.path().filename()) continue;
    PortLinkInfo link;
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
      JudgeAccess(resolved.path, link.may_open, link.why_not);
    links[name.number] = link;
  }
  std::vector<PortLinkInfo> sorted;
  for (auto& [number, link] : links) sorted.push_back(std::move(link));
  return sorted;
}

}  // namespace zotpx::cli
