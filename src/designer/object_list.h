// Every object of the layout, the topmost first: a tick to hide it (kept in the file, neither
// sent nor drawn), a tick to lock it against moving, its kind, the name the user gives it and
// where it is. Selecting a row selects the object on the canvas, and the other way round.
#pragma once

#include <QTreeWidget>

#include "editor/document.h"

class ObjectList : public QTreeWidget {
  Q_OBJECT

 public:
  enum Column { kHidden, kLocked, kKind, kName, kPlace };

  ObjectList(zotpx::editor::Document& document, QWidget* parent = nullptr);
  // Rows again from the document, the selection with them.
  void Refresh();
  // The row of object `object`, and the object of a row.
  int RowOf(std::size_t object) const;
  std::size_t ObjectOf(int row) const;

 signals:
  void SelectionChanged();
  // A tick or a name changed: one finished edit.
  void Edited(zotpx::editor::EditResult result);

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void OnItemChanged(QTreeWidgetItem* item, int column);
  void OnSelection();

  zotpx::editor::Document& document_;
  bool refreshing_ = false;
};

// "(10, 20)", "(10, 20)-(49, 29)", "" for an object with no place.
QString PlaceText(const zotpx::editor::Document& document, std::size_t object);
