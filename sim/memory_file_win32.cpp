// The memory file on Windows: the same rules as on Linux, with Win32's files and locks.
#include <windows.h>

#include "base/file_save.h"
#include "base/system_message_win32.h"
#include "memory_file.h"
#include "serial/memory_transfer.h"

namespace zotpx::sim {
namespace {

std::string SystemText() {
  return SystemMessage(GetLastError());
}

HANDLE HandleOf(std::intptr_t file) {
  return reinterpret_cast<HANDLE>(file);
}

bool WriteAll(HANDLE file, std::size_t offset, std::span<const std::uint8_t> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    OVERLAPPED at{};
    const std::uint64_t where = offset + done;
    at.Offset = static_cast<DWORD>(where);
    at.OffsetHigh = static_cast<DWORD>(where >> 32);
    DWORD n = 0;
    if (!WriteFile(file, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &n, &at) ||
        n == 0)
      return false;
    done += n;
  }
  return true;
}

// A new file appears whole or not at all: written and flushed under a temporary name, then
// moved to its name (which fails rather than replace a file made meanwhile).
HANDLE CreateErased(const std::string& path, std::string& error) {
  const std::string temp = path + ".new";
  HANDLE file = CreateFileA(temp.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    error = "cannot create memory file " + path + ": " + SystemText();
    return file;
  }
  const Bytes erased(kDeviceMemorySize, 0xFF);
  const bool written = WriteAll(file, 0, erased) && FlushFileBuffers(file);
  CloseHandle(file);
  if (!written || !MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH)) {
    error = "cannot create memory file " + path + ": " + SystemText();
    DeleteFileA(temp.c_str());
    return INVALID_HANDLE_VALUE;
  }
  // No sharing: a second simulator cannot open it while this one runs.
  file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) error = "cannot open memory file " + path + ": " + SystemText();
  return file;
}

}  // namespace

std::unique_ptr<MemoryFile> MemoryFile::Open(const std::string& path, Bytes& memory,
                                             std::string& error) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_NOT_FOUND) {
    file = CreateErased(LinkTarget(path), error);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
  } else if (file == INVALID_HANDLE_VALUE) {
    error = GetLastError() == ERROR_SHARING_VIOLATION
                ? "memory file " + path + " is in use by another simulator"
                : "cannot open memory file " + path + " for reading and writing: " + SystemText();
    return nullptr;
  }
  std::unique_ptr<MemoryFile> opened(new MemoryFile(reinterpret_cast<std::intptr_t>(file), path));
  if (GetFileType(file) != FILE_TYPE_DISK) {
    error = "memory file " + path + " is not a regular file";
    return nullptr;
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size) ||
      static_cast<std::uint64_t>(size.QuadPart) != kDeviceMemorySize) {
    error = "memory file " + path + " is " + std::to_string(size.QuadPart) +
            " bytes long, not 491520 (0x78000) like the device's memory; it is left as it is";
    return nullptr;
  }
  Bytes contents(kDeviceMemorySize);
  std::size_t done = 0;
  while (done < contents.size()) {
    DWORD n = 0;
    if (!ReadFile(file, contents.data() + done, static_cast<DWORD>(contents.size() - done), &n,
                  nullptr) ||
        n == 0) {
      error = "cannot read memory file " + path + ": " + SystemText();
      return nullptr;
    }
    done += n;
  }
  memory.assign(contents.begin(), contents.end());  // in place: the screen reads it
  return opened;
}

MemoryFile::~MemoryFile() {
  FlushFileBuffers(HandleOf(file_));
  CloseHandle(HandleOf(file_));
}

bool MemoryFile::Store(std::size_t address, std::span<const std::uint8_t> bytes) {
  if (WriteAll(HandleOf(file_), address, bytes)) return true;
  error_ = "cannot write memory file " + path_ + ": " + SystemText();
  return false;
}

}  // namespace zotpx::sim
