#include "screen_window.h"

#include <unistd.h>

#include <QApplication>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace zotpx::sim {
namespace {

constexpr int kScale = 2;
constexpr int kTickMs = 30;

class ScreenView : public QWidget {
 public:
  explicit ScreenView(const SimServer& server) : server_(server) {
    setFixedSize(kScreenWidth * kScale, kScreenHeight * kScale);
    setAttribute(Qt::WA_OpaquePaintEvent);
    Refresh(true);
  }

  // Renders again only when the device drew something or its picture changes by itself.
  void Refresh(bool force = false) {
    const std::int64_t now = SimServer::NowMs();
    const std::uint64_t revision = server_.ScreenRevision();
    if (!force && revision == revision_ && !(next_change_ && now >= *next_change_)) return;
    revision_ = revision;
    picture_ = server_.Screen(now);
    next_change_ = server_.NextScreenChangeMs(now);
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    const QImage image(reinterpret_cast<const uchar*>(picture_.rgba.data()), picture_.width,
                       picture_.height, picture_.width * 4, QImage::Format_RGBA8888);
    QPainter painter(this);
    painter.drawImage(rect(), image);  // no smoothing: each device pixel a sharp 2 x 2 block
  }

 private:
  const SimServer& server_;
  screen::Picture picture_;
  std::uint64_t revision_ = 0;
  std::optional<std::int64_t> next_change_;
};

// Qt ends a program it cannot give a display with a fatal error (an abort). Until the window
// is up nothing needs undoing, so that becomes a message and status 1; later, exit(1) runs the
// program's atexit work (the link removed, the dump written) on the way out.
bool opening_display = false;
QtMessageHandler qt_default_handler = nullptr;

void OnQtMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type != QtFatalMsg) return qt_default_handler(type, context, message);
  if (opening_display) {
    std::fputs(
        "zotpx-sim: --screen: the screen window cannot open: no display to show it on "
        "(--screen-png FILE shows the screen without one)\n",
        stderr);
    _exit(1);
  }
  qt_default_handler(QtCriticalMsg, context, message);
  std::exit(1);
}

}  // namespace

ScreenWindow::ScreenWindow(int& argc, char** argv) {
  qt_default_handler = qInstallMessageHandler(OnQtMessage);
  opening_display = true;
  app_ = std::make_unique<QApplication>(argc, argv);
  opening_display = false;
}

ScreenWindow::~ScreenWindow() = default;

int ScreenWindow::Run(const SimServer& server, const std::function<std::string()>& title,
                      const std::function<bool()>& tick) {
  ScreenView view(server);
  std::string shown = title();
  view.setWindowTitle(QString::fromStdString(shown));
  // Top right of the desktop, out of the way of the tool's window.
  if (const QScreen* desktop = QGuiApplication::primaryScreen()) {
    const QRect area = desktop->availableGeometry();
    view.move(area.right() - view.width() - 16, area.top() + 16);
  }
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&] {
    if (!tick()) return QApplication::quit();
    if (std::string now = title(); now != shown) {
      shown = now;
      view.setWindowTitle(QString::fromStdString(shown));
    }
    view.Refresh();
  });
  timer.start(kTickMs);
  view.show();
  return QApplication::exec();
}

}  // namespace zotpx::sim
