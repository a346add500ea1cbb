// The selected object's fields, made from the command table: each field with its label and a
// control of its kind (a spin box within its limits, a list of its items, a check box, a text
// held to code page 936, a bitmap file). A field added to the table shows here with no code of
// the designer's. Each change is one edit of the document; a refused one shows the device's
// words and the field goes back to the value kept.
#pragma once

#include <QScrollArea>
#include <vector>

#include "app/dialogs.h"
#include "editor/document.h"

class QFormLayout;
class QLabel;

class PropertyPanel : public QScrollArea {
  Q_OBJECT

 public:
  PropertyPanel(zotpx::editor::Document& document, Dialogs& dialogs, QWidget* parent = nullptr);
  // The selection's fields again; built afresh when it is another kind of object.
  void Refresh();

 signals:
  void Edited(zotpx::editor::EditResult result);

 private:
  void Build(const zotpx::CommandRow* row);
  QWidget* Editor(std::size_t field);
  void Show(std::size_t field);
  // Only what the row's check accepts, the rest of the object as it is: a spin box's range,
  // a list's items.
  void Restrict(std::size_t field);
  void SetWord(std::size_t field, const std::string& word);
  void PickBitmap();

  zotpx::editor::Document& document_;
  Dialogs& dialogs_;
  const zotpx::CommandRow* row_ = nullptr;
  QWidget* body_ = nullptr;
  QLabel* title_ = nullptr;
  std::vector<QWidget*> editors_;  // one per field of the row; nullptr where none
  bool refreshing_ = false;
};
