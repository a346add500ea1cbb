// zotpx-manager: the window for ZOT-Px on-screen-display chips and modules.
//
// Usage: zotpx-manager [PORT]
//   PORT (optional) is preselected in the port list: "COM3", or a device path such as
//   /dev/ttyUSB0; anything else is refused before the window opens. Everything else is set in
//   the window. --help and --version answer without opening a window, so they work without a
//   display (the manual page is made from them).
#include <QDir>
#include <QMessageBox>
#include <QTimer>
#include <exception>

#include "app/form.h"
#include "app/window_program.h"
#include "base/console.h"
#include "base/platform_words.h"
#include "base/write_signals.h"
#include "designer/designer_window.h"
#include "serial/port_name.h"

namespace {

const zotpx::WindowProgram kProgram{"zotpx-manager",
                                    QT_TRANSLATE_NOOP("WindowProgram", "管理软件")};

void ShowStartupError(const QString& text) {
  zotpx::WriteText(stderr, "zotpx-manager: " + text.toStdString() + "\n");
  QMessageBox::critical(nullptr, QGuiApplication::applicationDisplayName(), text);
}

void SetUpParser(QCommandLineParser& parser) {
  parser.setApplicationDescription(QStringLiteral(
      "The window for ZOT-Px on-screen-display chips and modules (ZOT-PA, ZOT-PB): it\n"
      "finds the device on a serial port, sets its parameters and clock, places overlay\n"
      "objects, and converts and downloads font, static command and crosshair files\n"
      "into its memory. Its texts are in Simplified Chinese or English."));
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addPositionalArgument(QStringLiteral("port"),
                               QStringLiteral("The serial port to preselect: %1 (default COM1).")
                                   .arg(QString::fromUtf8(zotpx::SystemWords().port_names)),
                               QStringLiteral("[port]"));
  zotpx::AddCloseAfterOption(parser);
}

}  // namespace

int main(int argc, char** argv) {
  // Started with its standard error read by a program that went away, a message from Qt must
  // not end the window in the middle of a download.
  zotpx::KeepGoingWhenWritesFail();
  QCommandLineParser parser;
  SetUpParser(parser);
  if (const std::optional<int> answered = zotpx::AnswerHelpOrVersion(kProgram, parser, argc, argv))
    return *answered;

  AppDirectory = MakeAppDirectory(QDir::currentPath());

  QTranslator own_texts;
  QTranslator qt_texts;
  const std::unique_ptr<QApplication> app =
      zotpx::OpenWindowProgram(kProgram, argc, argv, parser, own_texts, qt_texts);
  if (!app) return 2;
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
  const std::optional<int> close_after_ms = zotpx::CloseAfterMs(kProgram, parser);
  if (!close_after_ms) return 2;

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
    if (*close_after_ms >= 0) QTimer::singleShot(*close_after_ms, &form, &QWidget::close);
    return QApplication::exec();
  } catch (const std::exception& e) {
    ShowStartupError(QString::fromUtf8(e.what()));
  } catch (...) {
    ShowStartupError(QString());
  }
  return 1;
}
