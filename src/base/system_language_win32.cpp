#include <windows.h>

#include <string>

#include "base/language.h"

namespace zotpx {

// The user's display language ("en-US", "zh-CN"), what Windows itself speaks to this user.
std::string_view SystemUiLanguage() {
  static const std::string name = [] {
    wchar_t wide[LOCALE_NAME_MAX_LENGTH] = {};
    if (!LCIDToLocaleName(MAKELCID(GetUserDefaultUILanguage(), SORT_DEFAULT), wide,
                          LOCALE_NAME_MAX_LENGTH, 0))
      return std::string();
    std::string ascii;
    for (const wchar_t* c = wide; *c; ++c) ascii += static_cast<char>(*c < 128 ? *c : '?');
    return ascii;
  }();
  return name;
}

}  // namespace zotpx
