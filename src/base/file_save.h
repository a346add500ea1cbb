// Saving a file whole or not at all, without a window toolkit: every file the tool writes
// (the window's saves, the command line's outputs, the simulator's pictures and dumps) is
// written here, so that they all treat an existing file alike.
//
// The rules are an editor's:
// - A symbolic link is followed, through a chain and relative links, and the file it names is
//   replaced; the link stays. A link that names no file yet creates that file.
// - A file that exists and is no regular file (a device such as /dev/null, a FIFO, a folder,
//   a socket) is refused, and so is one the user may not write: nothing changes.
// - The new bytes go into a temporary file beside the real target, are flushed, and are
//   renamed over it only once all of them are there: a failed save (a full disk, a read-only
//   folder) leaves no half-written file, and an existing one as it was.
// - An existing file keeps its mode and, where the user may set them, its owner and group
//   (root keeps both; others keep the group when they belong to it). A set-user or set-group
//   bit stays only with the owner or group it was for.
// - A file with several hard links is written in place instead, since a rename would give
//   this name a new file and leave the other names on the old one. Room for the new bytes is
//   reserved first, so a full disk refuses the save before a byte changes; after that only a
//   fault of the disk itself could leave it part-written.
// - A new file gets the permissions the umask (and the folder's default ACL) allows.
//
// The platform's part is one file per platform (file_save.cpp for POSIX).
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace zotpx {

// After a command's title, when a file it writes cannot be saved.
inline constexpr const char* kSaveFailedText = "失败：无法保存文件";

enum class SaveSync {
  Durable,  // on the disk before the call returns: the operator's files
  Quick,    // renamed whole, not flushed: a picture rewritten after every change
};

bool WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes,
                    SaveSync sync = SaveSync::Durable);

// The file a save to `path` writes: `path` itself, or, when it is a symbolic link, the file at
// the end of its chain, which need not exist. Empty when the chain never ends (a loop).
std::string SaveTarget(const std::string& path);

}  // namespace zotpx
