// The fonts that come with the programs, for a system that has none of its own: on Windows the
// installer and the zip put them in fonts\ beside the programs; on Linux the packages depend on
// Debian's font packages instead. One file per platform.
#pragma once

#include <string>

namespace zotpx {

// The folder of the shipped fonts, ending in its separator; empty where nothing is shipped.
std::string ShippedFontsFolder();
// The Chinese font shipped for the window and the screen drawing, or empty.
std::string ShippedCjkFont();

}  // namespace zotpx
