// Which names a run's ports may have: refused before anything is opened.
#include <map>

#include "cli/ports.h"
#include "serial/port.h"
#include "serial/port_name.h"

namespace zotpx::cli {

std::optional<std::string> RefusePortNames(const std::vector<std::string>& names) {
  std::map<std::string, std::string> seen;  // device key -> the first name that reached it
  for (const std::string& name : names) {
    const PortName parsed = ParsePortName(name);
    if (parsed.kind == PortName::Kind::Invalid) return "--port '" + name + "': " + parsed.reason;
    const auto [first, added] = seen.emplace(PortDeviceKey(name), name);
    if (!added)
      return first->second == name ? "--port " + name + " is given twice: name each port once"
                                   : "--port " + first->second + " and --port " + name +
                                         " are the same device: name each port once";
  }
  return std::nullopt;
}

}  // namespace zotpx::cli
