// The basic shapes tab: line, rectangle and circle groups, one family with one arrangement and one
// way of sending.
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <functional>
#include <optional>

#include "app/form.h"
#include "app/geometry.h"
#include "base/captions.h"
#include "graphics/shapes.h"

namespace {

constexpr int kCoordinateMaxLength = 3;
constexpr int kCoordinateWidth = 40;
constexpr int kFieldSpacing = 8;
// Three groups of eight fields share the page's width and height: a smaller face than the
// window's lets each group keep its fields on two rows without cutting captions or items.
constexpr int kPageFontPixels = 12;

struct EditDef {
  const char* name;
  const char* label;
  const char* text;
};

struct ShapeGroupDef {
  const char* group;
  const char* caption;
  EditDef edits[4];    // geometry fields in their order; unused ones have no name
  const char* radius;  // the circle's radius list, after its edits
  const char* colour;
  const char* thickness;
  const char* mode;
  const char* show;
  const char* button;
  const char* button_caption;
};

constexpr ShapeGroupDef kLineGroup{"GroupLine",
                                   " 直线 ",
                                   {{"EditLineLeft", "左上角X坐标：", "5"},
                                    {"EditLineTop", "左上角Y坐标：", "20"},
                                    {"EditLineLength", "长度：", "200"},
                                    {}},
                                   nullptr,
                                   "ComboLineColor",
                                   "ComboLineThick",
                                   "ComboLineMode",
                                   "ComboLineShow",
                                   "BtnLineCmd",
                                   zotpx::captions::kBtnLineCmd};
constexpr ShapeGroupDef kRectGroup{"GroupRect",
                                   " 矩形 ",
                                   {{"EditRectLeft", "左上角X坐标：", "0"},
                                    {"EditRectTop", "左上角Y坐标：", "0"},
                                    {"EditRectRight", "右下角X坐标：", "383"},
                                    {"EditRectBottom", "右下角Y坐标：", "255"}},
                                   nullptr,
                                   "ComboRectColor",
                                   "ComboRectThick",
                                   "ComboRectMode",
                                   "ComboRectShow",
                                   "BtnRectCmd",
                                   zotpx::captions::kBtnRectCmd};
constexpr ShapeGroupDef kCircleGroup{
    "GroupCircle",
    " 圆形 ",
    {{"EditCircleLeft", "圆心X坐标：", "30"}, {"EditCircleTop", "圆心Y坐标：", "200"}, {}, {}},
    "ComboCircleRadius",
    "ComboCircleColor",
    "ComboCircleThick",
    "ComboCircleMode",
    "ComboCircleShow",
    "BtnCircleCmd",
    zotpx::captions::kBtnCircleCmd};

// Geometry and the button on the first row, the four drop-downs on the second. Each row
// lines up its own fields: sharing columns would make the page wider than the window.
QGroupBox* BuildShapeGroup(TForm1& form, QWidget* page, const ShapeGroupDef& g,
                           void (TForm1::*handler)()) {
  QGridLayout* outer = nullptr;
  QGroupBox* group = MakeGroup(page, g.group, QString::fromUtf8(g.caption), &outer);
  auto* geometry = new QGridLayout;
  auto* style = new QGridLayout;
  geometry->setHorizontalSpacing(kFieldSpacing);
  style->setHorizontalSpacing(kFieldSpacing);
  outer->addLayout(geometry, 0, 0);
  outer->addLayout(style, 1, 0);
  int column = 0;
  for (const EditDef& edit : g.edits) {
    if (!edit.name) break;
    AddEditRow(geometry, 0, edit.name, QString::fromUtf8(edit.label), QString::fromUtf8(edit.text),
               kCoordinateMaxLength, column)
        ->setFixedWidth(kCoordinateWidth);
    column += 2;
  }
  if (g.radius) {
    AddComboRow(geometry, 0, g.radius, QStringLiteral("半径："), column);
    column += 2;
  }
  geometry->setColumnStretch(column, 1);
  QPushButton* button =
      AddButtonRow(geometry, 0, g.button, QString::fromUtf8(g.button_caption), column + 1);
  AddComboRow(style, 0, g.colour, QStringLiteral("颜色设置："), 0);
  AddComboRow(style, 0, g.thickness, QStringLiteral("线条粗细："), 2);
  AddComboRow(style, 0, g.mode, QStringLiteral("模式控制："), 4);
  AddComboRow(style, 0, g.show, QStringLiteral("显示控制："), 6);
  style->setColumnStretch(8, 1);
  form.Bind(button, handler);
  return group;
}

zotpx::ShapeStyle StyleOf(const TForm1& form, const ShapeGroupDef& g) {
  return {form.Index(g.colour), form.Index(g.thickness), form.Index(g.mode), form.Index(g.show)};
}

std::string EditText(const TForm1& form, const ShapeGroupDef& g, int field) {
  return form.Text(g.edits[field].name);
}

// The family's one way of sending: the check's message, or the frame under the button's title.
void RunShapeCommand(TForm1& form, const ShapeGroupDef& g,
                     const std::optional<std::string>& failure,
                     const std::function<zotpx::Bytes()>& frame) {
  const std::string title = form.Caption(g.button);
  if (failure) {
    form.SetStatus(title + *failure);
    return;
  }
  zotpx::RunCommand(form, title, form.CurrentLink(), frame);
}

}  // namespace

void BuildGraphicBasePage(TForm1& form, QWidget* page) {
  QFont font = page->font();
  font.setPixelSize(kPageFontPixels);
  page->setFont(font);
  auto* column = new QVBoxLayout(page);
  column->setContentsMargins(8, 8, 8, 8);
  column->addWidget(BuildShapeGroup(form, page, kLineGroup, &TForm1::BtnLineCmdClick));
  column->addWidget(BuildShapeGroup(form, page, kRectGroup, &TForm1::BtnRectCmdClick));
  column->addWidget(BuildShapeGroup(form, page, kCircleGroup, &TForm1::BtnCircleCmdClick));
  column->addStretch(1);
}

void TForm1::BtnLineCmdClick() {
  const zotpx::LineValues values{EditText(*this, kLineGroup, 0), EditText(*this, kLineGroup, 1),
                                 EditText(*this, kLineGroup, 2), StyleOf(*this, kLineGroup)};
  RunShapeCommand(*this, kLineGroup, zotpx::CheckLine(values),
                  [&] { return zotpx::LineFrame(values); });
}

void TForm1::BtnRectCmdClick() {
  const zotpx::RectValues values{EditText(*this, kRectGroup, 0), EditText(*this, kRectGroup, 1),
                                 EditText(*this, kRectGroup, 2), EditText(*this, kRectGroup, 3),
                                 StyleOf(*this, kRectGroup)};
  RunShapeCommand(*this, kRectGroup, zotpx::CheckRect(values),
                  [&] { return zotpx::RectFrame(values); });
}

void TForm1::BtnCircleCmdClick() {
  const zotpx::CircleValues values{EditText(*this, kCircleGroup, 0),
                                   EditText(*this, kCircleGroup, 1), Index(kCircleGroup.radius),
                                   StyleOf(*this, kCircleGroup)};
  RunShapeCommand(*this, kCircleGroup, zotpx::CheckCircle(values),
                  [&] { return zotpx::CircleFrame(values); });
}
