// The flashing bitmap character tab: its settings, its bitmap slot and its one-frame command.
#include <QGridLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/bitmap_slots.h"
#include "app/geometry.h"
#include "base/captions.h"

void BuildCharBitmapPage(TForm1& form, QWidget* page) {
  QGridLayout* grid = nullptr;
  QGroupBox* group = MakeGroup(page, "GroupBitemap", QStringLiteral(" 闪烁位图字符 "), &grid);
  AddComboRow(grid, 0, "ComboBitmapColor", QStringLiteral("颜色设置："));
  AddComboRow(grid, 1, "ComboBitmapCycle", QStringLiteral("闪烁周期："));
  AddComboRow(grid, 2, "ComboBitmapShow", QStringLiteral("显示控制："));
  AddComboRow(grid, 3, "ComboBitmapFlash", QStringLiteral("自动闪烁："));
  AddEditRow(grid, 4, "EditBitmapLeft", QStringLiteral("左上角X坐标："), QStringLiteral("5"), 3);
  AddEditRow(grid, 5, "EditBitmapTop", QStringLiteral("左上角Y坐标："), QStringLiteral("100"), 3);
  QPushButton* button =
      AddButtonRow(grid, 6, "BtnBitmapCmd", QString::fromUtf8(zotpx::captions::kBtnBitmapCmd));
  QWidget* panel = AddBitmapSlotRows(form, grid, 7, kFlashingSlot, &TForm1::LabelBitmapSelectClick);
  grid->addWidget(panel, 0, 2, 10, 1, Qt::AlignTop | Qt::AlignHCenter);
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(2, 1);
  grid->setRowStretch(10, 1);
  form.Bind(button, &TForm1::BtnBitmapCmdClick);

  auto* box = new QVBoxLayout(page);
  box->setContentsMargins(8, 8, 8, 8);
  box->addWidget(group);
}

void TForm1::LabelBitmapSelectClick() {
  LoadBitmapSlot(*this, kFlashingSlot);
}

void TForm1::BtnBitmapCmdClick() {
  const std::string title = Caption("BtnBitmapCmd");
  const zotpx::FlashBitmapValues values{Text("EditBitmapLeft"),    Text("EditBitmapTop"),
                                        Index("ComboBitmapColor"), Index("ComboBitmapFlash"),
                                        Index("ComboBitmapCycle"), Index("ComboBitmapShow")};
  const zotpx::LoadedBitmap* picture = LoadedPicture(*this, kFlashingSlot);
  if (const auto failure = zotpx::CheckFlashBitmap(values, picture)) {
    SetStatus(title + *failure);
    return;
  }
  zotpx::RunCommand(*this, title, CurrentLink(),
                    [&] { return zotpx::FlashBitmapFrame(values, *picture); });
}
