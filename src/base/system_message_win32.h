// Windows' own words for an error code (GetLastError, WSAGetLastError), for Windows files only.
#pragma once

#include <windows.h>

#include <string>

#include "base/texts.h"
#include "base/utf16_win32.h"

namespace zotpx {

inline std::string SystemMessage(DWORD code) {
  const auto format = [code](DWORD language, wchar_t*& text) {
    return FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, language, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  };
  wchar_t* text = nullptr;
  // An English face asks for Windows' English words, where the system has them installed;
  // otherwise, and in Chinese, the user's own.
  DWORD n = CurrentLanguage() == Language::English
                ? format(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), text)
                : 0;
  if (n == 0) n = format(0, text);
  std::string message = n ? Utf8FromWide(std::wstring_view(text, n)) : "";
  if (text) LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                              message.back() == ' ' || message.back() == '.'))
    message.pop_back();
  return message.empty() ? Fill("files.windows_error", {std::to_string(code)}) : message;
}

}  // namespace zotpx
