// The ports of this system, one list for every face: the window's drop-down, `zotpx ports`,
// `-p all` and the port watcher. On Linux the serial devices come from udev (every tty with
// hardware behind it) and the "COMn" links from the user's port folder; on Windows from the
// registry's device map, with what the device manager knows of each. This header is the seam:
// port_list.cpp and port_list_win32.cpp list, port_list_rules.cpp holds what both share.
#pragma once

#include <string>
#include <vector>

namespace zotpx {

struct PortInfo {
  enum class Kind {
    Serial,  // a serial device of the system
    Link,    // a "COMn" link of the user's port folder (zotpx-sim --port makes them)
  };
  Kind kind = Kind::Serial;
  std::string name;        // what -p takes: "/dev/ttyUSB0", "COM3" (Windows), "COM211" (a link)
  std::string by_id;       // "/dev/serial/by-id/usb-…", empty without one
  std::string driver;      // "ftdi_sio", "cdc_acm", "FTDIBUS", …
  std::string vendor_id;   // USB only: "0403"
  std::string product_id;  // USB only: "6001"
  std::string manufacturer;
  std::string product;  // the device's own name for itself, where it gives one
  std::string serial;   // serial number, where it gives one
  std::string target;   // a link: what it says, as written in it; empty when it is no link
  bool exists = false;  // a link: its target is there
  bool may_open = false;
  std::string why_not;  // when it may not be opened: who and what stand in the way
};

// Serial devices, sorted by name, numbers in order (ttyUSB2 before ttyUSB10; COM2 before
// COM10). Empty, and silent, where there is nothing to ask (a container without sysfs).
std::vector<PortInfo> ListSerialPorts();
// The port folder's "COMn" links, in number order; other entries are left out. None on
// Windows, where a port's name is the system's.
std::vector<PortInfo> ListPortLinks();
// The window's drop-down: "COM1" … "COM16", then every serial device (and on Linux its by-id
// link), then the COMn links with a higher number.
std::vector<std::string> ListPortNames();

// The entry of `folder` that stands for the character device `device`: the same device number,
// whichever node or link names it. "" when none does (always on Windows).
std::string LinkToDevice(const std::string& device, const std::string& folder);

// A USB adapter or modem: what `-p all` takes.
bool IsUsbSerial(const PortInfo& port);
// The names of every USB serial port, in ListSerialPorts' order.
std::vector<std::string> UsbSerialPortPaths();

// "/dev/ttyUSB2" before "/dev/ttyUSB10", "COM2" before "COM10": text compared, runs of digits
// by value.
bool NaturalLess(const std::string& a, const std::string& b);

}  // namespace zotpx
