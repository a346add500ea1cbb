#include "serial/port_name.h"

#include <algorithm>

#include "base/platform_words.h"

namespace zotpx {

namespace {

std::string NamesAre() {
  return std::string("a port is ") + SystemWords().port_names;
}

PortName Refused(std::string reason) {
  PortName refused;
  refused.reason = std::move(reason);
  return refused;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

char Upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// The digits' value, or 0 when it is above 256: a long run must not wrap into a small number.
int ComNumber(std::string_view digits) {
  int number = 0;
  for (char c : digits) {
    number = number * 10 + (c - '0');
    if (number > kHighestComNumber) return 0;
  }
  return number;
}

}  // namespace

PortName ParsePortName(std::string_view name) {
  if (name.empty()) return Refused("an empty port name: " + NamesAre());
  // Only a '/' makes a path, so that "ttyUSB0" or "COM1 " is never taken for a file in the
  // current folder.
  if (name.find('/') != std::string_view::npos) {
    PortName path;
    path.kind = PortName::Kind::Path;
    path.text = std::string(name);
    return path;
  }
  // Windows' own device path of a port names the same port: "\\.\COM7" is COM7.
  if (name.substr(0, 4) == "\\\\.\\" && name.substr(4, 1) != "\\")
    return ParsePortName(name.substr(4));
  const bool com =
      name.size() > 3 && Upper(name[0]) == 'C' && Upper(name[1]) == 'O' && Upper(name[2]) == 'M';
  const std::string_view digits = com ? name.substr(3) : std::string_view();
  if (!com || !std::all_of(digits.begin(), digits.end(), IsDigit)) {
    const std::string hint =
        name.substr(0, 3) == "tty" ? " (did you mean /dev/" + std::string(name) + "?)" : "";
    return Refused("not a port name: " + NamesAre() + hint);
  }
  const int number = ComNumber(digits);
  if (number == 0) return Refused("port numbers run from COM1 to COM256");
  if (digits[0] == '0')
    return Refused("a port number has no leading zeros: COM" + std::to_string(number));
  PortName com_name;
  com_name.kind = PortName::Kind::Com;
  com_name.number = number;
  com_name.text = "COM" + std::string(digits);
  return com_name;
}

}  // namespace zotpx
