#include "app/geometry.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

QStringList ToQStringList(const zotpx::Items& items) {
  QStringList list;
  for (const std::string& item : items) list << QString::fromStdString(item);
  return list;
}

QGroupBox* MakeGroup(QWidget* parent, const char* name, const QString& caption,
                     QGridLayout** grid) {
  auto* group = new QGroupBox(caption, parent);
  group->setObjectName(QString::fromLatin1(name));
  *grid = new QGridLayout(group);
  (*grid)->setContentsMargins(8, 6, 8, 6);
  (*grid)->setVerticalSpacing(4);
  return group;
}

void FillCombo(QComboBox* combo, const char* name, const zotpx::ComboDef& list, int default_index) {
  combo->setObjectName(QString::fromLatin1(name));
  combo->clear();
  combo->addItems(ToQStringList(*list.items));
  combo->setCurrentIndex(default_index);
  combo->setEditable(false);
}

static QLabel* AddLabel(QGridLayout* grid, int row, int column, const QString& label,
                        QWidget* buddy) {
  auto* text = new QLabel(label);
  text->setBuddy(buddy);
  buddy->setAccessibleName(label);
  grid->addWidget(text, row, column);
  return text;
}

QComboBox* AddComboRow(QGridLayout* grid, int row, const char* name, const zotpx::ComboDef& list,
                       int default_index, const QString& label, int column) {
  auto* combo = new QComboBox;
  FillCombo(combo, name, list, default_index);
  AddLabel(grid, row, column, label, combo);
  grid->addWidget(combo, row, column + 1);
  return combo;
}

void AddFieldRow(QGridLayout* grid, int row, QWidget* field, const QString& label, int column) {
  AddLabel(grid, row, column, label, field);
  grid->addWidget(field, row, column + 1);
}

QLineEdit* AddEditRow(QGridLayout* grid, int row, const char* name, const QString& label,
                      const QString& text, int max_length, int column) {
  auto* edit = new QLineEdit(text);
  edit->setObjectName(QString::fromLatin1(name));
  if (max_length > 0) edit->setMaxLength(max_length);
  AddLabel(grid, row, column, label, edit);
  grid->addWidget(edit, row, column + 1);
  return edit;
}

QCheckBox* AddCheckRow(QGridLayout* grid, int row, const char* name, const QString& caption,
                       bool checked, int column) {
  auto* check = new QCheckBox(caption);
  check->setObjectName(QString::fromLatin1(name));
  check->setChecked(checked);
  grid->addWidget(check, row, column, 1, 2);
  return check;
}

QPushButton* AddButtonRow(QGridLayout* grid, int row, const char* name, const QString& caption,
                          int column) {
  auto* button = new QPushButton(caption);
  button->setObjectName(QString::fromLatin1(name));
  grid->addWidget(button, row, column, 1, 2);
  return button;
}

QLabel* AddNoteRow(QGridLayout* grid, int row, const QString& text, int column) {
  auto* note = new QLabel(text);
  note->setStyleSheet(QStringLiteral("color: blue;"));
  note->setWordWrap(true);
  grid->addWidget(note, row, column, 1, 2);
  return note;
}
