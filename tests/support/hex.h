// Frames written the way the protocol tables give them: "55 AA 1B 09 ...".
#pragma once

#include <sstream>
#include <string>

#include "serial/frame.h"

namespace zotpx::test {

inline Bytes Hex(const std::string& text) {
  std::istringstream in(text);
  Bytes bytes;
  unsigned value = 0;
  while (in >> std::hex >> value) bytes.push_back(static_cast<std::uint8_t>(value));
  return bytes;
}

}  // namespace zotpx::test
