// The device's screen as the screen model draws it, magnified 1x to 4x, with an optional grid
// in device pixels, the selection's box and handles on top (its rulers: canvas_area.h). Pressing
// selects the object whose ink is under the pointer and drags it or the handle under the pointer;
// the arrow keys move the selection (Shift: eight pixels). The canvas only paints and forwards: the
// document decides.
#pragma once

#include <QImage>
#include <QWidget>
#include <optional>

#include "editor/document.h"

class Canvas : public QWidget {
  Q_OBJECT

 public:
  Canvas(zotpx::editor::Document& document, QWidget* parent = nullptr);

  void SetZoom(int zoom);
  int zoom() const { return zoom_; }
  void SetGrid(bool on);
  bool grid() const { return grid_; }
  // The next press places an object of this row instead of selecting (nothing: selecting).
  void Arm(const zotpx::CommandRow* row);
  const zotpx::CommandRow* armed() const { return armed_; }

  // Where the device's pixel (x, y) starts in the widget, and the other way round.
  QPoint WidgetPoint(zotpx::editor::Point at) const;
  std::optional<zotpx::editor::Point> DevicePoint(const QPoint& at) const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

 signals:
  // The pointer's device coordinates; nothing when it is off the screen.
  void PointerMoved(std::optional<zotpx::editor::Point> at);
  void SelectionChanged();
  // The layout changed while the pointer moves; redraw what shows it.
  void Changed();
  // An edit was finished (a drag let go, a nudge): one step of undo, a time to apply.
  void Edited();
  void PlaceRequested(const zotpx::CommandRow* row, zotpx::editor::Point at);
  void NudgeRequested(int dx, int dy);
  // An edit the document refused while the pointer worked (a locked object).
  void Refused(zotpx::editor::EditResult result);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void PaintGrid(class QPainter& painter) const;
  void PaintSelection(QPainter& painter) const;
  std::optional<zotpx::editor::Handle> HandleAt(const QPoint& at) const;
  // The selection's box on the widget, grown to be taken hold of; empty without one.
  QRect SelectionRect() const;
  bool InSelection(const QPoint& at) const;

  zotpx::editor::Document& document_;
  int zoom_ = 2;
  bool grid_ = false;
  const zotpx::CommandRow* armed_ = nullptr;
  // A press that drags: where it began, and the handle when it sizes.
  std::optional<zotpx::editor::Point> press_;
  std::optional<zotpx::editor::Handle> handle_;
  std::optional<zotpx::editor::EditResult> locked_;  // pressed on a locked object
};
