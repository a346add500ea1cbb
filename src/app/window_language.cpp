#include "app/window_language.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QMenu>
#include <QSettings>
#include <string>
#include <tuple>

#include "app/translations_folder.h"
#include "base/console.h"

namespace zotpx {
namespace {

const QString kLangOption = QStringLiteral("lang");
const QString kKey = QStringLiteral("window/language");

QSettings Settings() {
  return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("zotpx"),
                   QStringLiteral("zotpx"));
}

void SayMissing(const char* program, const char* file, const QString& where, const char* then) {
  WriteText(stderr, std::string(program) + ": " + file + " not in " +
                        QDir::toNativeSeparators(where).toStdString() + "; " + then + "\n");
}

}  // namespace

void AddLanguageOption(QCommandLineParser& parser) {
  parser.addOption(QCommandLineOption(
      kLangOption,
      QStringLiteral("The window's language: en or zh (default: the one chosen in the window, "
                     "else the system's)."),
      QStringLiteral("LANG")));
}

std::optional<QString> LanguageOption(const QCommandLineParser& parser) {
  const QString value = parser.value(kLangOption);
  if (value.isEmpty() || LanguageByName(value.toStdString())) return value;
  return std::nullopt;
}

Language StartLanguage(const QString& option) {
  if (const std::optional<Language> asked = LanguageByName(option.toStdString())) return *asked;
  // ZOTPX_LANG is said for this run (a bench's script, a launcher), so it outweighs the choice
  // remembered from the window.
  return LanguageFromSystem({}, RememberedLanguage());
}

std::optional<Language> RememberedLanguage() {
  return LanguageByName(Settings().value(kKey).toString().toStdString());
}

void RememberLanguage(Language language) {
  Settings().setValue(kKey, QString::fromLatin1(LanguageCode(language).data(),
                                                static_cast<int>(LanguageCode(language).size())));
}

void FillLanguageMenu(QMenu* menu, const std::function<void(const QString&)>& say) {
  const Language next = RememberedLanguage().value_or(CurrentLanguage());
  for (const auto& [language, name, object] :
       {std::tuple{Language::Chinese, "中文", "ActionLanguageZh"},
        std::tuple{Language::English, "English", "ActionLanguageEn"}}) {
    QAction* item = menu->addAction(QString::fromUtf8(name));
    item->setObjectName(QString::fromLatin1(object));
    item->setCheckable(true);
    item->setChecked(language == next);
    QObject::connect(item, &QAction::triggered, menu, [say, language = language] {
      RememberLanguage(language);
      say(QCoreApplication::translate("WindowLanguage", "所选的语言将在下次启动时生效。"));
    });
  }
}

void UseLanguage(Language language, const char* program, QTranslator& own, QTranslator& qt) {
  SetLanguage(language);
  if (language == Language::English) {
    // Qt's own texts are English already.
    const QStringList folders = TranslationFolders();
    for (const QString& folder : folders)
      if (own.load(QStringLiteral("zotpx_en"), folder))
        return void(QCoreApplication::installTranslator(&own));
    return SayMissing(program, "zotpx_en.qm is", folders.join(QStringLiteral(", ")),
                      "the window shows its Chinese texts");
  }
  // Qt's own texts (edit menus, dialog buttons) in Chinese too; without them they stay English.
  const QString translations = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  if (qt.load(QStringLiteral("qtbase_zh_CN"), translations))
    QCoreApplication::installTranslator(&qt);
  else
    SayMissing(program, "Qt's Chinese texts (qtbase_zh_CN.qm) are", translations,
               "its own buttons and menus stay in English");
}

}  // namespace zotpx
