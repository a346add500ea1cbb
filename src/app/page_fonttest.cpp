// The hidden font test group over the right end of the log: walks the device's Chinese font
// one lead byte a click, through the area and string commands of the text page.
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "app/command_controls.h"
#include "app/form.h"
#include "app/geometry.h"
#include "text/cp936.h"
#include "text/font_test.h"

namespace {

const QString kWrapText = QStringLiteral("测试到达最后一块文字区域，将返回到开始");

void NameRowLabel(QGridLayout* grid, int row, const char* name) {
  grid->itemAtPosition(row, 0)->widget()->setObjectName(QString::fromLatin1(name));
}

void SetAreaFields(TForm1& form, const zotpx::CharAreaValues& area) {
  form.Combo("ComboAreaLayer")->setCurrentIndex(area.layer);
  form.Combo("ComboAreaShow")->setCurrentIndex(area.clear);
  form.SetText("EditAreaLeft", QString::fromStdString(area.left));
  form.SetText("EditAreaTop", QString::fromStdString(area.top));
  form.SetText("EditAreaRight", QString::fromStdString(area.right));
  form.SetText("EditAreaBottom", QString::fromStdString(area.bottom));
}

// The string command as its button runs it, but with the row's own bytes: the field shows them
// as best it can, yet 0xA0 and 0xFF cells have no way back from Unicode.
void RunStringRow(TForm1& form, const zotpx::Bytes& text) {
  zotpx::Values values(*zotpx::FindRow("text"));
  ReadControls(form, values);
  values["text"].bytes = text;
  form.SendCommand(std::move(values));
}

void SetStringAttributes(TForm1& form, const zotpx::TextAttributes& a) {
  form.Combo("ComboStringColor")->setCurrentIndex(a.colour);
  form.Combo("ComboStringSpace")->setCurrentIndex(a.spacing);
  form.Combo("ComboStringFont")->setCurrentIndex(a.font);
  form.Combo("ComboStringSize")->setCurrentIndex(a.magnification);
  form.Combo("ComboStringShow")->setCurrentIndex(a.hide);
}

}  // namespace

void BuildFontTestGroup(TForm1& form, QWidget* group) {
  auto* grid = new QGridLayout(group);
  grid->setContentsMargins(8, 8, 8, 8);
  grid->setVerticalSpacing(6);
  AddControlRow(grid, 0, "ComboTestFont", QStringLiteral("字体："));
  NameRowLabel(grid, 0, "LabelTestFont");
  AddControlRow(grid, 1, "ComboTestBlock", QStringLiteral("区码："));
  NameRowLabel(grid, 1, "LabelTestBlock");
  QPushButton* button = AddButtonRow(grid, 2, "BtnTestCmd", QStringLiteral("汉字字库测试"));
  auto* info = new QLabel(QStringLiteral("汉字12个*8行，间距2像素"));
  info->setObjectName(QStringLiteral("LabelTestInfo"));
  info->setWordWrap(true);
  grid->addWidget(info, 3, 0, 1, 2);
  grid->setColumnStretch(1, 1);
  form.Bind(button, &TForm1::BtnTestCmdClick);
}

void TForm1::PanelTestDblClick() {
  auto* group = Ctl<QWidget>("GroupTest");
  group->setHidden(!group->isHidden());
}

void TForm1::BtnTestCmdClick() {
  SetAreaFields(*this, zotpx::kFontTestArea);
  BtnAreaCmdClick();

  SetStringAttributes(*this, zotpx::kFontTestAttributes);
  SetText("EditStringLeft", QString::number(zotpx::kFontTestLeft));
  const std::uint8_t lead = zotpx::FontTestLead(Index("ComboTestBlock"));
  for (int row = 0; row < zotpx::kFontTestRows; ++row) {
    const zotpx::Bytes text = zotpx::FontTestRow(lead, row);
    SetText("EditString", QString::fromStdString(zotpx::Cp936ToUtf8Lossy(text)));
    SetText("EditStringTop", QString::number(zotpx::FontTestRowTop(row)));
    RunStringRow(*this, text);
  }

  QComboBox* blocks = Combo("ComboTestBlock");
  const zotpx::FontTestNext next = zotpx::FontTestAdvance(blocks->currentIndex(), blocks->count());
  if (next.wrapped) dialogs().Message(windowTitle(), kWrapText);
  blocks->setCurrentIndex(next.block_index);
}
