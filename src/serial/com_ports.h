// What Windows' port list reads, parsed: the device manager's instance IDs and the order of
// COM names. Pure, and built everywhere, so that every system's tests cover it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zotpx {

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
