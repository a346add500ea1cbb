// zotpx-designer's window: the canvas (the device's screen, its grid and rulers), the palette
// of the model's objects, the object list, the property panel made from the command table, the
// file menu (open, save, save as, recent files, PNG export), the edit menu (undo, copy, paste,
// order) and the device (connect, apply, start-up image, live mode). Every text goes through
// tr(). The layout lives in a document without Qt (editor/document.h); the window shows it and
// hands it the user's edits.
#pragma once

#include <QMainWindow>
#include <functional>
#include <memory>

#include "app/dialogs.h"
#include "designer/device_link.h"
#include "device/clock.h"
#include "editor/document.h"
#include "serial/reporter.h"

class Canvas;
class CanvasArea;
class ObjectList;
class PropertyPanel;
class QAction;
class QActionGroup;
class QComboBox;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QVBoxLayout;

class DesignerWindow : public QMainWindow, public zotpx::Reporter {
  Q_OBJECT

 public:
  explicit DesignerWindow(QWidget* parent = nullptr);
  ~DesignerWindow() override;

  // Seams for tests: scripted dialogs and the moment the date and time fields show.
  void SetDialogs(std::unique_ptr<Dialogs> dialogs);
  Dialogs& dialogs() { return *dialogs_; }
  void SetClock(std::function<zotpx::LocalDateTime()> clock);

  zotpx::editor::Document& document() { return document_; }
  Canvas* canvas() const { return canvas_; }
  QString StatusText() const;

  // A layout file, asking first what becomes of unsaved work. One the reader refuses opens
  // nothing: its message, with its line, is shown.
  bool OpenPath(const QString& path);
  // A layout made elsewhere (the window's acknowledged commands): untitled, so saving asks
  // where.
  void OpenLayout(zotpx::Layout layout);
  bool Save();
  bool SaveAs();
  bool ExportPng();
  void SetPort(const QString& port);

  // Reporter: the status line, the communication log and the window's state.
  void SetStatus(const std::string& text) override;
  void LogBytes(const std::string& title, std::size_t count, const std::uint8_t* bytes) override;
  void SetFormEnabled(bool enabled) override;
  void ProcessEvents() override;
  void Repaint() override;
  void BringToFront() override;
  void Progress(std::size_t done, std::size_t total) override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildActions();
  void BuildMenus();
  void BuildToolBar();
  void BuildDocks();
  void BuildPalette();

  // After an edit the document accepted (or refused): the views again, the refusal said, and
  // in live mode a finished edit applied.
  void Edited(const zotpx::editor::EditResult& result);
  void Refresh();
  void RefreshActions();
  void Refused(const zotpx::editor::EditResult& result);
  void Replace(zotpx::editor::Document document);
  bool MaySetAside();
  bool SaveTo(const QString& path);
  void Remember(const QString& path);
  void RefreshRecent();
  QString CurrentMoment() const;

  void OpenAsked();
  void NewLayout();
  void Place(const zotpx::CommandRow* row, zotpx::editor::Point at);
  void ChooseModel(int index);
  void Nudge(int dx, int dy);
  void ChooseVideo();
  void ChooseCrossFile();

  bool Connect();
  void ApplyToDevice();
  void MakeStartUp();
  void LiveToggled(bool on);

  zotpx::editor::Document document_;
  std::unique_ptr<Dialogs> dialogs_;
  std::function<zotpx::LocalDateTime()> clock_;
  DeviceLink link_;

  Canvas* canvas_ = nullptr;
  CanvasArea* area_ = nullptr;
  ObjectList* list_ = nullptr;
  PropertyPanel* panel_ = nullptr;
  QWidget* palette_ = nullptr;
  QVBoxLayout* palette_column_ = nullptr;
  QComboBox* model_ = nullptr;
  QComboBox* port_ = nullptr;
  QLabel* status_ = nullptr;
  QLabel* pointer_ = nullptr;
  QLabel* device_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QPlainTextEdit* log_ = nullptr;
  QMenu* recent_ = nullptr;
  QMenu* view_ = nullptr;

  QAction* undo_ = nullptr;
  QAction* redo_ = nullptr;
  QAction* copy_ = nullptr;
  QAction* paste_ = nullptr;
  QAction* duplicate_ = nullptr;
  QAction* delete_ = nullptr;
  QAction* raise_ = nullptr;
  QAction* lower_ = nullptr;
  QAction* grid_ = nullptr;
  QAction* rulers_ = nullptr;
  QAction* live_ = nullptr;
  QActionGroup* zoom_ = nullptr;
};

// The objects copied, shared by every designer window of the process.
zotpx::editor::Clip& DesignerClipboard();
