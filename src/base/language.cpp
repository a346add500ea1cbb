#include "base/language.h"

#include <atomic>
#include <cstdlib>
#include <string>

namespace zotpx {

namespace {

std::atomic<Language> current{Language::Chinese};

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

bool Set(const char* value) {
  return value && *value;
}

bool IsCLocale(std::string_view locale) {
  return locale == "C" || locale == "POSIX" || locale.starts_with("C.");
}

}  // namespace

std::optional<Language> LanguageByName(std::string_view name) {
  const std::string word = Lower(name);
  if (word == "中文" || word == "chinese") return Language::Chinese;
  if (word == "english") return Language::English;
  // A locale or tag: its language is what comes before the territory, codeset or script.
  const std::string code = word.substr(0, word.find_first_of("_-.@"));
  if (code == "zh") return Language::Chinese;
  if (code == "en") return Language::English;
  return std::nullopt;
}

std::string_view LanguageCode(Language language) {
  return language == Language::English ? "en" : "zh";
}

Language LanguageFromSystem(const Variable& variable, std::optional<Language> remembered) {
  const Variable get = variable ? variable : [](const char* name) { return std::getenv(name); };
  if (const char* own = get("ZOTPX_LANG"); Set(own))
    if (const auto language = LanguageByName(own)) return *language;
  if (remembered) return *remembered;
  const char* locale = nullptr;
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"})
    if (const char* value = get(name); Set(value)) {
      locale = value;
      break;
    }
  // The C locale asks for the program's own texts, whatever LANGUAGE says (as gettext does).
  if (locale && IsCLocale(locale)) return Language::Chinese;
  if (const char* list = get("LANGUAGE"); Set(list)) {
    std::string_view rest(list);
    while (!rest.empty()) {
      const std::size_t colon = rest.find(':');
      if (const auto language = LanguageByName(rest.substr(0, colon))) return *language;
      rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
    }
  }
  if (locale)
    if (const auto language = LanguageByName(locale)) return *language;
  if (const auto language = LanguageByName(SystemUiLanguage())) return *language;
  return Language::Chinese;
}

void SetLanguage(Language language) {
  current.store(language);
}
Language CurrentLanguage() {
  return current.load();
}

}  // namespace zotpx
