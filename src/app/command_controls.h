// The window's side of the command table: every field of a command names the control that
// shows it ("EditRectLeft", "ComboRectColor"), so the pages take their defaults, items and
// limits from the table, and one handler reads, checks, builds and sends any command.
#pragma once

#include <QString>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "command/values.h"

class QGridLayout;
class QGroupBox;
class QPushButton;
class QWidget;
class TForm1;

// The field control `name` shows; nullptr when it is no command's.
const zotpx::FieldDef* FindControlField(std::string_view control);

// A row for a command's control as its field has it, labelled with the field's label: an edit
// box with the default text and a length limit, a drop-down with its items and default, or a
// check box (the label its caption) checked or not.
QWidget* AddControlRow(QGridLayout* grid, int row, const char* control, int column = 0);
// A labelled drop-down that no command reads (the model, the rate, the font test's lists),
// its list from base/attributes.h.
QWidget* AddListRow(QGridLayout* grid, int row, const char* control, const QString& label,
                    int column = 0);

// The command's button: its title as the caption, a click running `handler`.
QPushButton* AddCommandButton(TForm1& form, QGridLayout* grid, int row, const char* name,
                              std::string_view command, void (TForm1::*handler)(), int column = 0);

// A command's group: its controls down one column of labelled rows, its button below them, and
// under that, where it has one, a blue note.
// Its caption and note are marked for translation (QT_TRANSLATE_NOOP with TForm1).
struct CommandGroup {
  const char* name;
  const char* caption;
  std::vector<const char*> rows;  // the controls, labelled by their fields
  const char* button;
  std::string_view command;
  void (TForm1::*handler)();
  const char* note = nullptr;
  const char* note_name = nullptr;
};
QGroupBox* BuildCommandGroup(TForm1& form, QWidget* page, const CommandGroup& def);

// Every field that has a control, as the form shows it now. The refusal (a character code page
// 936 cannot hold) comes after all fields are read, so a caller that puts its own bytes in the
// text can still use the rest.
std::optional<std::string> ReadControls(TForm1& form, zotpx::Values& values);
// The other way: every field that has a control shows its value (a text as best it can, a
// bitmap slot as it is).
void ShowControls(TForm1& form, const zotpx::Values& values);
