#include "serial/reporter.h"

namespace zotpx {

std::string FormatLogLine(const std::string& title, std::size_t count, const std::uint8_t* bytes) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string line = title;
  line.reserve(title.size() + count * 3);
  for (std::size_t i = 0; i < count; ++i) {
    line += kHex[bytes[i] >> 4];
    line += kHex[bytes[i] & 15];
    line += ' ';
  }
  return line;
}

}  // namespace zotpx
