// The hidden font test group over the right end of the log: walks the device's Chinese font
// one lead byte a click, through the area and string commands of the text page.
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "app/command_controls.h"
#include "app/form.h"
#include "app/geometry.h"
#include "command/font_test.h"

namespace {

void NameRowLabel(QGridLayout* grid, int row, const char* name) {
  grid->itemAtPosition(row, 0)->widget()->setObjectName(QString::fromLatin1(name));
}

}  // namespace

void BuildFontTestGroup(TForm1& form, QWidget* group) {
  auto* grid = new QGridLayout(group);
  grid->setContentsMargins(8, 8, 8, 8);
  grid->setVerticalSpacing(6);
  AddListRow(grid, 0, "ComboTestFont", TForm1::tr("字体："));
  NameRowLabel(grid, 0, "LabelTestFont");
  AddListRow(grid, 1, "ComboTestBlock", TForm1::tr("区码："));
  NameRowLabel(grid, 1, "LabelTestBlock");
  QPushButton* button = AddButtonRow(grid, 2, "BtnTestCmd", TForm1::tr("汉字字库测试"));
  auto* info = new QLabel(TForm1::tr("汉字12个*8行，间距2像素"));
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
  const zotpx::Values area = zotpx::FontTestArea();
  ShowControls(*this, area);
  SendCommand(area);

  const std::uint8_t lead = zotpx::FontTestLead(Index("ComboTestBlock"));
  for (int row = 0; row < zotpx::kFontTestRows; ++row) {
    // The string group shows the row as best it can, yet 0xA0 and 0xFF cells have no way back
    // from Unicode: the command goes with the row's own bytes, not the box's text.
    const zotpx::Values text = zotpx::FontTestString(lead, row);
    ShowControls(*this, text);
    SendCommand(text);
  }

  QComboBox* blocks = Combo("ComboTestBlock");
  const zotpx::FontTestNext next = zotpx::FontTestAdvance(blocks->currentIndex(), blocks->count());
  if (next.wrapped) dialogs().Message(windowTitle(), tr("测试到达最后一块文字区域，将返回到开始"));
  blocks->setCurrentIndex(next.block_index);
}
