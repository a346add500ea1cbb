// zotpx-designer: an overlay designed by hand on the device's own screen model.
//
// Usage: zotpx-designer [LAYOUT.toml]
//   LAYOUT.toml (optional) is opened at start; one the reader refuses is said, with its line,
//   and the window starts empty. --help and --version answer without opening a window, so they
//   work without a display (the manual page is made from them).
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFontDatabase>
#include <QIcon>
#include <QLibraryInfo>
#include <QTimer>
#include <QTranslator>
#include <cstring>
#include <iostream>

#include "base/console.h"
#include "base/shipped_fonts.h"
#include "base/version.h"
#include "designer/designer_window.h"

namespace {

const QString kCloseAfter = QStringLiteral("close-after");

void SetUpParser(QCommandLineParser& parser) {
  parser.setApplicationDescription(QStringLiteral(
      "Designs what a ZOT-PA or ZOT-PB on-screen-display device shows: overlay objects\n"
      "placed and sized by hand on the device's own screen model, an object list and a\n"
      "property panel made from the command table; layouts opened and saved as zotpx\n"
      "reads them, exported as PNG, applied to the device or made its start-up image.\n"
      "Its texts are in Simplified Chinese."));
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addPositionalArgument(QStringLiteral("layout"),
                               QStringLiteral("A layout file (.toml) to open at start."),
                               QStringLiteral("[LAYOUT.toml]"));
  // For scripted start-up checks: the window opens, then closes itself as if the user had.
  QCommandLineOption close_after(kCloseAfter, QStringLiteral("Close the window after MS ms."),
                                 QStringLiteral("MS"));
  close_after.setFlags(QCommandLineOption::HiddenFromHelp);
  parser.addOption(close_after);
}

// QApplication needs a display; a request for help or the version must not.
bool AsksForHelpOrVersion(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--") == 0) return false;
    for (const char* option : {"-h", "--help", "-?", "--help-all", "-v", "--version"})
      if (std::strcmp(argv[i], option) == 0) return true;
  }
  return false;
}

void SetNames() {
  QCoreApplication::setApplicationName(QStringLiteral("zotpx-designer"));
  QCoreApplication::setApplicationVersion(QString::fromLatin1(zotpx::kVersion));
}

}  // namespace

int main(int argc, char** argv) {
  QCommandLineParser parser;
  SetUpParser(parser);
  if (AsksForHelpOrVersion(argc, argv)) {
    const bool output = zotpx::UseStartingConsole();
    QCoreApplication app(argc, argv);
    SetNames();
    parser.parse(QCoreApplication::arguments());
    if (output && parser.isSet(QStringLiteral("version"))) {
      std::cout << "zotpx-designer " << zotpx::kVersion << '\n';
      return 0;
    }
    if (output && parser.isSet(QStringLiteral("help"))) {
      std::cout << parser.helpText().toStdString();
      return 0;
    }
    parser.process(app);
    return 0;
  }

  QApplication app(argc, argv);
  SetNames();
  QGuiApplication::setDesktopFileName(QStringLiteral("zotpx-designer"));
  QGuiApplication::setApplicationDisplayName(QCoreApplication::translate("main", "布局设计器"));
  QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("zotpx-designer")));
  // Qt's own buttons and menus in Chinese too, as the rest of the window.
  QTranslator qt_texts;
  if (qt_texts.load(QStringLiteral("qtbase_zh_CN"),
                    QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QCoreApplication::installTranslator(&qt_texts);
  if (const std::string font = zotpx::ShippedCjkFont();
      !font.empty() && QFontDatabase::families(QFontDatabase::SimplifiedChinese).isEmpty())
    QFontDatabase::addApplicationFont(QString::fromStdString(font));
  parser.process(app);
  const QStringList layouts = parser.positionalArguments();
  if (layouts.size() > 1) {
    std::cerr << "zotpx-designer: one layout at most; see zotpx-designer --help\n";
    return 2;
  }
  int close_after_ms = -1;
  if (parser.isSet(kCloseAfter)) {
    bool ok = false;
    close_after_ms = parser.value(kCloseAfter).toInt(&ok);
    if (!ok || close_after_ms < 0) {
      std::cerr << "zotpx-designer: --close-after takes milliseconds\n";
      return 2;
    }
  }

  DesignerWindow window;
  window.show();
  if (!layouts.isEmpty() && !window.OpenPath(layouts.front()))
    std::cerr << "zotpx-designer: " << window.StatusText().toStdString() << '\n';
  if (close_after_ms >= 0) QTimer::singleShot(close_after_ms, &window, &QWidget::close);
  return QApplication::exec();
}
