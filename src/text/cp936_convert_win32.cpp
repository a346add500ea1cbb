// Code page 936 through Windows' own tables. Both directions refuse rather than guess: no
// best-fit mapping, no default character, invalid input an error. Windows maps the code page's
// user-defined areas onto the private use area, glibc leaves them out: left out here too, so
// that both platforms send the same bytes for the same text.
#include <windows.h>

#include "text/cp936_convert.h"

namespace zotpx {

namespace {

constexpr UINT kCodePage = 936;

bool IsPrivateUse(const std::wstring& wide) {
  for (const wchar_t c : wide)
    if (c >= 0xE000 && c <= 0xF8FF) return true;
  return false;
}

std::optional<std::wstring> Utf8ToWide(std::string_view in) {
  const int size = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, in.data(),
                                       static_cast<int>(in.size()), nullptr, 0);
  if (size <= 0) return std::nullopt;
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, in.data(), static_cast<int>(in.size()),
                      wide.data(), size);
  return wide;
}

std::optional<std::string> WideToUtf8(const std::wstring& wide) {
  const int size = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide.data(),
                                       static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  if (size <= 0) return std::nullopt;
  std::string text(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide.data(), static_cast<int>(wide.size()),
                      text.data(), size, nullptr, nullptr);
  return text;
}

std::optional<std::string> ToCp936(std::string_view utf8) {
  const std::optional<std::wstring> wide = Utf8ToWide(utf8);
  if (!wide || IsPrivateUse(*wide)) return std::nullopt;
  char out[16];
  BOOL used_default = FALSE;
  const int size =
      WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, wide->data(),
                          static_cast<int>(wide->size()), out, sizeof out, nullptr, &used_default);
  if (size <= 0 || used_default) return std::nullopt;
  return std::string(out, static_cast<std::size_t>(size));
}

std::optional<std::string> FromCp936(std::string_view cp936) {
  wchar_t wide[8];
  const int size = MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, cp936.data(),
                                       static_cast<int>(cp936.size()), wide, 8);
  if (size <= 0) return std::nullopt;
  const std::wstring text(wide, static_cast<std::size_t>(size));
  if (IsPrivateUse(text)) return std::nullopt;
  return WideToUtf8(text);
}

}  // namespace

Cp936Converter::Cp936Converter(Cp936Direction direction) : direction_(direction) {}

Cp936Converter::~Cp936Converter() = default;

std::optional<std::string> Cp936Converter::Convert(std::string_view in) {
  if (in.empty()) return std::nullopt;
  return direction_ == Cp936Direction::ToCp936 ? ToCp936(in) : FromCp936(in);
}

}  // namespace zotpx
