#include "app/window_program.h"

#include <QDir>
#include <QFontDatabase>
#include <QIcon>
#include <cstring>
#include <string>

#include "app/open_display.h"
#include "app/window_language.h"
#include "base/console.h"
#include "base/shipped_fonts.h"
#include "base/version.h"

namespace zotpx {
namespace {

const QString kCloseAfter = QStringLiteral("close-after");

// QApplication needs a display; a request for help or the version must not.
bool AsksForHelpOrVersion(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--") == 0) return false;
    for (const char* option : {"-h", "--help", "-?", "--help-all", "-v", "--version"})
      if (std::strcmp(argv[i], option) == 0) return true;
  }
  return false;
}

void SetNames(const WindowProgram& program) {
  QCoreApplication::setApplicationName(QString::fromLatin1(program.name));
  QCoreApplication::setApplicationVersion(QString::fromLatin1(kVersion));
}

}  // namespace

void AddCloseAfterOption(QCommandLineParser& parser) {
  QCommandLineOption close_after(kCloseAfter, QStringLiteral("Close the window after MS ms."),
                                 QStringLiteral("MS"));
  close_after.setFlags(QCommandLineOption::HiddenFromHelp);
  parser.addOption(close_after);
  AddLanguageOption(parser);
}

std::optional<int> AnswerHelpOrVersion(const WindowProgram& program, QCommandLineParser& parser,
                                       int argc, char** argv) {
  if (!AsksForHelpOrVersion(argc, argv)) return std::nullopt;
  // Qt answers a window program on Windows with a message box unless it sees a console of its
  // own, which a pipe or a file is not: where the output leads somewhere, the text goes there.
  const bool output = UseStartingConsole();
  QCoreApplication app(argc, argv);
  SetNames(program);
  parser.parse(QCoreApplication::arguments());
  if (output && parser.isSet(QStringLiteral("version"))) {
    PrintText(stdout, "%s %s\n", program.name, kVersion);
    return 0;
  }
  if (output && parser.isSet(QStringLiteral("help"))) {
    WriteText(stdout, parser.helpText().toStdString());
    return 0;
  }
  parser.process(app);  // --help-all, or no output: Qt prints it or shows it, and exits
  return 0;
}

std::unique_ptr<QApplication> OpenWindowProgram(const WindowProgram& program, int& argc,
                                                char** argv, QCommandLineParser& parser,
                                                QTranslator& own_texts, QTranslator& qt_texts) {
  std::unique_ptr<QApplication> app =
      OpenDisplay(argc, argv, std::string(program.name) + ": cannot open the window");
  SetNames(program);
  // QApplication has taken its own options (-platform, -style ...) out of argv by now.
  parser.process(*app);
  const std::optional<QString> language = LanguageOption(parser);
  if (!language) {
    WriteText(stderr, std::string(program.name) + ": --lang takes en or zh\n");
    return nullptr;
  }
  QGuiApplication::setDesktopFileName(QString::fromLatin1(program.name));
  QApplication::setWindowIcon(QIcon::fromTheme(QString::fromLatin1(program.name)));
  UseLanguage(StartLanguage(*language), program.name, own_texts, qt_texts);
  QGuiApplication::setApplicationDisplayName(
      QCoreApplication::translate("WindowProgram", program.display_name));
  // A system without a Chinese font (a bare Windows) would show the texts as boxes: the font
  // shipped beside the programs serves then.
  if (const std::string font = ShippedCjkFont();
      !font.empty() && QFontDatabase::families(QFontDatabase::SimplifiedChinese).isEmpty())
    QFontDatabase::addApplicationFont(QString::fromStdString(font));
  return app;
}

std::optional<int> CloseAfterMs(const WindowProgram& program, const QCommandLineParser& parser) {
  if (!parser.isSet(kCloseAfter)) return -1;
  bool ok = false;
  const int ms = parser.value(kCloseAfter).toInt(&ok);
  if (ok && ms >= 0) return ms;
  WriteText(stderr, std::string(program.name) + ": --close-after takes milliseconds\n");
  return std::nullopt;
}

}  // namespace zotpx
