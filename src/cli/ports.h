// The serial ports of this system as udev sees them: every tty with a real device behind it
// (USB adapters, modems, UARTs that are fitted; never the virtual consoles), what identifies
// it, and whether the current user may open it.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zotpx::cli {

struct SerialPortInfo {
  std::string device;      // "/dev/ttyUSB0"
  std::string by_id;       // "/dev/serial/by-id/usb-…", empty without one (no udev running)
  std::string driver;      // "ftdi_sio", "cdc_acm", "serial", …
  std::string vendor_id;   // USB only: "0403"
  std::string product_id;  // USB only: "6001"
  std::string manufacturer;
  std::string product;  // the device's own name for itself, where it gives one
  std::string serial;   // serial number, where it gives one
  bool may_open = false;
  std::string why_not;  // when it may not be opened: which user, group and mode stand in the way
};

// Sorted by device path, numbers in order (ttyUSB2 before ttyUSB10). Empty, and silent, where
// there is no udev or no sysfs to ask (a container).
std::vector<SerialPortInfo> ListSerialPorts();

// A "COMn" link of the user's port folder: the names `-p COMn` resolves through it.
struct PortLinkInfo {
  std::string name;     // "COM211"
  std::string target;   // what the link says, as written in it; empty when the entry is no link
  bool exists = false;  // its target is there
  bool may_open = false;
  std::string why_not;  // when it may not be opened, or will not be used
};

// The port folder's COMn links, in number order. Entries with other names are no port names
// and are left out.
std::vector<PortLinkInfo> ListPortLinks();

// Why the names given to --port cannot be used: a name that is no port name, or one device
// named twice (the same path, a link and its target, two links to one device). Nothing when
// they can. Looks at the files the names lead to, opens nothing.
std::optional<std::string> RefusePortNames(const std::vector<std::string>& names);

// The entry of `folder` that stands for the character device `device`: the same device number,
// whichever node or link names it. "" when none does.
std::string LinkToDevice(const std::string& device, const std::string& folder);

// A USB adapter or modem: what `--port all` takes.
bool IsUsbSerial(const SerialPortInfo& port);
// The device paths of every USB serial port, in ListSerialPorts' order.
std::vector<std::string> UsbSerialPortPaths();

}  // namespace zotpx::cli
