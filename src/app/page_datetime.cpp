// The date and time tab: the date and time display fields, and setting the device clock.
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include "app/form.h"
#include "app/geometry.h"
#include "base/captions.h"
#include "device/clock_cmd.h"
#include "device/date_time.h"

namespace {

// The date and time groups are one family: same rows, same command, their own controls.
struct ClockFieldGroup {
  zotpx::ClockField field;
  const char* group;
  const char* caption;
  const char* button;
  const char* button_caption;
  const char* color;
  const char* space;
  const char* font;
  const char* size;
  const char* format;
  const char* format_label;
  const char* format_default;
  int format_max;
  const char* show;
  const char* left;
  const char* top;
  const char* top_default;
};

constexpr ClockFieldGroup kDateGroup{.field = zotpx::ClockField::Date,
                                     .group = "GroupDate",
                                     .caption = " 日期 ",
                                     .button = "BtnDateCmd",
                                     .button_caption = zotpx::captions::kBtnDateCmd,
                                     .color = "ComboDateColor",
                                     .space = "ComboDateSpace",
                                     .font = "ComboDateFont",
                                     .size = "ComboDateSize",
                                     .format = "EditDateFormat",
                                     .format_label = "日期格式：",
                                     .format_default = "yyyy/mm/dd",
                                     .format_max = 10,
                                     .show = "ComboDateShow",
                                     .left = "EditDateLeft",
                                     .top = "EditDateTop",
                                     .top_default = "0"};
constexpr ClockFieldGroup kTimeGroup{.field = zotpx::ClockField::Time,
                                     .group = "GroupTime",
                                     .caption = " 时间 ",
                                     .button = "BtnTimeCmd",
                                     .button_caption = zotpx::captions::kBtnTimeCmd,
                                     .color = "ComboTimeColor",
                                     .space = "ComboTimeSpace",
                                     .font = "ComboTimeFont",
                                     .size = "ComboTimeSize",
                                     .format = "EditTimeFormat",
                                     .format_label = "时间格式：",
                                     .format_default = "hh:mm:ss",
                                     .format_max = 8,
                                     .show = "ComboTimeShow",
                                     .left = "EditTimeLeft",
                                     .top = "EditTimeTop",
                                     .top_default = "18"};

constexpr int kCoordinateMaxLength = 3;

QGroupBox* BuildClockFieldGroup(TForm1& form, QWidget* page, const ClockFieldGroup& g,
                                void (TForm1::*handler)()) {
  QGridLayout* grid = nullptr;
  QGroupBox* group = MakeGroup(page, g.group, QString::fromUtf8(g.caption), &grid);
  AddComboRow(grid, 0, g.color, QStringLiteral("颜色设置："));
  AddComboRow(grid, 1, g.space, QStringLiteral("字符间距："));
  AddComboRow(grid, 2, g.font, QStringLiteral("字体选择："));
  AddComboRow(grid, 3, g.size, QStringLiteral("放大倍数："));
  AddEditRow(grid, 4, g.format, QString::fromUtf8(g.format_label),
             QString::fromUtf8(g.format_default), g.format_max);
  AddComboRow(grid, 5, g.show, QStringLiteral("显示控制："));
  AddEditRow(grid, 6, g.left, QStringLiteral("左上角X坐标："), QStringLiteral("292"),
             kCoordinateMaxLength);
  AddEditRow(grid, 7, g.top, QStringLiteral("左上角Y坐标："), QString::fromUtf8(g.top_default),
             kCoordinateMaxLength);
  QPushButton* button = AddButtonRow(grid, 8, g.button, QString::fromUtf8(g.button_caption));
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(9, 1);
  form.Bind(button, handler);
  return group;
}

void RunClockFieldCommand(TForm1& form, const ClockFieldGroup& g) {
  const std::string title = form.Caption(g.button);
  zotpx::DateTimeValues values;
  values.field = g.field;
  values.left = form.Text(g.left);
  values.top = form.Text(g.top);
  values.format = form.Text(g.format);
  values.attributes = {form.Index(g.color), form.Index(g.space), form.Index(g.font),
                       form.Index(g.size), form.Index(g.show)};
  if (const auto failure = zotpx::CheckDateTime(values)) {
    form.SetStatus(title + *failure);
    return;
  }
  zotpx::RunCommand(form, title, form.CurrentLink(), [&] { return zotpx::DateTimeFrame(values); });
}

}  // namespace

void BuildDateTimePage(TForm1& form, QWidget* page) {
  auto* grid = new QGridLayout(page);
  grid->setContentsMargins(8, 8, 8, 8);
  grid->setHorizontalSpacing(12);
  grid->addWidget(BuildClockFieldGroup(form, page, kDateGroup, &TForm1::BtnDateCmdClick), 0, 0);
  grid->addWidget(BuildClockFieldGroup(form, page, kTimeGroup, &TForm1::BtnTimeCmdClick), 0, 1);

  auto* clock = new QGridLayout;
  QLabel* note = AddNoteRow(clock, 0, QStringLiteral("取计算机当前日期时间"));
  note->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  QPushButton* set_time = AddButtonRow(clock, 0, "BtnSetTimeCmd",
                                       QString::fromUtf8(zotpx::captions::kBtnSetTimeCmd), 2);
  clock->setColumnStretch(0, 1);
  grid->addLayout(clock, 1, 0, 1, 2);
  grid->setRowStretch(2, 1);
  form.Bind(set_time, &TForm1::BtnSetTimeCmdClick);
}

void TForm1::BtnDateCmdClick() {
  RunClockFieldCommand(*this, kDateGroup);
}

void TForm1::BtnTimeCmdClick() {
  RunClockFieldCommand(*this, kTimeGroup);
}

void TForm1::BtnSetTimeCmdClick() {
  // The clock is read once, after the port is open, so the time sent is as fresh as it can be.
  zotpx::RunCommand(*this, Caption("BtnSetTimeCmd"), CurrentLink(),
                    [this] { return zotpx::ClockFrame(Now()); });
}
