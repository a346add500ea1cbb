// Preparing the static command download from the chosen text file, for every face: the file
// read whole and turned into the "User.cfg" image, with the window's checks in its order.
#pragma once

#include <string>

#include "text/static_file.h"

namespace zotpx {

// Opened, its size checked (1 byte to less than 1 MiB), read whole and closed, then built.
// `failure` holds the message after the title when the file or its text is refused.
StaticImage ReadStaticImage(const std::string& path);

}  // namespace zotpx
