// The serial ports Windows knows: their names from the registry's device map, and what the
// device manager tells of each (friendly name, driver, USB vendor and product, serial number).
// The parsing is pure and builds everywhere; ListComPorts exists on Windows only.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zotpx {

struct ComPort {
  std::string name;           // "COM3"
  std::string friendly_name;  // "USB Serial Port (COM3)", where the device manager has one
  std::string manufacturer;
  std::string driver;      // the service: "FTDIBUS", "usbser", "Serial"
  std::string vendor_id;   // USB only: "0403"
  std::string product_id;  // USB only: "6001"
  std::string serial;      // where the device has one
};

// Every port in HARDWARE\DEVICEMAP\SERIALCOMM, in ComNameLess order, with what SetupAPI adds.
std::vector<ComPort> ListComPorts();

// What a device instance ID says: "USB\VID_0403&PID_6001\A50285BI" or FTDI's own
// "FTDIBUS\VID_0403+PID_6001+A50285BIA\0000". A serial number Windows made up (it holds '&')
// is none.
struct UsbIds {
  std::string vendor_id;  // four hex digits, upper case as Windows writes them
  std::string product_id;
  std::string serial;
};
UsbIds ParseInstanceId(std::string_view instance_id);

// "COM2" before "COM10"; other names after the COM ports, by text.
bool ComNameLess(const std::string& a, const std::string& b);

}  // namespace zotpx
