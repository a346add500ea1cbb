// The crosshair control tab: the crosshair settings and moving its centre.
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>

#include "app/command_controls.h"
#include "app/form.h"

namespace {

const CommandGroup kSettingsGroup{
    "GroupCrossConfig",
    QT_TRANSLATE_NOOP("TForm1", " 十字线设置 "),
    {"ComboCrossEnable", "ComboCrossSelect", "ComboCrossColor", "ComboCrossKeyStep",
     "ComboCrossTextColor", "ComboCrossTextSpace", "ComboCrossTextFont", "ComboCrossTextSize",
     "ComboCrossTextShow", "EditCrossTextLeft", "EditCrossTextTop"},
    "BtnCrossConfigCmd",
    "cross set",
    &TForm1::BtnCrossConfigCmdClick,
    QT_TRANSLATE_NOOP("TForm1", "请先下载十字线图形，否则本命令可能会失败"),
    "LabelCrossConfigNote"};

const CommandGroup kMoveGroup{"GroupCrossMove",
                              QT_TRANSLATE_NOOP("TForm1", " 十字线移动 "),
                              {"EditCrossCurrentX", "EditCrossCurrentY"},
                              "BtnCrossMoveCmd",
                              "cross move",
                              &TForm1::BtnCrossMoveCmdClick};

}  // namespace

void BuildCrossCtrlPage(TForm1& form, QWidget* page) {
  auto* box = new QHBoxLayout(page);
  box->setContentsMargins(4, 6, 4, 4);
  box->setSpacing(6);
  box->addWidget(BuildCommandGroup(form, page, kSettingsGroup), 1);
  QGroupBox* move = BuildCommandGroup(form, page, kMoveGroup);
  // The long labels must not squeeze the three digits out of sight.
  for (QLineEdit* edit : move->findChildren<QLineEdit*>()) edit->setMinimumWidth(48);
  box->addWidget(move, 0, Qt::AlignTop);
}

void TForm1::BtnCrossConfigCmdClick() {
  RunCommandRow(kSettingsGroup.command);
}

void TForm1::BtnCrossMoveCmdClick() {
  RunCommandRow(kMoveGroup.command);
}
