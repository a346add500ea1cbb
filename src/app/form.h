// The main window: one fixed-size form that owns every control and binds each button to
// its handler. Handlers live in the page files (page_*.cpp) beside the page they serve.
#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "app/dialogs.h"
#include "base/device_model.h"
#include "base/progress_estimate.h"
#include "command/values.h"
#include "device/clock.h"
#include "layout/layout.h"
#include "serial/port.h"
#include "serial/reporter.h"
#include "serial/transaction.h"

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPoint;
class QPlainTextEdit;
class QStatusBar;
class QTabWidget;
class QProgressBar;

// What the download's progress bar shows ("%p%" is the percentage), and the width that holds
// the widest of it (handlers_download.cpp).
QString ProgressBarText(const zotpx::ProgressEstimate& estimate);
int ProgressBarWidth(const QProgressBar& bar);

// The working directory at start, with "/" appended unless it already ends in one.
extern QString AppDirectory;
QString MakeAppDirectory(const QString& working_directory);

class TForm1 : public QWidget, public zotpx::Reporter {
  Q_OBJECT

 public:
  explicit TForm1(QWidget* parent = nullptr);
  ~TForm1() override;

  // Reporter: the status line, the communication log and the form's state.
  void SetStatus(const std::string& text) override;
  void LogBytes(const std::string& title, std::size_t count, const std::uint8_t* bytes) override;
  void SetFormEnabled(bool enabled) override;
  void ProcessEvents() override;
  void Repaint() override;
  void BringToFront() override;
  void Progress(std::size_t done, std::size_t total) override;
  // Keeps the start-up commands the device acknowledged, for the log's export (log_menu.cpp).
  void CommandAcknowledged(const std::vector<zotpx::Bytes>& frames) override;

  // Seams for tests: scripted dialogs and a fixed clock.
  void SetDialogs(std::unique_ptr<Dialogs> dialogs);
  Dialogs& dialogs() { return *dialogs_; }
  void SetClock(std::function<zotpx::LocalDateTime()> clock) { clock_ = std::move(clock); }
  zotpx::LocalDateTime Now() const { return clock_(); }

  // False when the precise-timer check at construction failed; the window is not usable.
  bool timer_ok() const { return timer_ok_; }

  // Controls by their object name (the form's control names). Throws when missing.
  template <typename T>
  T* Ctl(const char* name) const {
    T* control = findChild<T*>(QString::fromLatin1(name));
    if (!control) throw std::logic_error(std::string("no control ") + name);
    return control;
  }
  QComboBox* Combo(const char* name) const;
  QLineEdit* Edit(const char* name) const;
  QCheckBox* Check(const char* name) const;
  int Index(const char* name) const;         // selected item of a drop-down
  std::string Text(const char* name) const;  // edit box text, UTF-8
  void SetText(const char* name, const QString& text);
  std::string Caption(const char* name) const;  // a button's caption: the handler's title
  // The port named in UartPort at the rate shown in UartBaud.
  zotpx::Link CurrentLink() const;
  // Selects `name` in UartPort, adding it to the list when it is not there (a port named on
  // the command line, a test's pseudo-terminal).
  void SelectPort(const QString& name);
  // The item of the rate list the downloads' rate checks judge (device/connect.h).
  int RateIndex() const;
  // The port the window talks through: opened for every click, closed after it.
  zotpx::Port& port() { return port_; }
  // The model connecting found, as ComboDeviceType shows it; Unknown before.
  zotpx::DeviceModel Model() const;
  void SetModel(zotpx::DeviceModel model);
  // Connecting shows only the tab that suits the model; both are visible at start.
  void ShowModelTabs(zotpx::DeviceModel model);
  // What the status line (panel 0) and the communication log show now.
  QString StatusText() const;
  QStringList LogLines() const;
  // What line `line` (from 0) of the communication log means, as its tool tip says it; empty
  // for a line that needs no words.
  QString LogTip(int line) const;

  // A command of the table as its button runs it: the values from the controls, the check, then
  // the frames through the command transaction.
  void RunCommandRow(std::string_view command);
  // The same for values the caller filled (the font test's rows).
  void SendCommand(zotpx::Values values);

  // The client area the regions are laid out in; with a usual title bar and border the
  // window's outer size comes to about 1000 x 700.
  static constexpr int kClientWidth = 984;
  static constexpr int kClientHeight = 661;

