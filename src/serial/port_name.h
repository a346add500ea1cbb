// What a port may be called, the same for every program and every system: "COMn" as Windows
// names its ports, or a path. Pure: nothing here looks at the system.
#pragma once

#include <string>
#include <string_view>

namespace zotpx {

inline constexpr int kHighestComNumber = 256;

struct PortName {
  enum class Kind { Invalid, Com, Path };
  Kind kind = Kind::Invalid;
  int number = 0;      // Com: 1 ... 256
  std::string text;    // Com: "COMn" in capitals; Path: as given; Invalid: empty
  std::string reason;  // Invalid: why, in a phrase that follows the name ("COM0: ...")
};

// "COM" (any case) and 1 ... 256 without leading zeros, or a text with a '/' in it (a device
// path, relative ones included). "\\.\COMn", Windows' device path of a port, is that COMn on
// every system. Everything else is refused with its reason.
PortName ParsePortName(std::string_view name);

}  // namespace zotpx
