// The whole-file save on Windows, by the same rules as on Linux as far as Windows has them:
// symbolic links are followed (read from their reparse points, so that a link that names no
// file yet works too) and stay; a name that is a device (NUL, COM3, a pipe), a folder or a
// read-only file is refused; the new bytes go into a file beside the target, flushed, which
// ReplaceFileW puts in its place keeping the old file's attributes and security, or MoveFileExW
// where there was none; a file with several hard links is written in place, its room reserved
// first.
#include <windows.h>
// After windows.h.
#include <winioctl.h>

#include <algorithm>
#include <atomic>
#include <optional>
#include <vector>

#include "base/file_names.h"
#include "base/file_save.h"
#include "base/utf16_win32.h"

namespace zotpx {

namespace {

constexpr int kMaxLinks = 40;  // as on Linux
constexpr ULONG kRelativeLink = 1;
// What an existing file's attributes keep across a save (read-only refuses it).
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// The part of a symbolic link's reparse point that says where it leads.
struct SymlinkReparse {
  ULONG tag;
  USHORT data_length;
  USHORT reserved;
  USHORT substitute_offset;
  USHORT substitute_length;
  USHORT print_offset;
  USHORT print_length;
  ULONG flags;
  WCHAR names[1];
};

bool IsSeparator(wchar_t c) {
  return c == L'\\' || c == L'/';
}

std::wstring FolderOf(const std::wstring& path) {
  const auto last = std::find_if(path.rbegin(), path.rend(), IsSeparator);
  if (last == path.rend()) return L".";
  return path.substr(0, static_cast<std::size_t>(path.rend() - last - 1));
}

// Where the symbolic link at `path` leads, as written in it; empty for anything else (a junction,
// a cloud file's placeholder: those open as the thing they are).
std::wstring LinkText(const std::wstring& path, bool& relative) {
  const HANDLE link = CreateFileW(
      path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (link == INVALID_HANDLE_VALUE) return {};
  std::vector<unsigned char> buffer(16 * 1024);
  DWORD got = 0;
  const bool read = DeviceIoControl(link, FSCTL_GET_REPARSE_POINT, nullptr, 0, buffer.data(),
                                    static_cast<DWORD>(buffer.size()), &got, nullptr) != 0;
  CloseHandle(link);
  const auto* reparse = reinterpret_cast<const SymlinkReparse*>(buffer.data());
  if (!read || got < sizeof(SymlinkReparse) || reparse->tag != IO_REPARSE_TAG_SYMLINK) return {};
  relative = (reparse->flags & kRelativeLink) != 0;
  // The printed name is the path as the user gave it; the substitute one starts with \??\.
  const bool printed = reparse->print_length > 0;
  const USHORT offset = printed ? reparse->print_offset : reparse->substitute_offset;
  const USHORT length = printed ? reparse->print_length : reparse->substitute_length;
  std::wstring text(reparse->names + offset / sizeof(WCHAR), length / sizeof(WCHAR));
  if (!printed && text.rfind(L"\\??\\", 0) == 0) text.erase(0, 4);
  return text;
}

// Names that lead to a device rather than a file, refused before anything opens them: opening
// a port would already change its lines, and a pipe would take the open as a client.
bool IsDeviceName(const std::wstring& path) {
  if (path.rfind(L"\\\\.\\", 0) == 0 || path.rfind(L"//./", 0) == 0) return true;
  if (path.rfind(L"\\\\?\\", 0) == 0 && !(path.size() > 5 && path[5] == L':') &&
      path.rfind(L"\\\\?\\UNC\\", 0) != 0)
    return true;
  const auto last = std::find_if(path.rbegin(), path.rend(), IsSeparator);
  const std::wstring name = path.substr(static_cast<std::size_t>(path.rend() - last));
  return IsWindowsDeviceName(Utf8FromWide(name));
}

// The file a path ends at once the system has followed every link on the way, its links as
// Wine shows them included (plain files to look at, followed when opened).
std::wstring FinalPath(const std::wstring& path) {
  if (IsDeviceName(path)) return path;
  const HANDLE file = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return path;
  std::wstring final(MAX_PATH, L'\0');
  DWORD n = 0;
  if (GetFileType(file) == FILE_TYPE_DISK) {
    n = GetFinalPathNameByHandleW(file, final.data(), static_cast<DWORD>(final.size()), 0);
    if (n >= final.size()) {
      final.resize(n + 1);
      n = GetFinalPathNameByHandleW(file, final.data(), static_cast<DWORD>(final.size()), 0);
    }
  }
  CloseHandle(file);
  if (n == 0 || n >= final.size()) return path;
  final.resize(n);
  // \\?\C:\dir\file as C:\dir\file, \\?\UNC\server\share as \\server\share.
  if (final.rfind(L"\\\\?\\UNC\\", 0) == 0) return L"\\" + final.substr(8);
  if (final.rfind(L"\\\\?\\", 0) == 0 && final.size() > 5 && final[5] == L':')
    return final.substr(4);
  return final;
}

std::wstring Target(const std::wstring& path) {
  std::wstring target = path;
  for (int hops = 0; hops <= kMaxLinks; ++hops) {
    // The link's own attributes: Windows does not follow it here.
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return target;
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return FinalPath(target);
    bool relative = false;
    const std::wstring next = LinkText(target, relative);
    if (next.empty()) return FinalPath(target);
    target = relative ? FolderOf(target) + L"\\" + next : next;
  }
  return {};
}

SaveProblem ProblemOf(DWORD error) {
  switch (error) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return SaveProblem::NoSpace;
    case ERROR_WRITE_PROTECT:
      return SaveProblem::ReadOnlyFileSystem;
    case ERROR_ACCESS_DENIED:
      return SaveProblem::NoPermission;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_FILE_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_DIRECTORY:
      return SaveProblem::NoFolder;
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_BUFFER_OVERFLOW:
      return SaveProblem::NameTooLong;
    case ERROR_CANT_RESOLVE_FILENAME:
      return SaveProblem::LinkLoop;
    default:
      return SaveProblem::Failed;
  }
}

SaveProblem LastProblem() {
  return ProblemOf(GetLastError());
}

// A name of our own beside `target` that no other save in this or another process uses,
// its start cut (at a character's boundary) so that it fits the limit on a name: 255 UTF-16
// units on NTFS, FAT and exFAT, and 255 bytes of UTF-8 where Wine keeps the files on a Linux
// file system. The name fits both.
std::wstring TemporaryName(const std::wstring& target) {
  constexpr std::size_t kNameLimit = 255;
  static std::atomic<unsigned> counter{0};
  const std::wstring suffix =
      L".tmp-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(counter++);
  const auto last = std::find_if(target.rbegin(), target.rend(), IsSeparator);
  const std::size_t start = static_cast<std::size_t>(target.rend() - last);
  const std::wstring name = target.substr(start);
  const std::size_t room = kNameLimit - suffix.size();  // the suffix is ASCII: a unit a byte
  std::size_t keep = 0, bytes = 0;
  while (keep < name.size()) {
    const wchar_t c = name[keep];
    const bool pair = IS_HIGH_SURROGATE(c) && keep + 1 < name.size();
    const std::size_t units = pair ? 2 : 1;
    const std::size_t utf8 = pair ? 4 : c < 0x80 ? 1 : c < 0x800 ? 2 : 3;
    if (keep + units > room || bytes + utf8 > room) break;
    keep += units;
    bytes += utf8;
  }
  return target.substr(0, start) + name.substr(0, keep) + suffix;
}

SaveProblem WriteAll(HANDLE file, std::span<const std::uint8_t> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
    DWORD written = 0;
    if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr)) return LastProblem();
    if (written == 0) return SaveProblem::Failed;
    done += written;
  }
  return SaveProblem::None;
}

