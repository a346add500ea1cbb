#include "base/shipped_fonts.h"
#include "screen/glyphs.h"

namespace zotpx::screen {

std::string UnifontPath() {
  return ShippedFontsFolder() + "unifont.hex";
}
std::string CjkFontPath() {
  return ShippedCjkFont();
}

}  // namespace zotpx::screen
