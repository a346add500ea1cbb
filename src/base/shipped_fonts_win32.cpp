#include <windows.h>

#include "base/shipped_fonts.h"
#include "base/utf16_win32.h"

namespace zotpx {

// The fonts folder beside the running program, where the installer and the zip put them.
std::string ShippedFontsFolder() {
  std::wstring path(MAX_PATH, L'\0');
  DWORD n = 0;
  while ((n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()))) >=
         path.size())
    path.resize(path.size() * 2);
  path.resize(n);
  path.erase(path.find_last_of(L"\\/") + 1);
  return Utf8FromWide(path) + "fonts\\";
}

std::string ShippedCjkFont() {
  return ShippedFontsFolder() + "wqy-zenhei.ttc";
}

}  // namespace zotpx
