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
  std::vector<const char*> controls;  // in the page's order, labelled by their fields
  const char* button;
  void (TForm1::*send)();
  const BitmapSlotDef& slot;
  void (TForm1::*select)();
};

const BitmapPageDef kFlashingPage{"bitmap flashing",
                                  "GroupBitemap",
                                  QT_TRANSLATE_NOOP("TForm1", " 闪烁位图字符 "),
                                  {"ComboBitmapColor", "ComboBitmapCycle", "ComboBitmapShow",
                                   "ComboBitmapFlash", "EditBitmapLeft", "EditBitmapTop"},
                                  "BtnBitmapCmd",
                                  &TForm1::BtnBitmapCmdClick,
                                  kFlashingSlot,
                                  &TForm1::LabelBitmapSelectClick};
const BitmapPageDef kOversizedPage{
    "bitmap oversized",
    "GroupSuperBitmap",
    QT_TRANSLATE_NOOP("TForm1", " 超大位图字符 "),
    {"ComboSuperBitmapColor", "ComboSuperBitmapShow", "EditSuperBitmapLeft", "EditSuperBitmapTop",
     "CheckSuperBitmapData"},
    "BtnSuperBitmapCmd",
    &TForm1::BtnSuperBitmapCmdClick,
    kOversizedSlot,
    &TForm1::LabelSuperBitmapSelectClick};
const BitmapPageDef kSingleColourPage{
    "bitmap single",
    "GroupSingleBitmap",
    QT_TRANSLATE_NOOP("TForm1", " 单色位图 "),
    {"ComboSingleBitmapColor", "ComboSingleBitmapShow", "EditSingleBitmapLeft",
     "EditSingleBitmapTop", "CheckSingleBitmapData"},
    "BtnSingleBitmapCmd",
    &TForm1::BtnSingleBitmapCmdClick,
    kSingleColourSlot,
    &TForm1::LabelSingleBitmapSelectClick};

// The settings and the button down the left, the slot's rows below them, the preview on the
// right beside all of them.
void BuildBitmapPage(TForm1& form, QWidget* page, const BitmapPageDef& def) {
  QGridLayout* grid = nullptr;
  QGroupBox* group = MakeGroup(page, def.group, TForm1::tr(def.caption), &grid);
  int row = 0;
  for (const char* control : def.controls) AddControlRow(grid, row++, control);
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
