// A file that another file names (a layout's bitmap) by the system's own path rules: on Windows
// both separators, drive letters and \\server\share; on Linux '/' alone. UTF-8 in and out.
#pragma once

#include <filesystem>
#include <string>

namespace zotpx {

// A UTF-8 path as the system's own path type.
std::filesystem::path PathOf(const std::string& text);

// Whether `path` starts at a root ("/x"; on Windows also "C:\x", "\x", "\\server\share\x"),
// so that it means the same from every folder.
bool IsRootedPath(const std::string& path);
// The folder part of `path` with its separator ("ex/" of "ex/a.toml", "ex\" of "ex\a.toml" on
// Windows), "" when it names none.
std::string FolderOfPath(const std::string& path);

// Whether both name one file that exists (the same device and file number, through links and
// other names alike): an output must never replace the input it is made from.
bool IsSameFile(const std::string& a, const std::string& b);

}  // namespace zotpx
