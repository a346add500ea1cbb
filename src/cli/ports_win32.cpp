// The serial ports of this system on Windows: every port the registry's device map names, with
// what the device manager knows of it. Windows has no per-user device permissions: a port that
// is there may be opened, unless another program holds it, which only opening tells.
#include "cli/ports.h"
#include "serial/com_ports.h"

namespace zotpx::cli {

std::vector<SerialPortInfo> ListSerialPorts() {
  std::vector<SerialPortInfo> ports;
  for (const ComPort& com : ListComPorts()) {
    SerialPortInfo port;
    port.device = com.name;
    port.driver = com.driver;
    port.vendor_id = com.vendor_id;
    port.product_id = com.product_id;
    port.manufacturer = com.manufacturer;
    port.product = com.friendly_name;
    port.serial = com.serial;
    port.may_open = true;
    ports.push_back(port);
  }
  return ports;
}

// No links stand for a port on Windows: its name is the system's.
std::string LinkToDevice(const std::string&, const std::string&) {
  return "";
}

// No port folder either.
std::vector<PortLinkInfo> ListPortLinks() {
  return {};
}

}  // namespace zotpx::cli
