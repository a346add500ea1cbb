// Paths as the tool holds them (UTF-8 text) and as the system takes them. Every file name goes
// through here on its way to std::filesystem or a file stream: on Windows a std::string handed
// to them is read in the system's narrow code page, and a Chinese name becomes another one.
// The rules for separators are the system's own: on Windows both separators, drive letters and
// \\server\share; on Linux '/' alone.
#pragma once

#include <filesystem>
#include <string>

namespace zotpx {

// The name the system's calls take for `path`: on Windows its wide form, on Linux its bytes.
std::filesystem::path SystemPath(const std::string& path);
// And back: the UTF-8 text of a name the system gave.
std::string PathText(const std::filesystem::path& path);

// Whether `path` starts at a root ("/x"; on Windows also "C:\x", "\x", "\\server\share\x"),
// so that it means the same from every folder.
bool IsRootedPath(const std::string& path);
// The folder part of `path` with its separator ("ex/" of "ex/a.toml", "ex\" of "ex\a.toml" on
// Windows), "" when it names none.
std::string FolderOfPath(const std::string& path);
// What follows the folder part: the file's own name ("a.toml" of "ex\a.toml" on Windows).
std::string FileOfPath(const std::string& path);
// `name` in `folder` ("" for the current one), with the system's separator between them
// unless the folder ends in one.
std::string PathInFolder(const std::string& folder, const std::string& name);

// Whether both name one file that exists (the same device and file number, through links and
// other names alike): an output must never replace the input it is made from.
bool IsSameFile(const std::string& a, const std::string& b);

}  // namespace zotpx
