#include "base/shipped_fonts.h"

namespace zotpx {

// Linux: Debian's unifont and fonts-wqy-zenhei, where the system keeps them.
std::string ShippedFontsFolder() {
  return "";
}

std::string ShippedCjkFont() {
  return "";
}

}  // namespace zotpx
