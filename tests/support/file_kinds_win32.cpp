#include <windows.h>

#include <atomic>

#include "base/utf16_win32.h"
#include "support/file_kinds.h"
#include "support/temp_folder.h"

namespace zotpx::test::files {

namespace {

DWORD Attributes(const fs::path& file) {
  return GetFileAttributesW(file.wstring().c_str());
}

bool AddAttribute(const fs::path& file, DWORD attribute) {
  const DWORD now = Attributes(file);
  return now != INVALID_FILE_ATTRIBUTES &&
         SetFileAttributesW(file.wstring().c_str(), (now & ~FILE_ATTRIBUTE_NORMAL) | attribute) &&
         (Attributes(file) & attribute);
}

}  // namespace

bool Mark(const fs::path& file) {
  return AddAttribute(file, FILE_ATTRIBUTE_HIDDEN);
}

bool Marked(const fs::path& file) {
  const DWORD attributes = Attributes(file);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_HIDDEN);
}

bool LooksNew(const fs::path& file) {
  const DWORD attributes = Attributes(file);
  return attributes != INVALID_FILE_ATTRIBUTES &&
         !(attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
}

void MakeReadOnly(const fs::path& file) {
  AddAttribute(file, FILE_ATTRIBUTE_READONLY);
}

bool LockFolder(const fs::path&) {
  return false;
}
void UnlockFolder(const fs::path&) {}

std::string MakeDevice(const fs::path&) {
  return "NUL";
}

bool IsDevice(const fs::path& path) {
  const HANDLE device = CreateFileW(path.wstring().c_str(), FILE_READ_ATTRIBUTES, 0, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
  if (device == INVALID_HANDLE_VALUE) return false;
  const bool is_device = GetFileType(device) == FILE_TYPE_CHAR;
  CloseHandle(device);
  return is_device;
}

std::string MakeSocket(const fs::path&) {
  return "";
}

bool IsLink(const fs::path& path) {
  const DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool MakeLink(const std::string& target, const fs::path& link) {
  // Without the developer mode or the privilege Windows refuses, and Wine 8 says yes but makes
  // nothing: the row skips then.
  return CreateSymbolicLinkW(link.wstring().c_str(), WideFromUtf8(target).c_str(),
                             SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) != 0 &&
         IsLink(link);
}

int SaveAsNobody(const std::function<int()>& save) {
  return save();
}

int SaveOnASmallDisk(std::size_t, const std::function<int()>&) {
  return -1;
}

bool SetOwnerAndMode(const fs::path&, std::uint32_t, std::uint32_t, std::uint32_t) {
  return false;
}

Ownership OwnershipOf(const fs::path&) {
  return {};
}

fs::path MakeTemporaryFolder() {
  static std::atomic<unsigned> counter{0};
  const fs::path folder =
      fs::path(TestFolder()) /
      ("zotpx_save_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(counter++));
  fs::create_directories(folder);
  return folder;
}

void RemoveFolder(const fs::path& folder) {
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder))
    SetFileAttributesW(entry.path().wstring().c_str(), FILE_ATTRIBUTE_NORMAL);
  std::error_code error;
  fs::remove_all(folder, error);
}

}  // namespace zotpx::test::files
