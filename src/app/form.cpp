// The window itself: regions, tab structure, the status line and the communication log.
#include "app/form.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScreen>
#include <QStatusBar>
#include <QStyleOptionComboBox>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>
#include <iterator>

#include "app/bitmap_slots.h"
#include "app/port_combo.h"
#include "app/recent_ports.h"
#include "base/attributes.h"
#include "base/language.h"
#include "device/connect.h"
#include "serial/port.h"

QString AppDirectory;

QString MakeAppDirectory(const QString& working_directory) {
  if (working_directory.endsWith(QLatin1Char('/'))) return working_directory;
  return working_directory + QLatin1Char('/');
}

namespace {

// Translated when the window is made, once the language is chosen.
const char* const kCaption = QT_TRANSLATE_NOOP("TForm1", "ZOT-Px系列字符叠加芯片和模块管理软件");

// The silver corner square: a double-click on it is the only way to the font test.
class DoubleClickPanel : public QFrame {
 public:
  DoubleClickPanel(QWidget* parent, std::function<void()> on_double_click)
      : QFrame(parent), on_double_click_(std::move(on_double_click)) {}

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton) on_double_click_();
  }

 private:
  std::function<void()> on_double_click_;
};

QWidget* AddTab(QTabWidget* tabs, const char* name, const QString& caption) {
  auto* page = new QWidget;
  page->setObjectName(QString::fromLatin1(name));
  tabs->addTab(page, caption);
  return page;
}

// An inner page control filling its tab.
QTabWidget* AddInnerTabs(QWidget* page, const char* name) {
  auto* tabs = new QTabWidget(page);
  tabs->setObjectName(QString::fromLatin1(name));
  auto* box = new QVBoxLayout(page);
  box->setContentsMargins(4, 4, 4, 4);
  box->addWidget(tabs);
  return tabs;
}

QLabel* AddStatusPanel(QStatusBar* bar, const char* name, int width, const QString& text) {
  auto* panel = new QLabel(text);
  panel->setObjectName(QString::fromLatin1(name));
  panel->setTextFormat(Qt::PlainText);
  panel->setFixedWidth(width);
  panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  panel->setContentsMargins(2, 0, 2, 0);
  bar->addWidget(panel);
  return panel;
}

}  // namespace

TForm1::TForm1(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      dialogs_(std::make_unique<QtDialogs>(this)),
      clock_(&zotpx::NowLocal) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(tr(kCaption));
  setFixedSize(kClientWidth, kClientHeight);

  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, QColor(208, 224, 240));
  setPalette(palette);
  setAutoFillBackground(true);
  // "宋体" is rarely installed outside Windows; fall back to a CJK face that is.
  QFont font;
  font.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"),
                    QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("Noto Sans CJK SC")});
  font.setPixelSize(16);
  setFont(font);

  BuildRegions();
  if (zotpx::CurrentLanguage() == zotpx::Language::English) WidenForLongerTexts();
  for (const char* name : {"PageOsd", "PageChar", "PageGraphic", "PageCross"})
    Ctl<QTabWidget>(name)->setCurrentIndex(0);
  QGuiApplication::setApplicationDisplayName(tr(kCaption));

  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());

  CheckPreciseTimer();
}

TForm1::~TForm1() = default;

