#include "serial/com_ports.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace zotpx {

namespace {

std::string Upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

// The four hex digits after `key` ("VID_"), or "".
std::string IdAfter(const std::string& upper, std::string_view key) {
  const std::size_t at = upper.find(key);
  if (at == std::string::npos || at + key.size() + 4 > upper.size()) return "";
  const std::string id = upper.substr(at + key.size(), 4);
  const bool hex = std::all_of(id.begin(), id.end(),
                               [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); });
  return hex ? id : "";
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  for (std::size_t start = 0;;) {
    const std::size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

// The number of "COMn", or 0 for any other name.
long ComNumber(const std::string& name) {
  if (name.size() < 4 || Upper(name.substr(0, 3)) != "COM") return 0;
  if (!std::all_of(name.begin() + 3, name.end(),
                   [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
    return 0;
  return std::strtol(name.c_str() + 3, nullptr, 10);
}

}  // namespace

UsbIds ParseInstanceId(std::string_view instance_id) {
  UsbIds ids;
  const std::string upper = Upper(instance_id);
  ids.vendor_id = IdAfter(upper, "VID_");
  ids.product_id = IdAfter(upper, "PID_");
  if (ids.vendor_id.empty() || ids.product_id.empty()) return {};
  const std::vector<std::string_view> parts = Split(instance_id, '\\');
  if (parts.size() < 2) return ids;
  if (upper.rfind("FTDIBUS\\", 0) == 0) {
    // VID_0403+PID_6001+<serial><channel letter>
    const std::vector<std::string_view> fields = Split(parts[1], '+');
    if (fields.size() >= 3 && fields[2].size() > 1)
      ids.serial = fields[2].substr(0, fields[2].size() - 1);
  } else if (parts.size() >= 3 && parts[2].find('&') == std::string_view::npos) {
    ids.serial = parts[2];
  }
  return ids;
}

bool ComNameLess(const std::string& a, const std::string& b) {
  const long x = ComNumber(a);
  const long y = ComNumber(b);
  if ((x > 0) != (y > 0)) return x > 0;
  if (x != y) return x < y;
  return a < b;
}

}  // namespace zotpx