  // Connects a button click (or any no-argument signal) to a handler; an error that escapes
  // the handler goes to the standard error display and the window stays open.
  void Bind(QAbstractButton* button, void (TForm1::*handler)());
  void Guard(const std::function<void()>& handler);

  // ---- handlers, one per bound event ----
  // connect, parameters, clock, date and time
  void BtnSearchCmdClick();
  void BtnConfigCmdClick();
  void BtnSetTimeCmdClick();
  void BtnDateCmdClick();
  void BtnTimeCmdClick();
  // text overlay
  void BtnStringCmdClick();
  void BtnAreaCmdClick();
  void BtnTestCmdClick();
  void PanelTestDblClick();
  void BtnStaticCmdClick();
  void BtnEepromCmdClick();
  // bitmaps and shapes
  void LabelBitmapSelectClick();
  void LabelSuperBitmapSelectClick();
  void LabelSingleBitmapSelectClick();
  void BtnBitmapCmdClick();
  void BtnSuperBitmapCmdClick();
  void BtnSingleBitmapCmdClick();
  void BtnLineCmdClick();
  void BtnRectCmdClick();
  void BtnCircleCmdClick();
  // crosshair
  void BtnCrossConfigCmdClick();
  void BtnCrossMoveCmdClick();
  void BtnCrossDownAddClick();
  void BtnCrossDownClearClick();
  void ListCrossDownDblClick();
  void BtnCrossDownFileClick();
  void BtnCrossDownCmdClick();
  // the communication log's context menu
  void MenuSaveLogClick();
  void MenuExportStaticClick();
  void MenuExportLayoutClick();
  void MenuOpenInDesignerClick();
  // What "在布局设计器中打开" hands the session's layout to: the designer's window, which the
  // program installs (the form knows no designer of its own).
  void SetLayoutOpener(std::function<void(zotpx::Layout)> opener) {
    layout_opener_ = std::move(opener);
  }

  // ---- per-page state owned by the form (each page file adds its own here) ----
  // Bitmap slots: flashing, oversized, single-colour (graphics pages).
  struct BitmapSlots;
  std::unique_ptr<BitmapSlots> bitmap_slots;

 private:
  void BuildRegions();
  void WidenForLongerTexts();
  void CheckPreciseTimer();
  void ShowProgressBar(bool shown);

  std::unique_ptr<Dialogs> dialogs_;
  zotpx::Port port_;
  std::function<zotpx::LocalDateTime()> clock_;
  bool timer_ok_ = false;
  QPlainTextEdit* log_ = nullptr;
  QStatusBar* status_bar_ = nullptr;
  class QLabel* status_text_ = nullptr;
  QProgressBar* progress_ = nullptr;
  std::vector<zotpx::Bytes> acknowledged_frames_;  // this session's, in order
  std::function<void(zotpx::Layout)> layout_opener_;
};

// Page builders: each fills its tab page with its groups and binds its buttons. The two group
// builders get the group box itself, placed and captioned but still empty.
void BuildSystemGroup(TForm1& form, QWidget* group);
void BuildDateTimePage(TForm1& form, QWidget* page);
void BuildCharStringPage(TForm1& form, QWidget* page);
void BuildFontTestGroup(TForm1& form, QWidget* group);
void BuildCharBitmapPage(TForm1& form, QWidget* page);
void BuildCharSuperPage(TForm1& form, QWidget* page);
void BuildGraphicBasePage(TForm1& form, QWidget* page);
void BuildGraphicBitmapPage(TForm1& form, QWidget* page);
void BuildCrossCtrlPage(TForm1& form, QWidget* page);
void BuildCrossDownPage(TForm1& form, QWidget* page);
// The communication log's context menu: the usual edit actions, then "保存通信记录…",
// "导出为静态命令文件…", "导出为布局文件…" and "在布局设计器中打开". CreateLogMenu builds the menu
// the log shows at `position`; the caller owns it.
void BuildLogMenu(TForm1& form, QPlainTextEdit* log);
// Each line of the log explains itself in a tool tip (TForm1::LogTip).
void InstallLogTips(TForm1& form, QPlainTextEdit* log);
QMenu* CreateLogMenu(TForm1& form, QPlainTextEdit* log, const QPoint& position);
