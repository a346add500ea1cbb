// zotpx decode: what the bytes of the serial line mean, read from hex on the command line or
// standard input, a communication log (the window's, --log, a station's) or a static command
// text; and a log's acknowledged overlay commands turned back into a layout file.
#pragma once

#include <vector>

#include "cli/options.h"

namespace zotpx::cli {

// Prints, for every frame, what it is (one JSON object each with `json`), or with --layout
// writes the layout and its bitmaps. The exit status: 0, or 2 when an input cannot be read or
// the layout cannot be made.
int RunDecode(const CommandValues& values, bool json);

}  // namespace zotpx::cli
