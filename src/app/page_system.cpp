// The system control group: model, port and rate, the two downloads, the system parameters.
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/command_controls.h"
#include "app/form.h"
#include "app/geometry.h"
#include "app/port_combo.h"
#include "base/texts.h"

namespace {

constexpr int kRowHeight = 24;

// Shown for reading only: the program sets these, the operator cannot.
void MakeDisplayOnly(QWidget* field) {
  field->setEnabled(false);
  QPalette palette = field->palette();
  const QColor grey(224, 224, 224);
  const QColor text(48, 48, 48);  // still readable: the operator needs the model and rate
  palette.setColor(QPalette::Disabled, QPalette::Base, grey);
  palette.setColor(QPalette::Disabled, QPalette::Button, grey);
  palette.setColor(QPalette::Disabled, QPalette::Text, text);
  palette.setColor(QPalette::Disabled, QPalette::ButtonText, text);
  field->setPalette(palette);
}

QFrame* AddSeparator(QVBoxLayout* box, const char* name) {
  auto* line = new QFrame;
  line->setObjectName(QString::fromLatin1(name));
  line->setFrameStyle(QFrame::HLine | QFrame::Sunken);
  line->setFixedHeight(2);
  box->addWidget(line);
  return line;
}

QGridLayout* AddGrid(QVBoxLayout* box) {
  auto* grid = new QGridLayout;
  grid->setVerticalSpacing(2);
  grid->setHorizontalSpacing(4);
  box->addLayout(grid);
  return grid;
}

// Long items (device paths, "15(最大)") must not widen the fixed-width group.
void KeepNarrow(QWidget* field) {
  auto* combo = qobject_cast<QComboBox*>(field);
  combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  combo->setMinimumContentsLength(4);
}

}  // namespace

void BuildSystemGroup(TForm1& form, QWidget* group) {
  auto* box = new QVBoxLayout(group);
  box->setContentsMargins(8, 4, 8, 6);
  box->setSpacing(4);

  QGridLayout* device = AddGrid(box);
  QWidget* model = AddListRow(device, 0, "ComboDeviceType", QStringLiteral("型号："));
  KeepNarrow(model);
  auto* port = new PortCombo;
  const zotpx::ComboDef& ports = *zotpx::FindComboDef("UartPort");
  FillCombo(port, "UartPort", ports, ports.default_index);
  port->AcceptTypedNames();
  KeepNarrow(port);
  port->Refresh();
  AddFieldRow(device, 1, port, QStringLiteral("串口："));
  QPushButton* search = AddButtonRow(device, 2, "BtnSearchCmd",
                                     QString::fromUtf8(zotpx::Text("caption.BtnSearchCmd")));
  QWidget* baud = AddListRow(device, 3, "UartBaud", QStringLiteral("速率："));
  KeepNarrow(baud);
  auto* version = new QLineEdit(QStringLiteral("未知版本"));
  version->setObjectName(QStringLiteral("EditVersion"));
  version->setAccessibleName(QStringLiteral("版本"));
  device->addWidget(version, 4, 0, 1, 2);
  device->setColumnStretch(1, 1);
  MakeDisplayOnly(model);
  MakeDisplayOnly(baud);
  MakeDisplayOnly(version);

  AddSeparator(box, "Panel1");
  QGridLayout* downloads = AddGrid(box);
  QPushButton* eeprom = AddButtonRow(downloads, 0, "BtnEepromCmd",
                                     QString::fromUtf8(zotpx::Text("caption.BtnEepromCmd")));
  QPushButton* statics = AddButtonRow(downloads, 1, "BtnStaticCmd",
                                      QString::fromUtf8(zotpx::Text("caption.BtnStaticCmd")));

  AddSeparator(box, "PanelGroup1");
  QGridLayout* offsets = AddGrid(box);
  KeepNarrow(AddControlRow(offsets, 0, "ComboColumnOffsetEx"));
  KeepNarrow(AddControlRow(offsets, 1, "ComboColumnOffsetIn"));
  offsets->setColumnStretch(1, 1);

  QGridLayout* keys = AddGrid(box);
  static const char* const kKeys[] = {"ComboKey1", "ComboKey2", "ComboKey3",
                                      "ComboKey4", "ComboKey5", "ComboKey6"};
  for (int i = 0; i < 6; ++i) KeepNarrow(AddControlRow(keys, i % 3, kKeys[i], i < 3 ? 0 : 2));
  keys->setColumnStretch(1, 1);
  keys->setColumnStretch(3, 1);
  keys->setColumnMinimumWidth(2, 44);

  QGridLayout* config = AddGrid(box);
  AddControlRow(config, 0, "CheckEnable");
  AddCommandButton(form, config, 1, "BtnConfigCmd", "params", &TForm1::BtnConfigCmdClick);

  // Fourteen rows share the group's 425 pixels: keep every row one text line tall.
  for (QWidget* field : group->findChildren<QWidget*>()) {
    if (qobject_cast<QComboBox*>(field) || qobject_cast<QPushButton*>(field) ||
        qobject_cast<QLineEdit*>(field))
      field->setFixedHeight(kRowHeight);
  }

  form.Bind(search, &TForm1::BtnSearchCmdClick);
  form.Bind(eeprom, &TForm1::BtnEepromCmdClick);
  form.Bind(statics, &TForm1::BtnStaticCmdClick);
}

void TForm1::BtnConfigCmdClick() {
  RunCommandRow("params");
}
