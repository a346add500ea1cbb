// Ports that come and go: a watcher that tells when a serial device is plugged in or removed, or
// a "COMn" link appears in or leaves the port folder (a simulator starting or ending). On Linux
// it listens to udev's monitor (the kernel's, where no udev daemon runs) and to inotify on the
// port folder; on Windows to the system's device notifications. This header is the seam:
// port_watch.cpp and port_watch_win32.cpp watch, port_list_rules.cpp holds the pure rules.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "serial/port_list.h"

namespace zotpx {

struct PortEvent {
  enum class Kind { Arrived, Left };
  Kind kind = Kind::Arrived;
  PortInfo port;  // what was known of it: as it came, or as it was before it left
};

// "arrived" or "left": the words `zotpx ports --watch` prints.
const char* PortEventWord(PortEvent::Kind kind);

class PortWatcher {
 public:
  // Takes the ports as they are now (Ports()); what changes from then on comes as events.
  // One thread uses a watcher.
  PortWatcher();
  ~PortWatcher();
  PortWatcher(const PortWatcher&) = delete;
  PortWatcher& operator=(const PortWatcher&) = delete;

  // The ports as they stand after the events given so far: serial devices, then links.
  const std::vector<PortInfo>& Ports() const;
  // Waits up to `timeout_ms` (0: only looks) for ports to come or go, and gives what did, in
  // the order it happened. Empty when nothing did in time, or when a signal interrupted it.
  std::vector<PortEvent> Wait(int timeout_ms);
  // Empty while the system tells of every change; else why it cannot (the watcher then looks
  // the list over every few seconds instead).
  const std::string& Limitation() const;

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

// What changed between two listings of the same kind of port: the ports gone (as they were),
// then those new, each in its list's order. A port whose name stayed but whose device changed
// (another adapter, a link to elsewhere) left and arrived.
std::vector<PortEvent> DiffPorts(const std::vector<PortInfo>& before,
                                 const std::vector<PortInfo>& after);

// What a udev event of the tty subsystem says, as the monitor gives it.
struct Uevent {
  std::string action;             // "add", "remove", "change", "bind", …
  std::string subsystem;          // "tty"
  std::string devpath;            // "/devices/pci0000:00/…/ttyUSB0/tty/ttyUSB0"
  std::string devnode;            // "/dev/ttyUSB0"; empty for a device without a node
  std::optional<long> uart_type;  // a serial-core UART's "type" attribute, where it has one
};
// What the event means for the port list: a serial device that came or went, by its node's
// path; nothing for events about other devices (virtual terminals, consoles, ptmx, UARTs with
// nothing fitted) and for those that change no port's presence ("change", "bind", …).
struct UeventChange {
  PortEvent::Kind kind;
  std::string name;
};
std::optional<UeventChange> PortChangeOf(const Uevent& event);

}  // namespace zotpx
