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
  std::vector<ControlRow> geometry;  // the edit boxes (and the circle's radius), in their order
  std::vector<ControlRow> style;     // colour, thickness, mode, show
  const char* button;
  void (TForm1::*handler)();
};

std::vector<ControlRow> Style(const char* colour, const char* thickness, const char* mode,
                              const char* show) {
  return {{colour, "颜色设置："},
          {thickness, "线条粗细："},
          {mode, "模式控制："},
          {show, "显示控制："}};
}

const ShapeGroupDef kShapeGroups[] = {
    {"line",
     "GroupLine",
     " 直线 ",
     {{"EditLineLeft", "左上角X坐标："},
      {"EditLineTop", "左上角Y坐标："},
      {"EditLineLength", "长度："}},
     Style("ComboLineColor", "ComboLineThick", "ComboLineMode", "ComboLineShow"),
     "BtnLineCmd",
     &TForm1::BtnLineCmdClick},
    {"rect",
     "GroupRect",
     " 矩形 ",
     {{"EditRectLeft", "左上角X坐标："},
      {"EditRectTop", "左上角Y坐标："},
      {"EditRectRight", "右下角X坐标："},
      {"EditRectBottom", "右下角Y坐标："}},
     Style("ComboRectColor", "ComboRectThick", "ComboRectMode", "ComboRectShow"),
     "BtnRectCmd",
     &TForm1::BtnRectCmdClick},
    {"circle",
     "GroupCircle",
     " 圆形 ",
     {{"EditCircleLeft", "圆心X坐标："},
      {"EditCircleTop", "圆心Y坐标："},
      {"ComboCircleRadius", "半径："}},
     Style("ComboCircleColor", "ComboCircleThick", "ComboCircleMode", "ComboCircleShow"),
     "BtnCircleCmd",
     &TForm1::BtnCircleCmdClick},
};

// Geometry and the button on the first row, the four drop-downs on the second. Each row
// lines up its own fields: sharing columns would make the page wider than the window.
QGroupBox* BuildShapeGroup(TForm1& form, QWidget* page, const ShapeGroupDef& g) {
  QGridLayout* outer = nullptr;
  QGroupBox* group = MakeGroup(page, g.group, QString::fromUtf8(g.caption), &outer);
  auto* geometry = new QGridLayout;
  auto* style = new QGridLayout;
  geometry->setHorizontalSpacing(kFieldSpacing);
  style->setHorizontalSpacing(kFieldSpacing);
  outer->addLayout(geometry, 0, 0);
  outer->addLayout(style, 1, 0);
  int column = 0;
  for (const auto& [control, label] : g.geometry) {
    QWidget* field = AddControlRow(geometry, 0, control, QString::fromUtf8(label), column);
    if (qobject_cast<QLineEdit*>(field)) field->setFixedWidth(kCoordinateWidth);
    column += 2;
  }
  geometry->setColumnStretch(column, 1);
  AddCommandButton(form, geometry, 0, g.button, g.command, g.handler, column + 1);
  column = 0;
  for (const auto& [control, label] : g.style) {
    AddControlRow(style, 0, control, QString::fromUtf8(label), column);
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
