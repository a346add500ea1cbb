#include "screen/png_writer.h"

namespace zotpx::screen {

bool WritePng(const std::string&, const Picture&) {
  return false;
}

}  // namespace zotpx::screen
