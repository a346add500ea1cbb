// Saving files whole or not at all, without a window toolkit: every file the tool writes (the
// window's saves, the command line's outputs, the simulator's pictures and dumps) is written
// here, so that they all treat an existing file alike.
//
// The rules are an editor's:
// - A symbolic link is followed, through a chain and relative links, and the file it names is
//   replaced; the link stays. A link that names no file yet creates that file.
// - A file that exists and is no regular file (a device such as /dev/null, a FIFO, a folder,
//   a socket) is refused, and so is one the user may not write: nothing changes.
// - The new bytes go into a temporary file beside the real target, are flushed, and are
//   renamed over it only once all of them are there: a failed save (a full disk, a read-only
//   folder) leaves no half-written file, and an existing one as it was. The temporary name is
//   cut to fit the file system's limit on a name, so a name near the limit saves too.
// - An existing file keeps its mode and, where the user may set them, its owner and group
//   (root keeps both; others keep the group when they belong to it). A set-user or set-group
//   bit stays only with the owner or group it was for.
// - A file with several hard links is written in place instead, since a rename would give
//   this name a new file and leave the other names on the old one. Room for the new bytes is
//   reserved first, so a full disk refuses the save before a byte changes; after that only a
//   fault of the disk itself could leave it part-written.
// - A new file gets the permissions the umask (and the folder's default ACL) allows.
//
// Several files saved together (a command's outputs) are all saved or none is: each one's
// temporary file is written first, and only when all are ready are they renamed into place.
// Should a rename then fail (which takes a fault of the file system, the temporaries being
// ready beside their targets), the ones already renamed are put back from the old files kept
// as hard links meanwhile (a file that was new is removed), so every file is as it was. Where
// the file system has no hard links (FAT), the files renamed before stay new: the failure then
// names the file that was not saved. A file written in place (several hard links) is written
// last, since it cannot be put back.
//
// The platform's part is one file per platform (file_save.cpp for POSIX).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "base/catalogue_text.h"

namespace zotpx {

// After a command's title, when a file it writes cannot be saved.
inline constexpr CatalogueText kSaveFailedText = "files.save_failed";
// The same where no title goes before it.
inline constexpr CatalogueText kCannotSaveText = "files.cannot_save";

enum class SaveSync {
  Durable,  // on the disk before the call returns: the operator's files
  Quick,    // renamed whole, not flushed: a picture rewritten after every change
};

// Why a save failed.
enum class SaveProblem {
  None,
  NoSpace,   // the disk or the user's quota is full, or a file size limit reached
  ReadOnly,  // an existing file the user may not write
  ReadOnlyFileSystem,
  NoPermission,    // the folder may not be written
  NoFolder,        // the folder does not exist
  NotRegularFile,  // a device, FIFO, folder or socket stands at the name
  NameTooLong,
  LinkLoop,     // symbolic links that lead to each other
  SameAsInput,  // the file is one the command reads
  SameAsOther,  // two files of one save are the same file
  Failed,       // the system refused it otherwise (a fault of the disk)
};

struct SaveResult {
  SaveProblem problem = SaveProblem::None;
  std::size_t file = 0;  // which of the files saved together failed
  explicit operator bool() const { return problem == SaveProblem::None; }
};

// Why, in words for the user: "磁盘空间不足".
std::string SaveProblemText(SaveProblem problem);
// `message` with why after it: "失败：无法保存文件（磁盘空间不足）".
std::string SaveFailureText(const std::string& message, SaveProblem problem);

struct FileToSave {
  std::string path;
  std::span<const std::uint8_t> bytes;
};

SaveResult WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes,
                          SaveSync sync = SaveSync::Durable);
// All of `files` or none. `inputs` are the files the bytes were made from: a file to save that
// is one of them (the same file, whatever the names or links that lead to it) is refused
// before anything is written, as are two files to save that are one.
SaveResult WriteWholeFiles(std::span<const FileToSave> files,
                           std::span<const std::string> inputs = {},
                           SaveSync sync = SaveSync::Durable);

// The file `path` leads to, which a save to it writes and beside which files it names are
// found: `path` itself, or, when it is a symbolic link, the file at the end of its chain,
// which need not exist. Empty when the chain never ends (a loop).
std::string LinkTarget(const std::string& path);

}  // namespace zotpx
