// The language a face speaks: Chinese, the device's own and the default, or English. Chosen
// once at start from what the user said (`--lang`, ZOTPX_LANG, a saved choice) or else the
// system; read by every text the core gives out (base/texts.h).
#pragma once

#include <functional>
#include <optional>
#include <string_view>

namespace zotpx {

enum class Language { Chinese, English };

// "zh", "zh_CN.UTF-8", "zh-Hans", "chinese", "中文" → Chinese; "en", "en_GB", "english" →
// English; anything else, "C" and "POSIX" included, names neither.
std::optional<Language> LanguageByName(std::string_view name);
// The short code a user types and a setting keeps: "zh" or "en".
std::string_view LanguageCode(Language language);

// What the system asks for, through `variable` (getenv by default): ZOTPX_LANG; then the
// choice a window remembered, when there is one; then the locale (the first set of LC_ALL,
// LC_MESSAGES, LANG), unless it is C or POSIX, with GNU's LANGUAGE list before it; on Windows,
// where those are rarely set, the user's UI language. Chinese when none of them names either
// language.
using Variable = std::function<const char*(const char*)>;
Language LanguageFromSystem(const Variable& variable = {},
                            std::optional<Language> remembered = std::nullopt);

// The language of this process's texts; Chinese until set.
void SetLanguage(Language language);
Language CurrentLanguage();

// The system's own user-interface language name ("en-US"), where it has one apart from the
// environment (Windows); empty elsewhere.
std::string_view SystemUiLanguage();

}  // namespace zotpx
