// Building blocks for the form's pages: labelled rows whose object names are the control
// names and whose labels are their buddies (accessible names), so tests and screen readers
// find each control as a person sees it.
#pragma once

#include <QGridLayout>
#include <QString>
#include <QStringList>

#include "base/attributes.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

QStringList ToQStringList(const zotpx::Items& items);

// A group box with the caption as the form has it (" 日期 ") and an empty grid inside.
QGroupBox* MakeGroup(QWidget* parent, const char* name, const QString& caption, QGridLayout** grid);

// A drop-down with the items of `list` and item `default_index` selected, with a row label in
// column `column` and the list in column `column + 1`. Not editable.
QComboBox* AddComboRow(QGridLayout* grid, int row, const char* name, const zotpx::ComboDef& list,
                       int default_index, const QString& label, int column = 0);
// A field built elsewhere (a drop-down of its own kind) with its row label.
void AddFieldRow(QGridLayout* grid, int row, QWidget* field, const QString& label, int column = 0);
// An edit box with its row label; `max_length` in characters (0: no limit).
QLineEdit* AddEditRow(QGridLayout* grid, int row, const char* name, const QString& label,
                      const QString& text, int max_length, int column = 0);
// A check box spanning the label and field columns.
QCheckBox* AddCheckRow(QGridLayout* grid, int row, const char* name, const QString& caption,
                       bool checked, int column = 0);
// A command button spanning the label and field columns.
QPushButton* AddButtonRow(QGridLayout* grid, int row, const char* name, const QString& caption,
                          int column = 0);
// A note in blue, as the form shows its hints.
QLabel* AddNoteRow(QGridLayout* grid, int row, const QString& text, int column = 0);
// Names the combo and sets its items and selected item.
void FillCombo(QComboBox* combo, const char* name, const zotpx::ComboDef& list, int default_index);
