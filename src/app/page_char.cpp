// The text characters tab: the text string group and the character area group.
#include <QGridLayout>
#include <QGroupBox>

#include "app/command_controls.h"
#include "app/form.h"
#include "app/geometry.h"

namespace {

const CommandGroup kStringGroup{
    "GroupString",
    QT_TRANSLATE_NOOP("TForm1", " 文本字符 "),
    {"EditString", "EditStringLeft", "EditStringTop", "ComboStringColor", "ComboStringSpace",
     "ComboStringFont", "ComboStringSize", "ComboStringShow"},
    "BtnStringCmd",
    "text",
    &TForm1::BtnStringCmdClick};

const CommandGroup kAreaGroup{"GroupArea",
                              QT_TRANSLATE_NOOP("TForm1", " 字符区域 "),
                              {"EditAreaLeft", "EditAreaTop", "EditAreaRight", "EditAreaBottom",
                               "ComboAreaLayer", "ComboAreaShow"},
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
