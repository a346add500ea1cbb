// PNG output of a rendered screen, shared by the simulator and the command line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/file_save.h"
#include "screen/screen.h"

namespace zotpx::screen {

// `picture` as an 8-bit RGBA PNG file's bytes; nothing for a picture without pixels.
std::optional<std::vector<std::uint8_t>> EncodePng(const Picture& picture);

// Writes `picture` as an 8-bit RGBA PNG through WriteWholeFile, so a reader never sees half a
// picture, a link is followed and anything but a regular file is refused. On a failure, why,
// and `path` untouched.
SaveResult WritePng(const std::string& path, const Picture& picture);

}  // namespace zotpx::screen