void TForm1::BuildRegions() {
  auto* control = new QGroupBox(tr(" 系统控制 "), this);
  control->setObjectName(QStringLiteral("GroupControl"));
  control->setGeometry(8, 8, 273, 425);
  BuildSystemGroup(*this, control);

  auto* osd = new QTabWidget(this);
  osd->setObjectName(QStringLiteral("PageOsd"));
  osd->setGeometry(288, 8, 689, 425);
  BuildDateTimePage(*this, AddTab(osd, "TabDateTime", tr("日期时间")));

  QTabWidget* chars = AddInnerTabs(AddTab(osd, "TabChar", tr("字符叠加")), "PageChar");
  BuildCharStringPage(*this, AddTab(chars, "TabCharString", tr("文本字符")));
  BuildCharBitmapPage(*this, AddTab(chars, "TabCharBitmap", tr("闪烁位图字符")));
  BuildCharSuperPage(*this, AddTab(chars, "TabCharSuper", tr("超大位图字符")));

  QTabWidget* graphic = AddInnerTabs(AddTab(osd, "TabGraphic", tr("图形绘制")), "PageGraphic");
  BuildGraphicBasePage(*this, AddTab(graphic, "TabGraphicBase", tr("基本图形")));
  BuildGraphicBitmapPage(*this, AddTab(graphic, "TabGraphicBitmap", tr("单色位图")));

  QTabWidget* cross = AddInnerTabs(AddTab(osd, "TabCross", tr("十字线")), "PageCross");
  BuildCrossCtrlPage(*this, AddTab(cross, "TabCrossCtrl", tr("十字线控制")));
  BuildCrossDownPage(*this, AddTab(cross, "TabCrossDown", tr("十字线下载")));

  log_ = new QPlainTextEdit(this);
  log_->setObjectName(QStringLiteral("MemoProtocol"));
  log_->setAccessibleName(tr("通信数据记录"));
  log_->setGeometry(8, 440, 969, 197);
  log_->setLineWrapMode(QPlainTextEdit::NoWrap);
  log_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  log_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  log_->setPlainText(tr("【通信数据记录】\n"));
  BuildLogMenu(*this, log_);
  InstallLogTips(*this, log_);

  status_bar_ = new QStatusBar(this);
  status_bar_->setObjectName(QStringLiteral("StatusBar"));
  status_bar_->setSizeGripEnabled(false);
  status_bar_->setGeometry(0, kClientHeight - 20, kClientWidth, 20);
  status_text_ = AddStatusPanel(status_bar_, "StatusPanel0", 600,
                                tr("欢迎使用ZOT-Px系列字符叠加芯片和模块，请先执行“连接设备”"));
  AddStatusPanel(status_bar_, "StatusPanel1", 130, tr("请联系供应商"));
  AddStatusPanel(status_bar_, "StatusPanel2", 50, QStringLiteral("zotpx"));
  progress_ = new QProgressBar;
  progress_->setObjectName(QStringLiteral("ProgressDownload"));
  progress_->setMaximumHeight(16);
  // The figures stand on the bar on every style (the Windows styles would set them beside it
  // and squeeze the bar away); its width is set when it shows, in the font it has then.
  progress_->setAlignment(Qt::AlignCenter);
  status_bar_->addPermanentWidget(progress_);
  progress_->hide();

  auto* test = new QGroupBox(this);
  test->setObjectName(QStringLiteral("GroupTest"));
  test->setGeometry(778, 439, 201, 181);
  BuildFontTestGroup(*this, test);
  test->hide();

  auto* panel = new DoubleClickPanel(this, [this] { Guard([this] { PanelTestDblClick(); }); });
  panel->setObjectName(QStringLiteral("PanelTest"));
  panel->setGeometry(959, 619, 20, 20);
  panel->setFrameStyle(QFrame::NoFrame);
  panel->setAutoFillBackground(true);
  QPalette silver = panel->palette();
  silver.setColor(QPalette::Window, QColor(192, 192, 192));
  panel->setPalette(silver);
  panel->raise();
}

// The regions are placed for the Chinese texts. English ones run longer (never taller): where a
// region's contents need more width, it grows, the regions right of and below it move or
// widen along, and so does the window. The Chinese window keeps its places exactly.
void TForm1::WidenForLongerTexts() {
  // A list needs room for its longest item, so that the regions make room for the items too.
  for (QComboBox* list : findChildren<QComboBox*>()) {
    int widest = 0;
    for (int i = 0; i < list->count(); ++i)
      widest = std::max(widest, list->fontMetrics().horizontalAdvance(list->itemText(i)));
    QStyleOptionComboBox option;
    option.initFrom(list);
    const QSize need = list->style()->sizeFromContents(
        QStyle::CT_ComboBox, &option, QSize(widest, list->fontMetrics().height()), list);
    list->setMinimumWidth(std::max(list->minimumWidth(), need.width()));
  }
  auto* control = Ctl<QWidget>("GroupControl");
  auto* osd = Ctl<QWidget>("PageOsd");
  const int control_more = std::max(0, control->minimumSizeHint().width() - control->width());
  const int osd_more = std::max(0, osd->minimumSizeHint().width() - osd->width());
  const int wider = control_more + osd_more;
  if (wider == 0) return;
  control->resize(control->width() + control_more, control->height());
  osd->setGeometry(osd->x() + control_more, osd->y(), osd->width() + osd_more, osd->height());
  for (QWidget* below : {static_cast<QWidget*>(log_), static_cast<QWidget*>(status_bar_)})
    below->resize(below->width() + wider, below->height());
  for (const char* corner : {"GroupTest", "PanelTest"}) {
    auto* widget = Ctl<QWidget>(corner);
    widget->move(widget->x() + wider, widget->y());
  }
  setFixedSize(width() + wider, height());
}

