#include <windows.h>

#include "base/utf16_win32.h"
#include "screen/glyphs.h"

namespace zotpx::screen {

namespace {

// The fonts folder beside the running program, where the installer and the zip put them.
std::string FontsFolder() {
  wchar_t path[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, n);
  folder.erase(folder.find_last_of(L"\\/") + 1);
  return Utf8FromWide(folder) + "fonts\\";
}

}  // namespace

std::string UnifontPath() {
  return FontsFolder() + "unifont.hex";
}
std::string CjkFontPath() {
  return FontsFolder() + "wqy-zenhei.ttc";
}

}  // namespace zotpx::screen
