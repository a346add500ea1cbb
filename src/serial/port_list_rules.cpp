// What every system shares about the port list and its changes: the window's names, the ports
// `-p all` takes, the order of names, and the pure rules the watchers apply.
#include <algorithm>
#include <cctype>

#include "serial/port_list.h"
#include "serial/port_watch.h"

namespace zotpx {

namespace {

constexpr int kWindowComNames = 16;

bool IsDigit(char c) {
  return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// The same device under the same name: what the list tells of its identity, not of the
// moment (whether it may be opened changes as udev sets its permissions).
bool SameDevice(const PortInfo& a, const PortInfo& b) {
  return a.kind == b.kind && a.name == b.name && a.target == b.target &&
         a.vendor_id == b.vendor_id && a.product_id == b.product_id && a.serial == b.serial &&
         a.driver == b.driver;
}

}  // namespace

bool NaturalLess(const std::string& a, const std::string& b) {
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < a.size() && j < b.size()) {
    if (IsDigit(a[i]) && IsDigit(b[j])) {
      std::size_t i_end = i;
      std::size_t j_end = j;
      while (i_end < a.size() && IsDigit(a[i_end])) ++i_end;
      while (j_end < b.size() && IsDigit(b[j_end])) ++j_end;
      // Leading zeros do not count: "007" and "7" are the same number, told apart as text.
      const std::size_t x0 = std::min(a.find_first_not_of('0', i), i_end - 1);
      const std::size_t y0 = std::min(b.find_first_not_of('0', j), j_end - 1);
      const std::string_view x(a.data() + x0, i_end - x0);
      const std::string_view y(b.data() + y0, j_end - y0);
      if (x.size() != y.size()) return x.size() < y.size();
      if (x != y) return x < y;
      if (i_end - i != j_end - j) return i_end - i < j_end - j;
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

bool IsUsbSerial(const PortInfo& port) {
  return port.kind == PortInfo::Kind::Serial && !port.vendor_id.empty();
}

std::vector<std::string> UsbSerialPortPaths() {
  std::vector<std::string> names;
  for (const PortInfo& port : ListSerialPorts())
    if (IsUsbSerial(port)) names.push_back(port.name);
  return names;
}

std::vector<std::string> ListPortNames() {
  std::vector<std::string> names;
  const auto add = [&names](const std::string& name) {
    if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end())
      names.push_back(name);
  };
  for (int n = 1; n <= kWindowComNames; ++n) add("COM" + std::to_string(n));
  const std::vector<PortInfo> serial = ListSerialPorts();
  for (const PortInfo& port : serial) add(port.name);
  std::vector<std::string> by_id;
  for (const PortInfo& port : serial)
    if (!port.by_id.empty()) by_id.push_back(port.by_id);
  std::sort(by_id.begin(), by_id.end(), NaturalLess);
  for (const std::string& link : by_id) add(link);
  for (const PortInfo& link : ListPortLinks()) add(link.name);
  return names;
}

const char* PortEventWord(PortEvent::Kind kind) {
  return kind == PortEvent::Kind::Arrived ? "arrived" : "left";
}

std::vector<PortEvent> DiffPorts(const std::vector<PortInfo>& before,
                                 const std::vector<PortInfo>& after) {
  std::vector<PortEvent> events;
  const auto has = [](const std::vector<PortInfo>& list, const PortInfo& port) {
    return std::any_of(list.begin(), list.end(),
                       [&port](const PortInfo& p) { return SameDevice(p, port); });
  };
  for (const PortInfo& port : before)
    if (!has(after, port)) events.push_back({PortEvent::Kind::Left, port});
  for (const PortInfo& port : after)
    if (!has(before, port)) events.push_back({PortEvent::Kind::Arrived, port});
  return events;
}

std::optional<UeventChange> PortChangeOf(const Uevent& event) {
  // The consoles, ptmx and the pseudo-terminals' masters live under /devices/virtual.
  if (event.subsystem != "tty" || event.devnode.empty() ||
      event.devpath.rfind("/devices/virtual/", 0) == 0)
    return std::nullopt;
  if (event.action == "remove") return UeventChange{PortEvent::Kind::Left, event.devnode};
  // A serial-core UART reports type 0 when nothing is fitted at its address: no port to offer
  // (`udevadm trigger --action=add` sends one for each).
  if (event.action == "add" && !(event.uart_type && *event.uart_type == 0))
    return UeventChange{PortEvent::Kind::Arrived, event.devnode};
  return std::nullopt;
}

}  // namespace zotpx
