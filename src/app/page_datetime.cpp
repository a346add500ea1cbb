// The date and time tab: the date and time display fields, and setting the device clock.
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>

#include "app/command_controls.h"
#include "app/form.h"
#include "app/geometry.h"

namespace {

// The date and time groups are one family: the same rows over their own controls.
const CommandGroup kDateGroup{"GroupDate",
                              QT_TRANSLATE_NOOP("TForm1", " 日期 "),
                              {"ComboDateColor", "ComboDateSpace", "ComboDateFont", "ComboDateSize",
                               "EditDateFormat", "ComboDateShow", "EditDateLeft", "EditDateTop"},
                              "BtnDateCmd",
                              "date",
                              &TForm1::BtnDateCmdClick};
const CommandGroup kTimeGroup{"GroupTime",
                              QT_TRANSLATE_NOOP("TForm1", " 时间 "),
                              {"ComboTimeColor", "ComboTimeSpace", "ComboTimeFont", "ComboTimeSize",
                               "EditTimeFormat", "ComboTimeShow", "EditTimeLeft", "EditTimeTop"},
                              "BtnTimeCmd",
                              "time",
                              &TForm1::BtnTimeCmdClick};

}  // namespace

void BuildDateTimePage(TForm1& form, QWidget* page) {
  auto* grid = new QGridLayout(page);
  grid->setContentsMargins(8, 8, 8, 8);
  grid->setHorizontalSpacing(12);
  grid->addWidget(BuildCommandGroup(form, page, kDateGroup), 0, 0);
  grid->addWidget(BuildCommandGroup(form, page, kTimeGroup), 0, 1);

  auto* clock = new QGridLayout;
  QLabel* note = AddNoteRow(clock, 0, TForm1::tr("取计算机当前日期时间"));
  note->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  AddCommandButton(form, clock, 0, "BtnSetTimeCmd", "clock", &TForm1::BtnSetTimeCmdClick, 2);
  clock->setColumnStretch(0, 1);
  grid->addLayout(clock, 1, 0, 1, 2);
  grid->setRowStretch(2, 1);
}

void TForm1::BtnDateCmdClick() {
  RunCommandRow(kDateGroup.command);
}

void TForm1::BtnTimeCmdClick() {
  RunCommandRow(kTimeGroup.command);
}

void TForm1::BtnSetTimeCmdClick() {
  RunCommandRow("clock");
}