// What a file is, for telling whether two names lead to one: the file itself (its volume and
// index), or, for a name with no file yet, its folder and the name in it (in lower case, as
// Windows does not tell case apart).
struct FileKey {
  DWORD volume = 0;
  DWORD index_high = 0;
  DWORD index_low = 0;
  std::wstring name;
  bool operator==(const FileKey&) const = default;
};

std::optional<FileKey> KeyOfExisting(const std::wstring& path) {
  if (IsDeviceName(path)) return std::nullopt;
  const HANDLE file = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info{};
  const bool known = GetFileInformationByHandle(file, &info) != 0;
  CloseHandle(file);
  if (!known) return std::nullopt;
  return FileKey{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow, {}};
}

std::optional<FileKey> KeyOf(const std::wstring& path, bool may_be_missing) {
  if (std::optional<FileKey> key = KeyOfExisting(path)) return key;
  if (!may_be_missing || GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES)
    return std::nullopt;
  const std::wstring target = Target(path);
  if (target.empty()) return std::nullopt;
  std::optional<FileKey> key = KeyOfExisting(FolderOf(target));
  if (!key) return std::nullopt;
  const auto last = std::find_if(target.rbegin(), target.rend(), IsSeparator);
  key->name = target.substr(static_cast<std::size_t>(target.rend() - last));
  if (!key->name.empty()) CharLowerBuffW(key->name.data(), static_cast<DWORD>(key->name.size()));
  return key;
}

