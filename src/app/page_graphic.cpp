// The basic shapes tab: line, rectangle and circle groups, one family with one arrangement and one
// way of sending.
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QVBoxLayout>
#include <vector>

#include "app/command_controls.h"
#include "app/form.h"
#include "app/geometry.h"

namespace {

constexpr int kCoordinateWidth = 40;
constexpr int kFieldSpacing = 8;
// Three groups of eight fields share the page's width and height: a smaller face than the
// window's lets each group keep its fields on two rows without cutting captions or items.
constexpr int kPageFontPixels = 12;

struct ShapeGroupDef {
  const char* command;  // the table's row
  const char* group;
  const char* caption;
  // The controls, labelled by their fields: the edit boxes (and the circle's radius) in their
  // order, then colour, thickness, mode and show.
  std::vector<const char*> geometry;
  std::vector<const char*> style;
  const char* button;
  void (TForm1::*handler)();
};

std::vector<const char*> Style(const char* colour, const char* thickness, const char* mode,
                               const char* show) {
  return {colour, thickness, mode, show};
}

const ShapeGroupDef kShapeGroups[] = {
    {"line",
     "GroupLine",
     QT_TRANSLATE_NOOP("TForm1", " 直线 "),
     {"EditLineLeft", "EditLineTop", "EditLineLength"},
     Style("ComboLineColor", "ComboLineThick", "ComboLineMode", "ComboLineShow"),
     "BtnLineCmd",
     &TForm1::BtnLineCmdClick},
    {"rect",
     "GroupRect",
     QT_TRANSLATE_NOOP("TForm1", " 矩形 "),
     {"EditRectLeft", "EditRectTop", "EditRectRight", "EditRectBottom"},
     Style("ComboRectColor", "ComboRectThick", "ComboRectMode", "ComboRectShow"),
     "BtnRectCmd",
     &TForm1::BtnRectCmdClick},
    {"circle",
     "GroupCircle",
     QT_TRANSLATE_NOOP("TForm1", " 圆形 "),
     {"EditCircleLeft", "EditCircleTop", "ComboCircleRadius"},
     Style("ComboCircleColor", "ComboCircleThick", "ComboCircleMode", "ComboCircleShow"),
     "BtnCircleCmd",
     &TForm1::BtnCircleCmdClick},
};

// Geometry and the button on the first row, the four drop-downs on the second. Each row
// lines up its own fields: sharing columns would make the page wider than the window.
QGroupBox* BuildShapeGroup(TForm1& form, QWidget* page, const ShapeGroupDef& g) {
  QGridLayout* outer = nullptr;
  QGroupBox* group = MakeGroup(page, g.group, TForm1::tr(g.caption), &outer);
  auto* geometry = new QGridLayout;
  auto* style = new QGridLayout;
  geometry->setHorizontalSpacing(kFieldSpacing);
  style->setHorizontalSpacing(kFieldSpacing);
  outer->addLayout(geometry, 0, 0);
  outer->addLayout(style, 1, 0);
  int column = 0;
  for (const char* control : g.geometry) {
    QWidget* field = AddControlRow(geometry, 0, control, column);
    if (qobject_cast<QLineEdit*>(field)) field->setFixedWidth(kCoordinateWidth);
    column += 2;
  }
  geometry->setColumnStretch(column, 1);
  AddCommandButton(form, geometry, 0, g.button, g.command, g.handler, column + 1);
  column = 0;
  for (const char* control : g.style) {
    AddControlRow(style, 0, control, column);
    column += 2;
  }
  style->setColumnStretch(column, 1);
  return group;
}

}  // namespace

void BuildGraphicBasePage(TForm1& form, QWidget* page) {
  QFont font = page->font();
  font.setPixelSize(kPageFontPixels);
  page->setFont(font);
  auto* column = new QVBoxLayout(page);
  column->setContentsMargins(8, 8, 8, 8);
  for (const ShapeGroupDef& g : kShapeGroups) column->addWidget(BuildShapeGroup(form, page, g));
  column->addStretch(1);
}

void TForm1::BtnLineCmdClick() {
  RunCommandRow("line");
}

void TForm1::BtnRectCmdClick() {
  RunCommandRow("rect");
}

void TForm1::BtnCircleCmdClick() {
  RunCommandRow("circle");
}