void TForm1::CheckPreciseTimer() {
  timer_ok_ = zotpx::DelayMicroseconds(1);
  if (timer_ok_) return;
  BringToFront();
  dialogs().Message(tr(kCaption), tr("系统没有精确定时器，程序异常终止！"));
  // The loop may not run yet; main() also checks timer_ok().
  QCoreApplication::exit(1);
}

void TForm1::SetDialogs(std::unique_ptr<Dialogs> dialogs) {
  dialogs_ = std::move(dialogs);
}

// ---- Reporter ----

void TForm1::SetStatus(const std::string& text) {
  BringToFront();
  const QString line = QString::fromStdString(text);
  status_text_->setText(line);
  // Panel 0 clips at 600 pixels; the whole text stays readable as its tool tip.
  status_text_->setToolTip(line);
}

void TForm1::LogBytes(const std::string& title, std::size_t count, const std::uint8_t* bytes) {
  log_->appendPlainText(QString::fromStdString(zotpx::FormatLogLine(title, count, bytes)));
}

void TForm1::SetFormEnabled(bool enabled) {
  setEnabled(enabled);
}

void TForm1::ProcessEvents() {
  QCoreApplication::processEvents();
}

void TForm1::Repaint() {
  repaint();
}

void TForm1::BringToFront() {
  raise();
  activateWindow();
}

QString TForm1::StatusText() const {
  return status_text_->text();
}

QStringList TForm1::LogLines() const {
  return log_->toPlainText().split(QLatin1Char('\n'));
}

// ---- controls ----

QComboBox* TForm1::Combo(const char* name) const {
  return Ctl<QComboBox>(name);
}
QLineEdit* TForm1::Edit(const char* name) const {
  return Ctl<QLineEdit>(name);
}
QCheckBox* TForm1::Check(const char* name) const {
  return Ctl<QCheckBox>(name);
}
int TForm1::Index(const char* name) const {
  return Combo(name)->currentIndex();
}
std::string TForm1::Text(const char* name) const {
  return Edit(name)->text().toStdString();
}
void TForm1::SetText(const char* name, const QString& text) {
  Edit(name)->setText(text);
}

std::string TForm1::Caption(const char* name) const {
  // Buttons and the clickable labels both carry a handler's title.
  const QString object = QString::fromLatin1(name);
  if (auto* button = findChild<QAbstractButton*>(object)) return button->text().toStdString();
  return Ctl<QLabel>(name)->text().toStdString();
}

zotpx::Link TForm1::CurrentLink() const {
  zotpx::Link link;
  link.port = Combo("UartPort")->currentText().toStdString();
  const int rate = Index("UartBaud");
  if (rate >= 0 && rate < static_cast<int>(std::size(zotpx::kBaudRateList)))
    link.baud = zotpx::kBaudRateList[rate];
  return link;
}

void TForm1::SelectPort(const QString& name) {
  static_cast<PortCombo*>(Combo("UartPort"))->Select(name);
}

int TForm1::RateIndex() const {
  return zotpx::DownloadRateIndex(CurrentLink().port, Index("UartBaud"));
}

zotpx::DeviceModel TForm1::Model() const {
  return static_cast<zotpx::DeviceModel>(Index("ComboDeviceType"));
}

void TForm1::SetModel(zotpx::DeviceModel model) {
  Combo("ComboDeviceType")->setCurrentIndex(static_cast<int>(model));
}

void TForm1::ShowModelTabs(zotpx::DeviceModel model) {
  auto* osd = Ctl<QTabWidget>("PageOsd");
  // A tab shows when its commands are the model's, as the command table has them.
  osd->setTabVisible(osd->indexOf(Ctl<QWidget>("TabGraphic")),
                     zotpx::FindRow("line")->ForModel(model));
  osd->setTabVisible(osd->indexOf(Ctl<QWidget>("TabCross")),
                     zotpx::FindRow("cross set")->ForModel(model));
}

// ---- bindings ----

void TForm1::Bind(QAbstractButton* button, void (TForm1::*handler)()) {
  connect(button, &QAbstractButton::clicked, this,
          [this, handler] { Guard([this, handler] { (this->*handler)(); }); });
}

void TForm1::Guard(const std::function<void()>& handler) {
  QString error;
  try {
    handler();
    // The port box offers a port it was used with again, in this run and the next.
    RememberPort(QString::fromStdString(port_.Name()));
    return;
  } catch (const std::exception& e) {
    error = QString::fromUtf8(e.what());
  } catch (...) {
    // Not one of ours: shown like any other error, with nothing to say.
  }
  // A download disables the window while it runs; an error must not leave it locked.
  setEnabled(true);
  dialogs().Error(error);
}
