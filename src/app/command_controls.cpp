#include "app/command_controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <stdexcept>

#include "app/bitmap_slots.h"
#include "app/cp936_edit.h"
#include "app/form.h"
#include "app/geometry.h"
#include "command/codec.h"
#include "text/cp936.h"

namespace {

using zotpx::FieldKind;

// The form names its check boxes Check...: a flag or an on/off list shown as one.
bool IsCheckBox(std::string_view control) {
  return control.substr(0, 5) == "Check";
}

// An edit box holds as many characters as its largest number has digits (384: 3).
int DigitsOf(int max) {
  return static_cast<int>(std::to_string(max).size());
}

std::logic_error NoSuchControl(std::string_view control) {
  return std::logic_error("no control " + std::string(control) + " in the command table");
}

const zotpx::CommandRow& RowNamed(std::string_view command) {
  const zotpx::CommandRow* row = zotpx::FindRow(command);
  if (!row) throw std::logic_error("no command " + std::string(command) + " in the command table");
  return *row;
}

}  // namespace

const zotpx::FieldDef* FindControlField(std::string_view control) {
  for (const zotpx::CommandRow& row : zotpx::CommandRows())
    for (const zotpx::FieldDef& field : row.fields)
      if (field.control == control) return &field;
  return nullptr;
}

QWidget* AddListRow(QGridLayout* grid, int row, const char* control, const QString& label,
                    int column) {
  const zotpx::ComboDef* list = zotpx::FindComboDef(control);
  if (!list) throw NoSuchControl(control);
  return AddComboRow(grid, row, control, *list, list->default_index, label, column);
}

QWidget* AddControlRow(QGridLayout* grid, int row, const char* control, int column) {
  const zotpx::FieldDef* field = FindControlField(control);
  if (!field) throw NoSuchControl(control);
  const QString label =
      QString::fromUtf8(field->label.data(), static_cast<int>(field->label.size()));
  const QString text = QString::fromStdString(field->default_text);
  switch (field->kind) {
    case FieldKind::Coordinate:
    case FieldKind::Number:
      return AddEditRow(grid, row, control, label, text, DigitsOf(field->max), column);
    case FieldKind::Format:
      return AddEditRow(grid, row, control, label, text, field->max, column);
    case FieldKind::Text: {
      QLineEdit* edit = AddEditRow(grid, row, control, label, text, 0, column);
      LimitToCp936Bytes(edit, static_cast<std::size_t>(field->max));
      edit->home(false);  // the start of a long default, not its end
      return edit;
    }
    case FieldKind::List:
    case FieldKind::Flag:
      if (IsCheckBox(control))
        return AddCheckRow(grid, row, control, label, field->default_index == 1, column);
      return AddComboRow(grid, row, control, *field->list, field->default_index, label, column);
    default:
      throw NoSuchControl(control);
  }
}

QPushButton* AddCommandButton(TForm1& form, QGridLayout* grid, int row, const char* name,
                              std::string_view command, void (TForm1::*handler)(), int column) {
  QPushButton* button =
      AddButtonRow(grid, row, name, QString::fromStdString(RowNamed(command).title), column);
  form.Bind(button, handler);
  return button;
}

QGroupBox* BuildCommandGroup(TForm1& form, QWidget* page, const CommandGroup& def) {
  QGridLayout* grid = nullptr;
  QGroupBox* group = MakeGroup(page, def.name, TForm1::tr(def.caption), &grid);
  int row = 0;
  for (const char* control : def.rows) AddControlRow(grid, row++, control);
  AddCommandButton(form, grid, row++, def.button, def.command, def.handler);
  if (def.note) {
    QLabel* note = AddNoteRow(grid, row++, TForm1::tr(def.note));
    if (def.note_name) note->setObjectName(QString::fromLatin1(def.note_name));
  }
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(row, 1);
  return group;
}

std::optional<std::string> ReadControls(TForm1& form, zotpx::Values& values) {
  std::optional<std::string> refusal;
  const zotpx::CommandRow& row = values.row();
  for (std::size_t i = 0; i < row.fields.size(); ++i) {
    const zotpx::FieldDef& field = row.fields[i];
    if (field.control.empty()) continue;  // the clock's moment, memory requests
    const std::string control(field.control);
    zotpx::FieldValue& value = values.at(i);
    switch (field.kind) {
      case FieldKind::Coordinate:
      case FieldKind::Number:
      case FieldKind::Format:
        value.text = form.Text(control.c_str());
        break;
      case FieldKind::Text: {
        auto failure = zotpx::SetFieldWord(field, value, form.Text(control.c_str()));
        if (failure && !refusal) refusal = std::move(failure);
        break;
      }
      case FieldKind::List:
      case FieldKind::Flag:
        value.index = IsCheckBox(control) ? form.Check(control.c_str())->isChecked()
                                          : form.Index(control.c_str());
        break;
      case FieldKind::Bitmap:
        value.picture = SlotPicture(form, control);
        break;
      default:
        throw NoSuchControl(control);
    }
  }
  return refusal;
}

void ShowControls(TForm1& form, const zotpx::Values& values) {
  const zotpx::CommandRow& row = values.row();
  for (std::size_t i = 0; i < row.fields.size(); ++i) {
    const zotpx::FieldDef& field = row.fields[i];
    if (field.control.empty()) continue;
    const std::string control(field.control);
    const zotpx::FieldValue& value = values.at(i);
    switch (field.kind) {
      case FieldKind::Coordinate:
      case FieldKind::Number:
      case FieldKind::Format:
        form.SetText(control.c_str(), QString::fromStdString(value.text));
        break;
      case FieldKind::Text:
        form.SetText(control.c_str(), QString::fromStdString(zotpx::Cp936ToUtf8Lossy(value.bytes)));
        break;
      case FieldKind::List:
      case FieldKind::Flag:
        if (IsCheckBox(control))
          form.Check(control.c_str())->setChecked(value.index == 1);
        else
          form.Combo(control.c_str())->setCurrentIndex(value.index);
        break;
      default:
        break;
    }
  }
}

void TForm1::RunCommandRow(std::string_view command) {
  zotpx::Values values(RowNamed(command));
  if (const auto refusal = ReadControls(*this, values))
    return SetStatus(values.row().title + *refusal);
  SendCommand(std::move(values));
}

void TForm1::SendCommand(zotpx::Values values) {
  const zotpx::CommandRow& row = values.row();
  if (const auto failure = row.check ? row.check(values) : std::nullopt)
    return SetStatus(row.title + *failure);
  zotpx::RunCommandFrames(port(), *this, row.title, CurrentLink(), [&] {
    // The clock goes out as the computer has it now that the port is open.
    for (std::size_t i = 0; i < row.fields.size(); ++i)
      if (row.fields[i].kind == FieldKind::Moment && values.at(i).text.empty())
        values.at(i).text = zotpx::FormatMoment(Now());
    return zotpx::BuildFrames(values);
  });
}
