// zotpx-manager: the window for ZOT-Px on-screen-display chips and modules.
//
// Usage: zotpx-manager [PORT]
//   PORT (optional) is preselected in the port list: "COM3", or a device path such as
//   /dev/ttyUSB0. It is the only argument the tool takes; everything else is set in the window.
#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QMessageBox>
#include <exception>
#include <iostream>

#include "app/form.h"

namespace {

void ShowStartupError(const QString& text) {
  std::cerr << "zotpx-manager: " << text.toStdString() << '\n';
  QMessageBox::critical(nullptr, QGuiApplication::applicationDisplayName(), text);
}

}  // namespace

int main(int argc, char** argv) {
  AppDirectory = MakeAppDirectory(QDir::currentPath());

  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("zotpx-manager"));
  QGuiApplication::setDesktopFileName(QStringLiteral("zotpx-manager"));
  QGuiApplication::setApplicationDisplayName(QStringLiteral("管理软件"));
  QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("zotpx-manager")));

  try {
    TForm1 form;
    if (!form.timer_ok()) return 1;
    // QApplication has taken its own options out of argv by now.
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() > 1) form.SelectPort(arguments.at(1));
    form.show();
    return QApplication::exec();
  } catch (const std::exception& e) {
    ShowStartupError(QString::fromUtf8(e.what()));
  } catch (...) {
    ShowStartupError(QString());
  }
  return 1;
}
