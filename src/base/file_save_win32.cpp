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

bool WriteAll(HANDLE file, std::span<const std::uint8_t> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
    DWORD written = 0;
    if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0)
      return false;
    done += written;
  }
  return true;
}

// Several names share the file: it is written in place, so that all of them see the new bytes.
bool Overwrite(const std::wstring& target, std::span<const std::uint8_t> bytes, SaveSync sync) {
  const HANDLE file = CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  // The room first: a full disk refuses here, with the file as it was.
  FILE_ALLOCATION_INFO room{};
  room.AllocationSize.QuadPart = static_cast<LONGLONG>(bytes.size());
  bool ok = GetFileType(file) == FILE_TYPE_DISK;
  // Some file systems (and Wine) cannot reserve; they are written as they are.
  if (ok && !SetFileInformationByHandle(file, FileAllocationInfo, &room, sizeof room)) {
    const DWORD error = GetLastError();
    ok = error == ERROR_CALL_NOT_IMPLEMENTED || error == ERROR_NOT_SUPPORTED ||
         error == ERROR_INVALID_FUNCTION || error == ERROR_INVALID_PARAMETER;
  }
  ok = ok && WriteAll(file, bytes) && SetEndOfFile(file) != 0 &&
       (sync == SaveSync::Quick || FlushFileBuffers(file) != 0);
  return CloseHandle(file) != 0 && ok;
}

}  // namespace

std::string SaveTarget(const std::string& path) {
  const std::wstring target = Target(WideFromUtf8(path));
  return target.empty() ? std::string() : Utf8FromWide(target);
}

bool WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes, SaveSync sync) {
  const std::wstring target = Target(WideFromUtf8(path));
  if (target.empty() || IsDeviceName(target)) return false;
  WIN32_FILE_ATTRIBUTE_DATA old{};
  const bool exists = GetFileAttributesExW(target.c_str(), GetFileExInfoStandard, &old) != 0;
  if (!exists) {
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) return false;
  }
  if (exists && (old.dwFileAttributes &
                 (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DEVICE)))
    return false;
  if (exists) {
    const HANDLE file = CreateFileW(target.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = file != INVALID_HANDLE_VALUE && GetFileType(file) == FILE_TYPE_DISK &&
                       GetFileInformationByHandle(file, &info) != 0;
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    if (!known) return false;
    if (info.nNumberOfLinks > 1) return Overwrite(target, bytes, sync);
  }

  // A name of our own beside the target, that no other save in this or another process uses.
  static std::atomic<unsigned> counter{0};
  std::wstring temp;
  HANDLE file = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 100 && file == INVALID_HANDLE_VALUE; ++attempt) {
    temp = target + L".tmp-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
           std::to_wstring(counter++);
    file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
    if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) return false;
  }
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = WriteAll(file, bytes) && (sync == SaveSync::Quick || FlushFileBuffers(file) != 0);
  ok = CloseHandle(file) != 0 && ok;
  // ReplaceFileW keeps them itself; Wine's does not.
  if (ok && exists) SetFileAttributesW(temp.c_str(), old.dwFileAttributes & kKeptAttributes);
  if (ok && exists)
    ok = ReplaceFileW(target.c_str(), temp.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                      nullptr, nullptr) != 0;
  else if (ok)
    ok = MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH) != 0;
  if (!ok) DeleteFileW(temp.c_str());
  return ok;
}

}  // namespace zotpx
