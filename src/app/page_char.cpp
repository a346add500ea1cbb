// The text characters tab: the text string group and the character area group.
#include <QGridLayout>
#include <QGroupBox>

#include "app/command_controls.h"
#include "app/form.h"
#include "app/geometry.h"

namespace {

const CommandGroup kStringGroup{"GroupString",
                                " 文本字符 ",
                                {{"EditString", "字符输入："},
                                 {"EditStringLeft", "左上角X坐标："},
                                 {"EditStringTop", "左上角Y坐标："},
                                 {"ComboStringColor", "颜色设置："},
                                 {"ComboStringSpace", "字符间距："},
                                 {"ComboStringFont", "字体选择："},
                                 {"ComboStringSize", "放大倍数："},
                                 {"ComboStringShow", "显示控制："}},
                                "BtnStringCmd",
                                "text",
                                &TForm1::BtnStringCmdClick};

const CommandGroup kAreaGroup{"GroupArea",
                              " 字符区域 ",
                              {{"EditAreaLeft", "左上角X坐标："},
                               {"EditAreaTop", "左上角Y坐标："},
                               {"EditAreaRight", "右下角X坐标："},
                               {"EditAreaBottom", "右下角Y坐标："},
                               {"ComboAreaLayer", "图层："},
                               {"ComboAreaShow", "控制："}},
                              "BtnAreaCmd",
                              "area",
                              &TForm1::BtnAreaCmdClick};

}  // namespace

void BuildCharStringPage(TForm1& form, QWidget* page) {
  auto* grid = new QGridLayout(page);
  grid->setContentsMargins(8, 8, 8, 8);
  grid->setHorizontalSpacing(12);
  grid->addWidget(BuildCommandGroup(form, page, kStringGroup), 0, 0);
  grid->addWidget(BuildCommandGroup(form, page, kAreaGroup), 0, 1);
  grid->setColumnStretch(0, 3);
  grid->setColumnStretch(1, 2);
}

void TForm1::BtnStringCmdClick() {
  RunCommandRow(kStringGroup.command);
}

void TForm1::BtnAreaCmdClick() {
  RunCommandRow(kAreaGroup.command);
}
