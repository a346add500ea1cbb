// The single-colour bitmap tab: its settings, its bitmap slot and its run of data frames and
// control frame.
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/bitmap_slots.h"
#include "app/geometry.h"
#include "base/captions.h"

void BuildGraphicBitmapPage(TForm1& form, QWidget* page) {
  QGridLayout* grid = nullptr;
  QGroupBox* group = MakeGroup(page, "GroupSingleBitmap", QStringLiteral(" 单色位图 "), &grid);
  AddComboRow(grid, 0, "ComboSingleBitmapColor", QStringLiteral("颜色设置："));
  AddComboRow(grid, 1, "ComboSingleBitmapShow", QStringLiteral("显示控制："));
  AddEditRow(grid, 2, "EditSingleBitmapLeft", QStringLiteral("左上角X坐标："),
             QStringLiteral("185"), 3);
  AddEditRow(grid, 3, "EditSingleBitmapTop", QStringLiteral("左上角Y坐标："), QStringLiteral("100"),
             3);
  AddCheckRow(grid, 4, "CheckSingleBitmapData", QStringLiteral("仅发送控制参数(无位图数据)"),
              false);
  QPushButton* button = AddButtonRow(grid, 5, "BtnSingleBitmapCmd",
                                     QString::fromUtf8(zotpx::captions::kBtnSingleBitmapCmd));
  QWidget* panel =
      AddBitmapSlotRows(form, grid, 6, kSingleColourSlot, &TForm1::LabelSingleBitmapSelectClick);
  grid->addWidget(panel, 0, 2, 9, 1, Qt::AlignTop | Qt::AlignHCenter);
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(9, 1);
  form.Bind(button, &TForm1::BtnSingleBitmapCmdClick);

  auto* box = new QVBoxLayout(page);
  box->setContentsMargins(8, 8, 8, 8);
  box->addWidget(group);
}

void TForm1::LabelSingleBitmapSelectClick() {
  LoadBitmapSlot(*this, kSingleColourSlot);
}

void TForm1::BtnSingleBitmapCmdClick() {
  const std::string title = Caption("BtnSingleBitmapCmd");
  const zotpx::BlockBitmapValues values{
      Text("EditSingleBitmapLeft"), Text("EditSingleBitmapTop"), Index("ComboSingleBitmapColor"),
      Index("ComboSingleBitmapShow"), Check("CheckSingleBitmapData")->isChecked()};
  const zotpx::LoadedBitmap* picture = LoadedPicture(*this, kSingleColourSlot);
  if (const auto failure = zotpx::CheckBlockBitmap(zotpx::kSingleBitmapCommand, values, picture)) {
    SetStatus(title + *failure);
    return;
  }
  zotpx::RunCommandFrames(*this, title, CurrentLink(), [&] {
    return zotpx::BlockBitmapFrames(zotpx::kSingleBitmapCommand, values, *picture);
  });
}
