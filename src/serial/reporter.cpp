#include "serial/reporter.h"

#include "base/hex.h"

namespace zotpx {

std::string FormatLogLine(const std::string& title, std::size_t count, const std::uint8_t* bytes) {
  return title + HexText(bytes, count);
}

}  // namespace zotpx
