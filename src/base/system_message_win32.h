// Windows' own words for an error code (GetLastError, WSAGetLastError), for Windows files only.
#pragma once

#include <windows.h>

#include <string>

#include "base/utf16_win32.h"

namespace zotpx {

inline std::string SystemMessage(DWORD code) {
  wchar_t* text = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string message = n ? Utf8FromWide(std::wstring_view(text, n)) : "";
  if (text) LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                              message.back() == ' ' || message.back() == '.'))
    message.pop_back();
  return message.empty() ? "Windows 错误 " + std::to_string(code) : message;
}

}  // namespace zotpx
