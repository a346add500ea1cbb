// zotpx-manager: the window for ZOT-Px on-screen-display chips and modules.
//
// Usage: zotpx-manager [PORT]
//   PORT (optional) is preselected in the port list: "COM3", or a device path such as
//   /dev/ttyUSB0; anything else is refused before the window opens. Everything else is set in
//   the window. --help and --version answer without opening a window, so they work without a
//   display (the manual page is made from them).
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFontDatabase>
#include <QIcon>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QTimer>
#include <QTranslator>
#include <cstring>
#include <exception>

#include "app/form.h"
#include "app/open_display.h"
#include "base/console.h"
#include "base/platform_words.h"
#include "base/shipped_fonts.h"
#include "base/version.h"
#include "base/write_signals.h"
#include "designer/designer_window.h"
#include "serial/port_name.h"

namespace {

const QString kCloseAfter = QStringLiteral("close-after");

void ShowStartupError(const QString& text) {
  zotpx::WriteText(stderr, "zotpx-manager: " + text.toStdString() + "\n");
  QMessageBox::critical(nullptr, QGuiApplication::applicationDisplayName(), text);
}

void SetUpParser(QCommandLineParser& parser) {
  parser.setApplicationDescription(QStringLiteral(
      "The window for ZOT-Px on-screen-display chips and modules (ZOT-PA, ZOT-PB): it\n"
      "finds the device on a serial port, sets its parameters and clock, places overlay\n"
      "objects, and converts and downloads font, static command and crosshair files\n"
      "into its memory. Its texts are in Simplified Chinese."));
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addPositionalArgument(QStringLiteral("port"),
                               QStringLiteral("The serial port to preselect: %1 (default COM1).")
                                   .arg(QString::fromUtf8(zotpx::SystemWords().port_names)),
                               QStringLiteral("[port]"));
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
    for (const char* option : {"-h", "--help", "-?", "--help-all", "-v", "--version"}) {
      if (std::strcmp(argv[i], option) == 0) return true;
    }
  }
  return false;
}

void SetNames() {
  QCoreApplication::setApplicationName(QStringLiteral("zotpx-manager"));
  QCoreApplication::setApplicationVersion(QString::fromLatin1(zotpx::kVersion));
}

}  // namespace

int main(int argc, char** argv) {
  // Started with its standard error read by a program that went away, a message from Qt must
  // not end the window in the middle of a download.
  zotpx::KeepGoingWhenWritesFail();
  QCommandLineParser parser;
  SetUpParser(parser);
  if (AsksForHelpOrVersion(argc, argv)) {
    // To the console it was started from, or where its output is sent. Qt answers a window
    // program on Windows with a message box unless it sees a console of its own, which a pipe
    // or a file is not: where the output leads somewhere, the text goes there instead.
    const bool output = zotpx::UseStartingConsole();
    QCoreApplication app(argc, argv);
    SetNames();
    parser.parse(QCoreApplication::arguments());
    if (output && parser.isSet(QStringLiteral("version"))) {
      zotpx::PrintText(stdout, "zotpx-manager %s\n", zotpx::kVersion);
      return 0;
    }
    if (output && parser.isSet(QStringLiteral("help"))) {
      zotpx::WriteText(stdout, parser.helpText().toStdString());
      return 0;
    }
    parser.process(app);  // --help-all, or no output: Qt prints it or shows it, and exits
    return 0;
  }

  AppDirectory = MakeAppDirectory(QDir::currentPath());

  const std::unique_ptr<QApplication> app =
      zotpx::OpenDisplay(argc, argv, "zotpx-manager: cannot open the window");
  SetNames();
  QGuiApplication::setDesktopFileName(QStringLiteral("zotpx-manager"));
  QGuiApplication::setApplicationDisplayName(QStringLiteral("管理软件"));
  QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("zotpx-manager")));
  // The window speaks Chinese whatever the locale, so Qt's own texts (the log's edit menu,
  // dialog buttons) should too. Without the translation they stay in English.
  QTranslator qt_texts;
  const QString translations = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  if (qt_texts.load(QStringLiteral("qtbase_zh_CN"), translations))
    QCoreApplication::installTranslator(&qt_texts);
  else
    zotpx::WriteText(stderr, "zotpx-manager: Qt's Chinese texts (qtbase_zh_CN.qm) are not in " +
                                 QDir::toNativeSeparators(translations).toStdString() +
                                 "; its own buttons and menus stay in English\n");
  // A system without a Chinese font (a bare Windows) would show the texts as boxes: the font
  // shipped beside the programs serves then.
  if (const std::string font = zotpx::ShippedCjkFont();
      !font.empty() && QFontDatabase::families(QFontDatabase::SimplifiedChinese).isEmpty())
    QFontDatabase::addApplicationFont(QString::fromStdString(font));
  // QApplication has taken its own options (-platform, -style ...) out of argv by now.
  parser.process(*app);
  const QStringList ports = parser.positionalArguments();
  if (ports.size() > 1) {
    zotpx::WriteText(stderr, "zotpx-manager: one port at most; see zotpx-manager --help\n");
    return 2;
  }
  // The list offers only good names; one given here is held to the same rule.
  const zotpx::PortName port =
      ports.isEmpty() ? zotpx::PortName{} : zotpx::ParsePortName(ports.front().toStdString());
  if (!ports.isEmpty() && port.kind == zotpx::PortName::Kind::Invalid) {
    zotpx::WriteText(stderr,
                     "zotpx-manager: " + ports.front().toStdString() + ": " + port.reason + "\n");
    return 2;
  }
  int close_after_ms = -1;
  if (parser.isSet(kCloseAfter)) {
    bool ok = false;
    close_after_ms = parser.value(kCloseAfter).toInt(&ok);
    if (!ok || close_after_ms < 0) {
      zotpx::WriteText(stderr, "zotpx-manager: --close-after takes milliseconds\n");
      return 2;
    }
  }

  try {
    TForm1 form;
    if (!form.timer_ok()) return 1;
    if (!ports.isEmpty()) form.SelectPort(QString::fromStdString(port.text));
    // "在布局设计器中打开": a designer window of its own, on the window's port.
    form.SetLayoutOpener([&form](zotpx::Layout layout) {
      auto* designer = new DesignerWindow;
      designer->setAttribute(Qt::WA_DeleteOnClose);
      designer->SetPort(QString::fromStdString(form.CurrentLink().port));
      designer->OpenLayout(std::move(layout));
      designer->show();
    });
    form.show();
    if (close_after_ms >= 0) QTimer::singleShot(close_after_ms, &form, &QWidget::close);
    return QApplication::exec();
  } catch (const std::exception& e) {
    ShowStartupError(QString::fromUtf8(e.what()));
  } catch (...) {
    ShowStartupError(QString());
  }
  return 1;
}