// One file of a save, from its temporary file to its place.
struct Pending {
  std::wstring target;
  bool exists = false;
  WIN32_FILE_ATTRIBUTE_DATA old{};
  std::wstring temp;                       // put in the target's place
  HANDLE in_place = INVALID_HANDLE_VALUE;  // or, with several hard links, the file itself
  std::wstring backup;  // the old file under a second name while several files are committed
  bool placed = false;
  SaveSync sync = SaveSync::Durable;
  std::span<const std::uint8_t> bytes;

  Pending() = default;
  Pending(const Pending&) = delete;
  Pending& operator=(const Pending&) = delete;
  ~Pending() {
    if (in_place != INVALID_HANDLE_VALUE) CloseHandle(in_place);
    if (!temp.empty() && !placed) DeleteFileW(temp.c_str());
    if (!backup.empty()) DeleteFileW(backup.c_str());
  }
};

// Several names share the file: it will be written in place, so that all of them see the new
// bytes. The room first: a full disk refuses here, with the file as it was.
SaveProblem ReserveInPlace(Pending& p) {
  p.in_place = CreateFileW(p.target.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (p.in_place == INVALID_HANDLE_VALUE) return LastProblem();
  if (GetFileType(p.in_place) != FILE_TYPE_DISK) return SaveProblem::NotRegularFile;
  FILE_ALLOCATION_INFO room{};
  room.AllocationSize.QuadPart = static_cast<LONGLONG>(p.bytes.size());
  // Some file systems (and Wine) cannot reserve; they are written as they are.
  if (!SetFileInformationByHandle(p.in_place, FileAllocationInfo, &room, sizeof room)) {
    const DWORD error = GetLastError();
    if (error != ERROR_CALL_NOT_IMPLEMENTED && error != ERROR_NOT_SUPPORTED &&
        error != ERROR_INVALID_FUNCTION && error != ERROR_INVALID_PARAMETER)
      return ProblemOf(error);
  }
  return SaveProblem::None;
}

SaveProblem WriteInPlace(Pending& p) {
  SaveProblem problem = WriteAll(p.in_place, p.bytes);
  if (problem == SaveProblem::None &&
      (!SetEndOfFile(p.in_place) || (p.sync == SaveSync::Durable && !FlushFileBuffers(p.in_place))))
    problem = LastProblem();
  const HANDLE file = p.in_place;
  p.in_place = INVALID_HANDLE_VALUE;
  if (!CloseHandle(file) && problem == SaveProblem::None) problem = LastProblem();
  return problem;
}

// The new bytes under a temporary name beside the target, flushed.
SaveProblem WriteTemporary(Pending& p) {
  HANDLE file = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 100 && file == INVALID_HANDLE_VALUE; ++attempt) {
    p.temp = TemporaryName(p.target);
    file = CreateFileW(p.temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
    if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) {
      const SaveProblem problem = LastProblem();
      p.temp.clear();
      return problem;
    }
  }
  if (file == INVALID_HANDLE_VALUE) {
    p.temp.clear();
    return SaveProblem::Failed;
  }
  SaveProblem problem = WriteAll(file, p.bytes);
  if (problem == SaveProblem::None && p.sync == SaveSync::Durable && !FlushFileBuffers(file))
    problem = LastProblem();
  if (!CloseHandle(file) && problem == SaveProblem::None) problem = LastProblem();
  // ReplaceFileW keeps them itself; Wine's does not.
  if (problem == SaveProblem::None && p.exists)
    SetFileAttributesW(p.temp.c_str(), p.old.dwFileAttributes & kKeptAttributes);
  return problem;
}

