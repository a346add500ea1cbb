// What a whole-file save may find at a name, made as this system makes it, for the save's
// test matrix on both systems: one file per platform. What a system cannot make (a socket, a
// file of another owner on Windows) comes back as "" or false, and the row skips.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

namespace zotpx::test::files {

namespace fs = std::filesystem;

// A property the save must keep on a file it replaces: mode 0751 (Linux), the hidden attribute
// (Windows). False when the file system cannot hold it.
bool Mark(const fs::path& file);
bool Marked(const fs::path& file);
// As a new file comes: mode 0666 less the umask; no attribute but the archive bit.
bool LooksNew(const fs::path& file);
// The user may not write it: mode 0444; the read-only attribute.
void MakeReadOnly(const fs::path& file);
// No file can be made in the folder: mode 0555. False on Windows, where a folder's read-only
// attribute keeps nobody out. Unlock puts it back.
bool LockFolder(const fs::path& folder);
void UnlockFolder(const fs::path& folder);

// A device in `dir`, by its name there: a node of /dev/null's kind, which only root can make;
// NUL, which every Windows folder has. "" when none.
std::string MakeDevice(const fs::path& dir);
bool IsDevice(const fs::path& path);
// A UNIX socket; "" where there are none.
std::string MakeSocket(const fs::path& dir);
// A symbolic link; false where the system or the user may not make one.
bool MakeLink(const std::string& target, const fs::path& link);
bool IsLink(const fs::path& path);

// Linux as root: the save runs in a child that became "nobody" (in group kOtherGroup), so that
// permissions mean something. Elsewhere the save runs here. What `save` returns (0 to 100).
int SaveAsNobody(const std::function<int()>& save);
// The save runs where no file may grow past `bytes`, as on a disk that is full: a child with a
// file size limit (Linux). -1 where there is no such limit (Windows).
int SaveOnASmallDisk(std::size_t bytes, const std::function<int()>& save);
inline constexpr std::uint32_t kNobody = 65534;
inline constexpr std::uint32_t kNoGroup = 65534;
inline constexpr std::uint32_t kOtherGroup = 20;  // any group but root's and nobody's
// Owner, group and mode bits (07777): false, and zeros, where files have none (Windows).
bool SetOwnerAndMode(const fs::path& file, std::uint32_t owner, std::uint32_t group,
                     std::uint32_t mode);
struct Ownership {
  std::uint32_t owner = 0;
  std::uint32_t group = 0;
  std::uint32_t mode = 0;
};
Ownership OwnershipOf(const fs::path& file);

// A fresh folder under the system's temporary folder, and its removal whatever is in it.
fs::path MakeTemporaryFolder();
void RemoveFolder(const fs::path& folder);

}  // namespace zotpx::test::files
