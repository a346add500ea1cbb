// PNG output of a rendered screen, shared by the simulator and the command line.
#pragma once

#include <string>

#include "screen/screen.h"

namespace zotpx::screen {

// Writes `picture` as an 8-bit RGBA PNG. Atomic: a temporary file in the same folder is
// renamed over `path` only when complete, so a reader never sees half a picture. False, and
// `path` untouched, on any failure.
bool WritePng(const std::string& path, const Picture& picture);

}  // namespace zotpx::screen