SaveProblem Prepare(Pending& p, const FileToSave& file) {
  p.bytes = file.bytes;
  p.target = Target(WideFromUtf8(file.path));
  if (p.target.empty()) return SaveProblem::LinkLoop;
  if (IsDeviceName(p.target)) return SaveProblem::NotRegularFile;
  p.exists = GetFileAttributesExW(p.target.c_str(), GetFileExInfoStandard, &p.old) != 0;
  if (!p.exists) {
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) return ProblemOf(error);
  }
  if (p.exists && (p.old.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)))
    return SaveProblem::NotRegularFile;
  if (p.exists && (p.old.dwFileAttributes & FILE_ATTRIBUTE_READONLY)) return SaveProblem::ReadOnly;
  if (p.exists) {
    const HANDLE file = CreateFileW(p.target.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return LastProblem();
    BY_HANDLE_FILE_INFORMATION info{};
    const bool disk = GetFileType(file) == FILE_TYPE_DISK;
    const bool known = disk && GetFileInformationByHandle(file, &info) != 0;
    CloseHandle(file);
    if (!disk) return SaveProblem::NotRegularFile;
    if (!known) return SaveProblem::Failed;
    if (info.nNumberOfLinks > 1) return ReserveInPlace(p);
  }
  return WriteTemporary(p);
}

// Puts a placed file back as it was, as far as it can be.
void PutBack(Pending& p) {
  if (!p.backup.empty()) {
    if (MoveFileExW(p.backup.c_str(), p.target.c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      p.backup.clear();
  } else if (!p.exists) {
    DeleteFileW(p.target.c_str());
  }
}

// The temporary file in the target's place; with `keep_old`, the old file moves to a name
// beside it, so that it can be put back.
SaveProblem Place(Pending& p, bool keep_old) {
  if (!p.exists) {
    return MoveFileExW(p.temp.c_str(), p.target.c_str(), MOVEFILE_WRITE_THROUGH) ? SaveProblem::None
                                                                                 : LastProblem();
  }
  const std::wstring backup = keep_old ? TemporaryName(p.target) : std::wstring();
  if (!ReplaceFileW(p.target.c_str(), p.temp.c_str(), keep_old ? backup.c_str() : nullptr,
                    REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr))
    return LastProblem();
  p.backup = backup;
  return SaveProblem::None;
}

SaveResult Commit(std::vector<Pending>& pending) {
  const bool several = pending.size() > 1;
  // Replacements first: a file written in place cannot be put back.
  std::vector<std::size_t> order(pending.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_partition(order.begin(), order.end(), [&pending](std::size_t i) {
    return pending[i].in_place == INVALID_HANDLE_VALUE;
  });
  for (std::size_t n = 0; n < order.size(); ++n) {
    Pending& p = pending[order[n]];
    const SaveProblem problem =
        p.in_place != INVALID_HANDLE_VALUE ? WriteInPlace(p) : Place(p, several);
    if (problem != SaveProblem::None) {
      for (std::size_t back = 0; back < n; ++back) PutBack(pending[order[back]]);
      return {problem, order[n]};
    }
    p.placed = true;
  }
  return {};
}

}  // namespace

std::string LinkTarget(const std::string& path) {
  const std::wstring target = Target(WideFromUtf8(path));
  return target.empty() ? std::string() : Utf8FromWide(target);
}

SaveResult WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes,
                          SaveSync sync) {
  const FileToSave file{path, bytes};
  return WriteWholeFiles({&file, 1}, {}, sync);
}

SaveResult WriteWholeFiles(std::span<const FileToSave> files, std::span<const std::string> inputs,
                           SaveSync sync) {
  // Before anything is written: no file saved over what it is made from, nor over another.
  std::vector<FileKey> read;
  for (const std::string& input : inputs)
    if (std::optional<FileKey> key = KeyOf(WideFromUtf8(input), false)) read.push_back(*key);
  std::vector<FileKey> written;
  for (std::size_t i = 0; i < files.size(); ++i) {
    const std::optional<FileKey> key = KeyOf(WideFromUtf8(files[i].path), true);
    if (!key) continue;  // the save says why
    if (std::find(read.begin(), read.end(), *key) != read.end())
      return {SaveProblem::SameAsInput, i};
    if (std::find(written.begin(), written.end(), *key) != written.end())
      return {SaveProblem::SameAsOther, i};
    written.push_back(*key);
  }
  std::vector<Pending> pending(files.size());
  for (std::size_t i = 0; i < files.size(); ++i) {
    pending[i].sync = sync;
    if (const SaveProblem problem = Prepare(pending[i], files[i]); problem != SaveProblem::None)
      return {problem, i};
  }
  return Commit(pending);
}

}  // namespace zotpx
