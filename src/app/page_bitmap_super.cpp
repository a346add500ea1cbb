// The oversized bitmap character tab: its settings, its bitmap slot and its run of data
// frames and control frame.
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/bitmap_slots.h"
#include "app/geometry.h"
#include "base/captions.h"

void BuildCharSuperPage(TForm1& form, QWidget* page) {
  QGridLayout* grid = nullptr;
  QGroupBox* group = MakeGroup(page, "GroupSuperBitmap", QStringLiteral(" 超大位图字符 "), &grid);
  AddComboRow(grid, 0, "ComboSuperBitmapColor", QStringLiteral("颜色设置："));
  AddComboRow(grid, 1, "ComboSuperBitmapShow", QStringLiteral("显示控制："));
  AddEditRow(grid, 2, "EditSuperBitmapLeft", QStringLiteral("左上角X坐标："), QStringLiteral("55"),
             3);
  AddEditRow(grid, 3, "EditSuperBitmapTop", QStringLiteral("左上角Y坐标："), QStringLiteral("100"),
             3);
  AddCheckRow(grid, 4, "CheckSuperBitmapData", QStringLiteral("仅发送控制参数(无位图数据)"), false);
  QPushButton* button = AddButtonRow(grid, 5, "BtnSuperBitmapCmd",
                                     QString::fromUtf8(zotpx::captions::kBtnSuperBitmapCmd));
  QWidget* panel =
      AddBitmapSlotRows(form, grid, 6, kOversizedSlot, &TForm1::LabelSuperBitmapSelectClick);
  grid->addWidget(panel, 0, 2, 9, 1, Qt::AlignTop | Qt::AlignHCenter);
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(2, 1);
  grid->setRowStretch(9, 1);
  form.Bind(button, &TForm1::BtnSuperBitmapCmdClick);

  auto* box = new QVBoxLayout(page);
  box->setContentsMargins(8, 8, 8, 8);
  box->addWidget(group);
}

void TForm1::LabelSuperBitmapSelectClick() {
  LoadBitmapSlot(*this, kOversizedSlot);
}

void TForm1::BtnSuperBitmapCmdClick() {
  const std::string title = Caption("BtnSuperBitmapCmd");
  const zotpx::BlockBitmapValues values{
      Text("EditSuperBitmapLeft"), Text("EditSuperBitmapTop"), Index("ComboSuperBitmapColor"),
      Index("ComboSuperBitmapShow"), Check("CheckSuperBitmapData")->isChecked()};
  const zotpx::LoadedBitmap* picture = LoadedPicture(*this, kOversizedSlot);
  if (const auto failure = zotpx::CheckBlockBitmap(zotpx::kSuperBitmapCommand, values, picture)) {
    SetStatus(title + *failure);
    return;
  }
  zotpx::RunCommandFrames(*this, title, CurrentLink(), [&] {
    return zotpx::BlockBitmapFrames(zotpx::kSuperBitmapCommand, values, *picture);
  });
}
