#include "screen_window.h"

#include <unistd.h>

#include <QApplication>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QTranslator>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "app/open_display.h"
#include "app/window_language.h"

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

QString TitleText(const ScreenTitle& title) {
  const QString model = QString::fromStdString(title.model);
  const QString path = QString::fromStdString(title.path);
  if (title.link.empty())
    return QCoreApplication::translate("ScreenWindow", "zotpx-sim %1，%2 波特（%3）")
        .arg(model)
        .arg(title.baud)
        .arg(path);
  return QCoreApplication::translate("ScreenWindow", "zotpx-sim %1，%2 波特，%3（%4）")
      .arg(model)
      .arg(title.baud)
      .arg(QString::fromStdString(title.link), path);
}

}  // namespace

ScreenWindow::ScreenWindow(int& argc, char** argv, const std::string& language)
    : own_texts_(std::make_unique<QTranslator>()), qt_texts_(std::make_unique<QTranslator>()) {
  // Without a display nothing needs undoing yet: one line and status 1.
  app_ = OpenDisplay(argc, argv, "zotpx-sim: --screen: the screen window cannot open",
                     "; --screen-png FILE shows the screen without one");
  qt_default_handler = qInstallMessageHandler(OnQtMessage);
  UseLanguage(StartLanguage(QString::fromStdString(language)), "zotpx-sim", *own_texts_,
              *qt_texts_);
}

ScreenWindow::~ScreenWindow() = default;

int ScreenWindow::Run(const SimServer& server, const std::function<ScreenTitle()>& title,
                      const std::function<bool()>& tick) {
  ScreenView view(server);
  ScreenTitle shown = title();
  view.setWindowTitle(TitleText(shown));
  // Top right of the desktop, out of the way of the tool's window.
  if (const QScreen* desktop = QGuiApplication::primaryScreen()) {
    const QRect area = desktop->availableGeometry();
    view.move(area.right() - view.width() - 16, area.top() + 16);
  }
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&] {
    if (!tick()) return QApplication::quit();
    if (ScreenTitle now = title(); now != shown) {
      shown = now;
      view.setWindowTitle(TitleText(shown));
    }
    view.Refresh();
  });
  timer.start(kTickMs);
  view.show();
  return QApplication::exec();
}

}  // namespace zotpx::sim
