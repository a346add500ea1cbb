// The whole-or-nothing save on Windows: a new file beside the target, flushed, then put in
// the target's place in one step. ReplaceFileW keeps an existing file's attributes and
// security; MoveFileExW places a file that was not there yet.
#include <windows.h>

#include <atomic>

#include "base/file_save.h"
#include "base/utf16_win32.h"

namespace zotpx {

namespace {

// A name beside the target that no other save, in this process or another, is using.
std::wstring TemporaryBeside(const std::wstring& path) {
  static std::atomic<unsigned> counter{0};
  return path + L"." + std::to_wstring(GetCurrentProcessId()) + L"." + std::to_wstring(counter++) +
         L".tmp";
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
  return FlushFileBuffers(file) != 0;
}

}  // namespace

bool WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes) {
  const std::wstring target = WideFromUtf8(path);
  const std::wstring temp = TemporaryBeside(target);
  const HANDLE file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = WriteAll(file, bytes);
  ok = CloseHandle(file) != 0 && ok;
  if (ok) {
    const DWORD existing = GetFileAttributesW(target.c_str());
    if (existing != INVALID_FILE_ATTRIBUTES && !(existing & FILE_ATTRIBUTE_DIRECTORY))
      ok = ReplaceFileW(target.c_str(), temp.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                        nullptr, nullptr) != 0;
    else
      ok = MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH) != 0;
  }
  if (!ok) DeleteFileW(temp.c_str());
  return ok;
}

}  // namespace zotpx
