// A file that another file names (a layout's bitmap) by the system's own path rules: on Windows
// both separators, drive letters and \\server\share; on Linux '/' alone. UTF-8 in and out.
#pragma once

#include <string>

namespace zotpx {

// Whether `path` starts at a root ("/x"; on Windows also "C:\x", "\x", "\\server\share\x"),
// so that it means the same from every folder.
bool IsRootedPath(const std::string& path);
// The folder part of `path` with its separator ("ex/" of "ex/a.toml", "ex\" of "ex\a.toml" on
// Windows), "" when it names none.
std::string FolderOfPath(const std::string& path);

}  // namespace zotpx
