#include "designer/canvas_area.h"

#include <QEvent>
#include <QPainter>

#include "base/coordinates.h"
#include "designer/canvas.h"

namespace {

constexpr int kRulerWidth = 22;
constexpr int kTick = 8;  // the grid's step, the Shift+arrow step

// Ticks every 8 device pixels, longer every 32, numbered where there is room.
class Ruler : public QWidget {
 public:
  Ruler(Qt::Orientation orientation, const Canvas* canvas, QWidget* parent)
      : QWidget(parent), orientation_(orientation), canvas_(canvas) {
    setObjectName(orientation == Qt::Horizontal ? QStringLiteral("RulerTop")
                                                : QStringLiteral("RulerLeft"));
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    painter.setPen(palette().color(QPalette::WindowText));
    QFont font = painter.font();
    font.setPixelSize(9);
    painter.setFont(font);
    const bool across = orientation_ == Qt::Horizontal;
    const int zoom = canvas_->zoom();
    const int numbered = zoom >= 2 ? 32 : 64;
    const int end = across ? zotpx::kScreenWidth : zotpx::kScreenHeight;
    for (int n = 0; n <= end; n += kTick) {
      const QPoint on_canvas = canvas_->WidgetPoint({across ? n : 0, across ? 0 : n});
      const QPoint here = mapFromGlobal(canvas_->mapToGlobal(on_canvas));
      const int at = across ? here.x() : here.y();
      const int tick = n % 32 ? 4 : 8;
      if (across)
        painter.drawLine(at, kRulerWidth - tick, at, kRulerWidth - 1);
      else
        painter.drawLine(kRulerWidth - tick, at, kRulerWidth - 1, at);
      if (n % numbered || n == end) continue;
      if (across) {
        painter.drawText(at + 2, 10, QString::number(n));
      } else {
        painter.save();
        painter.translate(10, at + 2);
        painter.rotate(90);
        painter.drawText(0, 0, QString::number(n));
        painter.restore();
      }
    }
  }

 private:
  Qt::Orientation orientation_;
  const Canvas* canvas_;
};

}  // namespace

CanvasArea::CanvasArea(Canvas* canvas, QWidget* parent)
    : QScrollArea(parent),
      canvas_(canvas),
      top_(new Ruler(Qt::Horizontal, canvas, this)),
      left_(new Ruler(Qt::Vertical, canvas, this)) {
  setObjectName(QStringLiteral("CanvasArea"));
  setWidget(canvas);
  setAlignment(Qt::AlignCenter);
  setBackgroundRole(QPalette::Dark);
  canvas->installEventFilter(this);
  SetRulers(true);
}

void CanvasArea::SetRulers(bool on) {
  rulers_ = on;
  setViewportMargins(on ? kRulerWidth : 0, on ? kRulerWidth : 0, 0, 0);
  top_->setVisible(on);
  left_->setVisible(on);
  PlaceRulers();
}

void CanvasArea::PlaceRulers() {
  const QRect view = viewport()->geometry();
  top_->setGeometry(view.left(), view.top() - kRulerWidth, view.width(), kRulerWidth);
  left_->setGeometry(view.left() - kRulerWidth, view.top(), kRulerWidth, view.height());
  top_->update();
  left_->update();
}

void CanvasArea::resizeEvent(QResizeEvent* event) {
  QScrollArea::resizeEvent(event);
  PlaceRulers();
}

void CanvasArea::scrollContentsBy(int dx, int dy) {
  QScrollArea::scrollContentsBy(dx, dy);
  top_->update();
  left_->update();
}

bool CanvasArea::eventFilter(QObject* watched, QEvent* event) {
  // The canvas moved (centred anew) or changed its size (zoom): the ticks move with it.
  if (watched == canvas_ && (event->type() == QEvent::Move || event->type() == QEvent::Resize)) {
    top_->update();
    left_->update();
  }
  return QScrollArea::eventFilter(watched, event);
}
