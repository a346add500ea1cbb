// The port list on Windows: the registry's device map names every port a driver serves (Wine's
// included, where SetupAPI lists none); SetupAPI adds what the device manager knows of each.
// Windows has no per-user device permissions: a port that is there may be opened, unless
// another program holds it, which only opening tells.
#include <windows.h>
// After windows.h.
#include <setupapi.h>

#include <algorithm>
#include <map>

#include "base/utf16_win32.h"
#include "serial/com_ports.h"
#include "serial/port_list.h"

namespace zotpx {

namespace {

// The device setup class "Ports (COM & LPT)".
constexpr GUID kPortsClass = {
    0x4D36E978, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

std::vector<std::string> DeviceMapNames() {
  std::vector<std::string> names;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) !=
      ERROR_SUCCESS)
    return names;
  for (DWORD index = 0;; ++index) {
    wchar_t value_name[256];
    DWORD name_size = 256;
    wchar_t data[256] = {};
    DWORD data_size = sizeof data - sizeof(wchar_t);
    DWORD type = 0;
    const LONG r = RegEnumValueW(key, index, value_name, &name_size, nullptr, &type,
                                 reinterpret_cast<BYTE*>(data), &data_size);
    if (r == ERROR_NO_MORE_ITEMS) break;
    if (r != ERROR_SUCCESS || type != REG_SZ) continue;
    names.push_back(Utf8FromWide(data));
  }
  RegCloseKey(key);
  return names;
}

std::string RegistryProperty(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property) {
  wchar_t text[512] = {};
  DWORD type = 0;
  if (!SetupDiGetDeviceRegistryPropertyW(set, &device, property, &type,
                                         reinterpret_cast<BYTE*>(text),
                                         sizeof text - sizeof(wchar_t), nullptr) ||
      type != REG_SZ)
    return "";
  return Utf8FromWide(text);
}

std::string PortNameOf(HDEVINFO set, SP_DEVINFO_DATA& device) {
  HKEY key = SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
  if (key == INVALID_HANDLE_VALUE) return "";
  wchar_t name[64] = {};
  DWORD size = sizeof name - sizeof(wchar_t);
  DWORD type = 0;
  const bool ok = RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(name),
                                   &size) == ERROR_SUCCESS &&
                  type == REG_SZ;
  RegCloseKey(key);
  return ok ? Utf8FromWide(name) : "";
}

// What the device manager knows, by port name.
std::map<std::string, PortInfo> DeviceManagerPorts() {
  std::map<std::string, PortInfo> ports;
  HDEVINFO set = SetupDiGetClassDevsW(&kPortsClass, nullptr, nullptr, DIGCF_PRESENT);
  if (set == INVALID_HANDLE_VALUE) return ports;
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  for (DWORD index = 0; SetupDiEnumDeviceInfo(set, index, &device); ++index) {
    PortInfo port;
    port.name = PortNameOf(set, device);
    if (port.name.empty()) continue;
    port.product = RegistryProperty(set, device, SPDRP_FRIENDLYNAME);
    port.manufacturer = RegistryProperty(set, device, SPDRP_MFG);
    port.driver = RegistryProperty(set, device, SPDRP_SERVICE);
    wchar_t instance[512] = {};
    if (SetupDiGetDeviceInstanceIdW(set, &device, instance, 511, nullptr)) {
      const UsbIds ids = ParseInstanceId(Utf8FromWide(instance));
      port.vendor_id = ids.vendor_id;
      port.product_id = ids.product_id;
      port.serial = ids.serial;
    }
    ports[port.name] = port;
  }
  SetupDiDestroyDeviceInfoList(set);
  return ports;
}

}  // namespace

std::vector<PortInfo> ListSerialPorts() {
  const std::map<std::string, PortInfo> known = DeviceManagerPorts();
  std::vector<PortInfo> ports;
  for (const std::string& name : DeviceMapNames()) {
    const auto found = known.find(name);
    PortInfo port;
    if (found != known.end()) port = found->second;
    port.name = name;
    port.may_open = true;
    ports.push_back(port);
  }
  std::sort(ports.begin(), ports.end(),
            [](const PortInfo& a, const PortInfo& b) { return ComNameLess(a.name, b.name); });
  return ports;
}

std::string LinkToDevice(const std::string&, const std::string&) {
  return "";
}

std::vector<PortInfo> ListPortLinks() {
  return {};
}

}  // namespace zotpx
