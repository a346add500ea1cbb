// The three bitmap tabs (flashing and oversized bitmap characters, the single-colour bitmap):
// one page type with its settings, its bitmap slot and its command, made three times.
#include <QGridLayout>
#include <QGroupBox>
#include <QVBoxLayout>
#include <vector>

#include "app/bitmap_slots.h"
#include "app/command_controls.h"
#include "app/geometry.h"

namespace {

struct BitmapPageDef {
  const char* command;  // the table's row
  const char* group;
  const char* caption;
  std::vector<ControlRow> controls;  // in the page's order
  const char* button;
  void (TForm1::*send)();
  const BitmapSlotDef& slot;
  void (TForm1::*select)();
};

const BitmapPageDef kFlashingPage{"bitmap flashing",
                                  "GroupBitemap",
                                  " 闪烁位图字符 ",
                                  {{"ComboBitmapColor", "颜色设置："},
                                   {"ComboBitmapCycle", "闪烁周期："},
                                   {"ComboBitmapShow", "显示控制："},
                                   {"ComboBitmapFlash", "自动闪烁："},
                                   {"EditBitmapLeft", "左上角X坐标："},
                                   {"EditBitmapTop", "左上角Y坐标："}},
                                  "BtnBitmapCmd",
                                  &TForm1::BtnBitmapCmdClick,
                                  kFlashingSlot,
                                  &TForm1::LabelBitmapSelectClick};
const BitmapPageDef kOversizedPage{"bitmap oversized",
                                   "GroupSuperBitmap",
                                   " 超大位图字符 ",
                                   {{"ComboSuperBitmapColor", "颜色设置："},
                                    {"ComboSuperBitmapShow", "显示控制："},
                                    {"EditSuperBitmapLeft", "左上角X坐标："},
                                    {"EditSuperBitmapTop", "左上角Y坐标："},
                                    {"CheckSuperBitmapData", "仅发送控制参数(无位图数据)"}},
                                   "BtnSuperBitmapCmd",
                                   &TForm1::BtnSuperBitmapCmdClick,
                                   kOversizedSlot,
                                   &TForm1::LabelSuperBitmapSelectClick};
const BitmapPageDef kSingleColourPage{"bitmap single",
                                      "GroupSingleBitmap",
                                      " 单色位图 ",
                                      {{"ComboSingleBitmapColor", "颜色设置："},
                                       {"ComboSingleBitmapShow", "显示控制："},
                                       {"EditSingleBitmapLeft", "左上角X坐标："},
                                       {"EditSingleBitmapTop", "左上角Y坐标："},
                                       {"CheckSingleBitmapData", "仅发送控制参数(无位图数据)"}},
                                      "BtnSingleBitmapCmd",
                                      &TForm1::BtnSingleBitmapCmdClick,
                                      kSingleColourSlot,
                                      &TForm1::LabelSingleBitmapSelectClick};

// The settings and the button down the left, the slot's rows below them, the preview on the
// right beside all of them.
void BuildBitmapPage(TForm1& form, QWidget* page, const BitmapPageDef& def) {
  QGridLayout* grid = nullptr;
  QGroupBox* group = MakeGroup(page, def.group, QString::fromUtf8(def.caption), &grid);
  int row = 0;
  for (const auto& [control, label] : def.controls)
    AddControlRow(grid, row++, control, QString::fromUtf8(label));
  AddCommandButton(form, grid, row++, def.button, def.command, def.send);
  QWidget* panel = AddBitmapSlotRows(form, grid, row, def.slot, def.select);
  row += 3;
  grid->addWidget(panel, 0, 2, row, 1, Qt::AlignTop | Qt::AlignHCenter);
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(2, 1);
  grid->setRowStretch(row, 1);

  auto* box = new QVBoxLayout(page);
  box->setContentsMargins(8, 8, 8, 8);
  box->addWidget(group);
}

}  // namespace

void BuildCharBitmapPage(TForm1& form, QWidget* page) {
  BuildBitmapPage(form, page, kFlashingPage);
}
void BuildCharSuperPage(TForm1& form, QWidget* page) {
  BuildBitmapPage(form, page, kOversizedPage);
}
void BuildGraphicBitmapPage(TForm1& form, QWidget* page) {
  BuildBitmapPage(form, page, kSingleColourPage);
}

void TForm1::LabelBitmapSelectClick() {
  LoadBitmapSlot(*this, kFlashingSlot);
}
void TForm1::LabelSuperBitmapSelectClick() {
  LoadBitmapSlot(*this, kOversizedSlot);
}
void TForm1::LabelSingleBitmapSelectClick() {
  LoadBitmapSlot(*this, kSingleColourSlot);
}

void TForm1::BtnBitmapCmdClick() {
  RunCommandRow(kFlashingPage.command);
}
void TForm1::BtnSuperBitmapCmdClick() {
  RunCommandRow(kOversizedPage.command);
}
void TForm1::BtnSingleBitmapCmdClick() {
  RunCommandRow(kSingleColourPage.command);
}
