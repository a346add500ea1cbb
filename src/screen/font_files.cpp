#include "screen/glyphs.h"

namespace zotpx::screen {

// Debian's unifont and fonts-wqy-zenhei packages.
std::string UnifontPath() {
  return "/usr/share/unifont/unifont.hex";
}
std::string CjkFontPath() {
  return "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc";
}

}  // namespace zotpx::screen
