#include "designer/canvas.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "base/coordinates.h"

namespace {

using zotpx::editor::Handle;
using zotpx::editor::Point;

constexpr int kHandleSize = 7;
constexpr int kGrip = 13;     // widget pixels: the least a selection's box is taken as
constexpr int kGridStep = 8;  // the Shift+arrow step
const QColor kSelection(0, 160, 255);
const QColor kGridLine(0, 200, 255, 60);
const QColor kGridMajor(0, 200, 255, 120);

}  // namespace

Canvas::Canvas(zotpx::editor::Document& document, QWidget* parent)
    : QWidget(parent), document_(document) {
  setObjectName(QStringLiteral("Canvas"));
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  setAccessibleName(tr("屏幕画布"));
}

void Canvas::SetZoom(int zoom) {
  zoom_ = std::clamp(zoom, 1, 4);
  updateGeometry();
  resize(sizeHint());
  update();
}

void Canvas::SetGrid(bool on) {
  grid_ = on;
  update();
}

void Canvas::Arm(const zotpx::CommandRow* row) {
  armed_ = row;
  setCursor(row ? Qt::CrossCursor : Qt::ArrowCursor);
}

QSize Canvas::sizeHint() const {
  return {zotpx::kScreenWidth * zoom_, zotpx::kScreenHeight * zoom_};
}

QPoint Canvas::WidgetPoint(Point at) const {
  return {at.x * zoom_, at.y * zoom_};
}

std::optional<Point> Canvas::DevicePoint(const QPoint& at) const {
  const int x = at.x() / zoom_, y = at.y() / zoom_;
  if (at.x() < 0 || at.y() < 0 || !zotpx::OnScreen(x, y)) return std::nullopt;
  return Point{x, y};
}

void Canvas::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const zotpx::screen::Picture& picture = document_.scene().picture();
  // RGBA bytes in that order: the screen model's own layout.
  const QImage image(reinterpret_cast<const uchar*>(picture.rgba.data()), picture.width,
                     picture.height, QImage::Format_RGBA8888);
  painter.drawImage(
      QRect(WidgetPoint({0, 0}), QSize(picture.width * zoom_, picture.height * zoom_)), image);
  if (grid_) PaintGrid(painter);
  PaintSelection(painter);
}

void Canvas::PaintGrid(QPainter& painter) const {
  for (int x = kGridStep; x < zotpx::kScreenWidth; x += kGridStep) {
    painter.setPen(x % (kGridStep * 8) ? kGridLine : kGridMajor);
    painter.drawLine(WidgetPoint({x, 0}), WidgetPoint({x, zotpx::kScreenHeight}));
  }
  for (int y = kGridStep; y < zotpx::kScreenHeight; y += kGridStep) {
    painter.setPen(y % (kGridStep * 8) ? kGridLine : kGridMajor);
    painter.drawLine(WidgetPoint({0, y}), WidgetPoint({zotpx::kScreenWidth, y}));
  }
}

void Canvas::PaintSelection(QPainter& painter) const {
  const std::optional<std::size_t> selected = document_.selection();
  if (!selected) return;
  const std::optional<zotpx::screen::ScreenBox> box = document_.BoxOf(*selected);
  if (!box) return;
  const QRect outline = SelectionRect();
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(kSelection, 1, Qt::DashLine));
  painter.drawRect(outline.adjusted(-1, -1, 0, 0));
  // A point (the crosshair's centre) has no box to see: a cross marks it.
  if (zotpx::editor::GeometryOf(document_.objects()[*selected].values.row()) ==
      zotpx::editor::Geometry::Centre) {
    const QPoint centre = outline.center();
    for (const QPen& pen : {QPen(Qt::black, 3), QPen(kSelection, 1)}) {
      painter.setPen(pen);
      painter.drawLine(centre - QPoint(kGrip, 0), centre + QPoint(kGrip, 0));
      painter.drawLine(centre - QPoint(0, kGrip), centre + QPoint(0, kGrip));
    }
  }
  if (document_.objects()[*selected].locked) return;
  painter.setPen(QPen(Qt::black, 1));
  painter.setBrush(kSelection);
  for (const Handle handle : zotpx::editor::HandlesOf(document_.objects()[*selected].values)) {
    const Point at = zotpx::editor::HandlePoint(*box, handle);
    const QPoint centre = WidgetPoint(at) + QPoint(zoom_ / 2, zoom_ / 2);
    painter.drawRect(centre.x() - kHandleSize / 2, centre.y() - kHandleSize / 2, kHandleSize - 1,
                     kHandleSize - 1);
  }
}

