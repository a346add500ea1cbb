// Appending on Windows: a handle with the right to append and no right to write elsewhere, so
// that the system puts every write at the end in one piece (the C run time's append mode seeks
// first, and two processes could write over each other). Not inheritable.
#include <windows.h>

#include <cerrno>
#include <cstring>

#include "base/append_file.h"
#include "base/utf16_win32.h"

namespace zotpx {

namespace {

// The words Linux would use for the same cause, so that a message reads alike on both.
const char* ErrorText(DWORD code) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
      return std::strerror(ENOENT);
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
      return std::strerror(EACCES);
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return std::strerror(EBUSY);
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return std::strerror(ENOSPC);
    default:
      return std::strerror(EIO);
  }
}

}  // namespace

AppendFile::~AppendFile() {
  if (handle_ != -1) CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

bool AppendFile::Open(const std::string& path) {
  const HANDLE file = CreateFileW(WideFromUtf8(path).c_str(), FILE_APPEND_DATA | SYNCHRONIZE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    error_ = ErrorText(GetLastError());
    return false;
  }
  // A name such as CON or COM3 is a device, not a file: no log goes into a port.
  if (GetFileType(file) != FILE_TYPE_DISK) {
    CloseHandle(file);
    error_ = "not a regular file";
    return false;
  }
  handle_ = reinterpret_cast<std::intptr_t>(file);
  return true;
}

bool AppendFile::Append(std::string_view text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size() - done, 1u << 30));
    DWORD written = 0;
    if (!WriteFile(reinterpret_cast<HANDLE>(handle_), text.data() + done, chunk, &written,
                   nullptr) ||
        written == 0) {
      error_ = ErrorText(GetLastError());
      failed_ = true;
      return false;
    }
    done += written;
  }
  return true;
}

}  // namespace zotpx
