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

#include "app/open_display.h"

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

// Once the window is up, Qt ends the program with a fatal error (an abort) when the display
// goes away: exit(1) instead runs the program's atexit work (the link removed, the dump
// written) on the way out.
QtMessageHandler qt_default_handler = nullptr;

void OnQtMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type != QtFatalMsg) return qt_default_handler(type, context, message);
  qt_default_handler(QtCriticalMsg, context, message);
  std::exit(1);
}

}  // namespace

ScreenWindow::ScreenWindow(int& argc, char** argv) {
  // Without a display nothing needs undoing yet: one line and status 1.
  app_ = OpenDisplay(argc, argv, "zotpx-sim: --screen: the screen window cannot open",
                     "; --screen-png FILE shows the screen without one");
  qt_default_handler = qInstallMessageHandler(OnQtMessage);
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
