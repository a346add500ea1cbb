// The language a window speaks: `--lang en|zh`, else ZOTPX_LANG, else the user's remembered
// choice, else the system's (base/language.h). Chosen once at start; a new choice is remembered for the next
// start, shared by zotpx-manager, zotpx-designer and the simulator's screen window.
#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QTranslator>
#include <functional>
#include <optional>

class QMenu;

#include "base/language.h"

namespace zotpx {

// --lang LANG, for the programs' parsers.
void AddLanguageOption(QCommandLineParser& parser);
// The option's value, an empty one when not given; nothing when it names no language.
std::optional<QString> LanguageOption(const QCommandLineParser& parser);

// `option` ("en", "zh", or empty), else ZOTPX_LANG, else the remembered choice, else the
// system's.
Language StartLanguage(const QString& option);
std::optional<Language> RememberedLanguage();
void RememberLanguage(Language language);

// "中文" and "English" (each in its own words), the next start's checked; choosing one
// remembers it and tells `say` that it takes effect at the next start.
void FillLanguageMenu(QMenu* menu, const std::function<void(const QString&)>& say);

// Sets the core's language and installs the window's texts: the windows' English
// (zotpx_en.qm) into `own`, or Qt's own Chinese (qtbase_zh_CN.qm) into `qt`. A file that is
// missing is said on stderr under `program`; the window then shows its Chinese.
void UseLanguage(Language language, const char* program, QTranslator& own, QTranslator& qt);

}  // namespace zotpx
