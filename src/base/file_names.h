// Names that Windows keeps for its devices in every folder: a file cannot be called so there,
// and opening "logs\COM3.log" opens the port COM3. Pure, so that both systems' tests check it.
#pragma once

#include <string>
#include <string_view>

namespace zotpx {

// CON, PRN, AUX, NUL, COM1 ... COM9, LPT1 ... LPT9 (any case), alone or before an extension;
// spaces and dots at the end of the name make no difference.
bool IsWindowsDeviceName(std::string_view file_name);

// `file_name` as this system lets a folder hold it: as it is, or, on Windows, with "_" after
// a device name ("COM3.log" gives "COM3_.log"). One file per platform.
std::string UsableFileName(const std::string& file_name);

}  // namespace zotpx
