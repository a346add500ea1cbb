// The crosshair control tab: the crosshair settings and moving its centre.
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>

#include "app/command_controls.h"
#include "app/form.h"

namespace {

const CommandGroup kSettingsGroup{"GroupCrossConfig",
                                  " 十字线设置 ",
                                  {{"ComboCrossEnable", "十字线功能："},
                                   {"ComboCrossSelect", "十字线图形："},
                                   {"ComboCrossColor", "十字线颜色："},
                                   {"ComboCrossKeyStep", "键盘快速移动："},
                                   {"ComboCrossTextColor", "坐标文本颜色设置："},
                                   {"ComboCrossTextSpace", "坐标文本字符间距："},
                                   {"ComboCrossTextFont", "坐标文本字体选择："},
                                   {"ComboCrossTextSize", "坐标文本放大倍数："},
                                   {"ComboCrossTextShow", "坐标文本显示控制："},
                                   {"EditCrossTextLeft", "坐标文本左上角X坐标："},
                                   {"EditCrossTextTop", "坐标文本左上角Y坐标："}},
                                  "BtnCrossConfigCmd",
                                  "cross set",
                                  &TForm1::BtnCrossConfigCmdClick,
                                  "请先下载十字线图形，否则本命令可能会失败",
                                  "LabelCrossConfigNote"};

const CommandGroup kMoveGroup{"GroupCrossMove",
                              " 十字线移动 ",
                              {{"EditCrossCurrentX", "十字线移动位置X坐标(中心点)："},
                               {"EditCrossCurrentY", "十字线移动位置Y坐标(中心点)："}},
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
