// The canvas in a scrolled area, with rulers in device pixels along its top and left edges that
// stay in place while the canvas scrolls, and follow its zoom.
#pragma once

#include <QScrollArea>

class Canvas;

class CanvasArea : public QScrollArea {
 public:
  explicit CanvasArea(Canvas* canvas, QWidget* parent = nullptr);
  void SetRulers(bool on);
  bool rulers() const { return rulers_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void PlaceRulers();

  Canvas* canvas_;
  QWidget* top_;
  QWidget* left_;
  bool rulers_ = true;
};