QRect Canvas::SelectionRect() const {
  const std::optional<std::size_t> selected = document_.selection();
  if (!selected) return {};
  const std::optional<zotpx::screen::ScreenBox> box = document_.BoxOf(*selected);
  if (!box) return {};
  const QRect outline(WidgetPoint({box->left, box->top}),
                      QSize(box->width * zoom_, box->height * zoom_));
  // A box of a pixel or two is still one a pointer can take hold of.
  const int grow_x = std::max(0, kGrip - outline.width()) / 2;
  const int grow_y = std::max(0, kGrip - outline.height()) / 2;
  return outline.adjusted(-grow_x, -grow_y, grow_x, grow_y);
}

bool Canvas::InSelection(const QPoint& at) const {
  return SelectionRect().contains(at);
}

std::optional<Handle> Canvas::HandleAt(const QPoint& at) const {
  const std::optional<std::size_t> selected = document_.selection();
  if (!selected || document_.objects()[*selected].locked) return std::nullopt;
  const std::optional<zotpx::screen::ScreenBox> box = document_.BoxOf(*selected);
  if (!box) return std::nullopt;
  for (const Handle handle : zotpx::editor::HandlesOf(document_.objects()[*selected].values)) {
    const QPoint centre =
        WidgetPoint(zotpx::editor::HandlePoint(*box, handle)) + QPoint(zoom_ / 2, zoom_ / 2);
    if (std::abs(centre.x() - at.x()) <= kHandleSize / 2 + 1 &&
        std::abs(centre.y() - at.y()) <= kHandleSize / 2 + 1)
      return handle;
  }
  return std::nullopt;
}

void Canvas::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  setFocus(Qt::MouseFocusReason);
  const std::optional<Point> at = DevicePoint(event->position().toPoint());
  if (armed_) {
    const zotpx::CommandRow* row = armed_;
    Arm(nullptr);
    if (at) emit PlaceRequested(row, *at);
    return;
  }
  if (const std::optional<Handle> handle = HandleAt(event->position().toPoint())) {
    if (document_.BeginDrag(*document_.selection())) {
      handle_ = handle;
      press_ = at.value_or(Point{});
    }
    return;
  }
  if (!at) return;
  std::optional<std::size_t> hit = document_.ObjectAt(*at);
  // No ink there, but inside the selection's box: the selection is taken up (a crosshair's
  // centre, a text between its strokes).
  if (!hit && InSelection(event->position().toPoint())) hit = document_.selection();
  if (hit != document_.selection()) {
    document_.Select(hit);
    emit SelectionChanged();
    update();
  }
  if (!hit) return;
  const zotpx::editor::EditResult begun = document_.BeginDrag(*hit);
  if (begun) press_ = at;
  // Selected all the same; the lock is said only when the pointer tries to move it.
  locked_ =
      begun.kind == zotpx::editor::EditResult::Kind::Locked ? std::optional(begun) : std::nullopt;
}

void Canvas::mouseMoveEvent(QMouseEvent* event) {
  const QPoint position = event->position().toPoint();
  const std::optional<Point> at = DevicePoint(position);
  emit PointerMoved(at);
  if (locked_ && (event->buttons() & Qt::LeftButton)) {
    emit Refused(*locked_);
    locked_.reset();
  }
  if (!press_ || !document_.dragging()) {
    setCursor(armed_ ? Qt::CrossCursor : HandleAt(position) ? Qt::SizeAllCursor : Qt::ArrowCursor);
    return;
  }
  // Off the screen the pointer still drags, as far as the clamp lets the object go.
  const int x = position.x() / zoom_ - (position.x() < 0 ? 1 : 0);
  const int y = position.y() / zoom_ - (position.y() < 0 ? 1 : 0);
  const zotpx::editor::EditResult moved = handle_
                                              ? document_.DragHandle(*handle_, {x, y})
                                              : document_.DragMove(x - press_->x, y - press_->y);
  if (moved) {
    emit Changed();
    update();
  }
}

void Canvas::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
  press_.reset();
  handle_.reset();
  locked_.reset();
  if (document_.EndDrag()) {
    emit Edited();
    update();
  }
}

void Canvas::leaveEvent(QEvent*) {
  emit PointerMoved(std::nullopt);
}

void Canvas::keyPressEvent(QKeyEvent* event) {
  const int step = event->modifiers() & Qt::ShiftModifier ? 8 : 1;
  switch (event->key()) {
    case Qt::Key_Left:
      return emit NudgeRequested(-step, 0);
    case Qt::Key_Right:
      return emit NudgeRequested(step, 0);
    case Qt::Key_Up:
      return emit NudgeRequested(0, -step);
    case Qt::Key_Down:
      return emit NudgeRequested(0, step);
    case Qt::Key_Escape:
      Arm(nullptr);
      return;
    default:
      QWidget::keyPressEvent(event);
  }
}
