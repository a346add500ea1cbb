// What zotpx-manager and zotpx-designer do before their window shows: --help and --version
// without a display, the display opened (or said in one line), the program's names and icon,
// the language of its texts, a Chinese font where the system has none, --close-after.
#pragma once

#include <QApplication>
#include <QCommandLineParser>
#include <QString>
#include <QTranslator>
#include <memory>
#include <optional>

namespace zotpx {

struct WindowProgram {
  const char* name;          // "zotpx-manager": the desktop file, icon and messages take it
  const char* display_name;  // QT_TRANSLATE_NOOP("WindowProgram", "管理软件"): shown translated
};

// For scripted start-up checks: the window opens, then closes itself as if the user had.
// With it, --lang (app/window_language.h).
void AddCloseAfterOption(QCommandLineParser& parser);

// The exit status when --help or --version was asked (answered without a display, to the
// console it was started from or where its output is sent); nothing otherwise.
std::optional<int> AnswerHelpOrVersion(const WindowProgram& program, QCommandLineParser& parser,
                                       int argc, char** argv);

// The application, set up, `parser` processed, in the language --lang names, else the
// remembered or the system's (app/window_language.h); the translators hold the window's
// English or Qt's Chinese texts while it runs. Null when --lang names no language (said).
std::unique_ptr<QApplication> OpenWindowProgram(const WindowProgram& program, int& argc,
                                                char** argv, QCommandLineParser& parser,
                                                QTranslator& own_texts, QTranslator& qt_texts);

// --close-after's milliseconds, -1 when not given; nothing when refused (said on stderr).
std::optional<int> CloseAfterMs(const WindowProgram& program, const QCommandLineParser& parser);

}  // namespace zotpx
