#include "designer/designer_window.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDockWidget>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollArea>
#include <QSettings>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/port_combo.h"
#include "app/recent_ports.h"
#include "app/save_file.h"
#include "app/window_language.h"
#include "base/file_save.h"
#include "command/codec.h"
#include "crosshair/cross_download.h"
#include "designer/canvas.h"
#include "designer/canvas_area.h"
#include "designer/kinds.h"
#include "designer/object_list.h"
#include "designer/property_panel.h"
#include "layout/layout_reader.h"
#include "screen/png_writer.h"

namespace {

using zotpx::editor::Document;
using zotpx::editor::EditResult;

QString LayoutFilter() {
  return DesignerWindow::tr("布局文件 (*.toml)|*.toml|All Files(*.*)|*.*");
}
const QString kPngFilter = QStringLiteral("PNG (*.png)|*.png");
const QString kPictureFilter = QStringLiteral(
    "Pictures(*.png *.jpg *.jpeg *.bmp)|*.png;*.jpg;*.jpeg;*.bmp|All Files(*.*)|*.*");
const QString kCrossFilter = QStringLiteral("Cross Files(*.bin)|*.bin|All Files(*.*)|*.*");
constexpr int kRecentFiles = 8;
const QString kRecentKey = QStringLiteral("recent");

std::string LocalPath(const QString& path) {
  return QFile::encodeName(path).toStdString();
}

QSettings Settings() {
  return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("zotpx"),
                   QStringLiteral("zotpx-designer"));
}

}  // namespace

zotpx::editor::Clip& DesignerClipboard() {
  static zotpx::editor::Clip clip;
  return clip;
}

DesignerWindow::DesignerWindow(QWidget* parent)
    : QMainWindow(parent),
      dialogs_(std::make_unique<QtDialogs>(this)),
      clock_([] { return zotpx::NowLocal(); }) {
  setObjectName(QStringLiteral("DesignerWindow"));
  canvas_ = new Canvas(document_);
  area_ = new CanvasArea(canvas_);
  setCentralWidget(area_);

  status_ = new QLabel;
  status_->setObjectName(QStringLiteral("StatusText"));
  pointer_ = new QLabel;
  pointer_->setObjectName(QStringLiteral("PointerText"));
  pointer_->setMinimumWidth(90);
  device_ = new QLabel(tr("未连接"));
  device_->setObjectName(QStringLiteral("DeviceText"));
  progress_ = new QProgressBar;
  progress_->setMaximumWidth(220);
  progress_->hide();
  statusBar()->addWidget(status_, 1);
  statusBar()->addPermanentWidget(progress_);
  statusBar()->addPermanentWidget(device_);
  statusBar()->addPermanentWidget(pointer_);

  BuildActions();
  BuildMenus();
  BuildToolBar();
  BuildDocks();

  connect(canvas_, &Canvas::PointerMoved, this, [this](std::optional<zotpx::editor::Point> at) {
    pointer_->setText(at ? QStringLiteral("X %1  Y %2").arg(at->x).arg(at->y) : QString());
  });
  connect(canvas_, &Canvas::SelectionChanged, this, &DesignerWindow::Refresh);
  connect(canvas_, &Canvas::Changed, this, [this] {
    // The pointer still moves: the views follow, nothing is sent yet.
    list_->Refresh();
    panel_->Refresh();
  });
  connect(canvas_, &Canvas::Edited, this, [this] { Edited({}); });
  connect(canvas_, &Canvas::Refused, this, &DesignerWindow::Refused);
  connect(canvas_, &Canvas::PlaceRequested, this, &DesignerWindow::Place);
  connect(canvas_, &Canvas::NudgeRequested, this, &DesignerWindow::Nudge);
  connect(list_, &ObjectList::SelectionChanged, this, &DesignerWindow::Refresh);
  connect(list_, &ObjectList::Edited, this, &DesignerWindow::Edited);
  connect(panel_, &PropertyPanel::Edited, this, &DesignerWindow::Edited);

  Replace(Document());
  resize(1260, 780);
  // Sized once the window has its size, or the canvas takes the width back. The panel's rows
  // want the height and its widest row (a bitmap's file and its button) about 390 pixels; the
  // list its columns' width.
  const auto objects = findChild<QDockWidget*>(QStringLiteral("DockObjects"));
  const auto properties = findChild<QDockWidget*>(QStringLiteral("DockProperties"));
  resizeDocks({objects, properties}, {400, 400}, Qt::Horizontal);
  resizeDocks({objects, properties}, {260, 440}, Qt::Vertical);
}

DesignerWindow::~DesignerWindow() = default;

void DesignerWindow::SetDialogs(std::unique_ptr<Dialogs> dialogs) {
  dialogs_ = std::move(dialogs);
}

void DesignerWindow::SetClock(std::function<zotpx::LocalDateTime()> clock) {
  clock_ = std::move(clock);
  zotpx::SceneSetup setup = document_.setup();
  setup.at = CurrentMoment().toStdString();
  document_.SetSetup(std::move(setup));
  Refresh();
}

QString DesignerWindow::CurrentMoment() const {
  return QString::fromStdString(zotpx::FormatMoment(clock_()));
}

QString DesignerWindow::StatusText() const {
  return status_->text();
}

// ---- building ----

void DesignerWindow::BuildActions() {
  const auto action = [this](const QString& text, const char* name, QKeySequence keys,
                             auto handler) {
    auto* a = new QAction(text, this);
    a->setObjectName(QString::fromLatin1(name));
    if (!keys.isEmpty()) a->setShortcut(keys);
    connect(a, &QAction::triggered, this, handler);
    return a;
  };
  undo_ = action(tr("撤销(&U)"), "ActionUndo", QKeySequence::Undo, [this] {
    if (document_.Undo()) Edited({});
  });
  redo_ = action(tr("重做(&R)"), "ActionRedo", QKeySequence::Redo, [this] {
    if (document_.Redo()) Edited({});
  });
  copy_ = action(tr("复制(&C)"), "ActionCopy", QKeySequence::Copy, [this] {
    if (document_.selection()) DesignerClipboard() = document_.Copy(*document_.selection());
    RefreshActions();
  });
  paste_ = action(tr("粘贴(&P)"), "ActionPaste", QKeySequence::Paste,
                  [this] { Edited(document_.Paste(DesignerClipboard())); });
  duplicate_ =
      action(tr("再制一份(&D)"), "ActionDuplicate", QKeySequence(Qt::CTRL | Qt::Key_D), [this] {
        if (document_.selection()) Edited(document_.Duplicate(*document_.selection()));
      });
  delete_ = action(tr("删除(&L)"), "ActionDelete", QKeySequence::Delete, [this] {
    if (document_.selection()) Edited(document_.Remove(*document_.selection()));
  });
  raise_ =
      action(tr("上移一层"), "ActionRaise", QKeySequence(Qt::CTRL | Qt::Key_BracketRight), [this] {
        if (document_.selection()) Edited(document_.Raise(*document_.selection()));
      });
  lower_ =
      action(tr("下移一层"), "ActionLower", QKeySequence(Qt::CTRL | Qt::Key_BracketLeft), [this] {
        if (document_.selection()) Edited(document_.Lower(*document_.selection()));
      });
  grid_ = action(tr("网格(&G)"), "ActionGrid", QKeySequence(Qt::CTRL | Qt::Key_G),
                 [this](bool on) { canvas_->SetGrid(on); });
  grid_->setCheckable(true);
  rulers_ = action(tr("标尺(&R)"), "ActionRulers", QKeySequence(),
                   [this](bool on) { area_->SetRulers(on); });
  rulers_->setCheckable(true);
  rulers_->setChecked(area_->rulers());
  live_ = action(tr("实时应用(&L)"), "ActionLive", QKeySequence(), &DesignerWindow::LiveToggled);
  live_->setCheckable(true);
  live_->setToolTip(tr("每次编辑完成后立即把布局应用到设备"));
  zoom_ = new QActionGroup(this);
  for (int zoom = 1; zoom <= 4; ++zoom) {
    QAction* a = zoom_->addAction(tr("%1 倍").arg(zoom));
    a->setObjectName(QStringLiteral("ActionZoom%1").arg(zoom));
    a->setCheckable(true);
    a->setChecked(zoom == canvas_->zoom());
    a->setShortcut(QKeySequence(Qt::CTRL | (Qt::Key_0 + zoom)));
    connect(a, &QAction::triggered, this, [this, zoom] { canvas_->SetZoom(zoom); });
  }
  // Delete and the arrows belong to the canvas and the list; a field being typed in keeps them.
  delete_->setShortcutContext(Qt::WidgetWithChildrenShortcut);
}

void DesignerWindow::BuildMenus() {
  QMenu* file = menuBar()->addMenu(tr("文件(&F)"));
  file->addAction(tr("新建(&N)"), QKeySequence::New, this, &DesignerWindow::NewLayout);
  file->addAction(tr("打开(&O)…"), QKeySequence::Open, this, &DesignerWindow::OpenAsked);
  recent_ = file->addMenu(tr("最近打开的文件"));
  recent_->setObjectName(QStringLiteral("MenuRecent"));
  RefreshRecent();
  file->addSeparator();
  file->addAction(tr("保存(&S)"), QKeySequence::Save, this, [this] { Save(); })
      ->setObjectName(QStringLiteral("ActionSave"));
  file->addAction(tr("另存为(&A)…"), QKeySequence::SaveAs, this, [this] { SaveAs(); })
      ->setObjectName(QStringLiteral("ActionSaveAs"));
  file->addAction(tr("导出PNG(&E)…"), this, [this] { ExportPng(); })
      ->setObjectName(QStringLiteral("ActionExportPng"));
  file->addSeparator();
  file->addAction(tr("关闭(&C)"), QKeySequence::Close, this, &QWidget::close);

  QMenu* edit = menuBar()->addMenu(tr("编辑(&E)"));
  edit->addActions({undo_, redo_});
  edit->addSeparator();
  edit->addActions({copy_, paste_, duplicate_, delete_});
  edit->addSeparator();
  edit->addActions({raise_, lower_});

  QMenu* view = view_ = menuBar()->addMenu(tr("视图(&V)"));
  view->addActions(zoom_->actions());
  view->addSeparator();
  view->addActions({grid_, rulers_});
  view->addSeparator();
  view->addAction(tr("视频画面：测试图"), this, [this] {
    zotpx::SceneSetup setup = document_.setup();
    setup.video = zotpx::screen::TestCard();
    document_.SetSetup(std::move(setup));
    Refresh();
  });
  view->addAction(tr("视频画面：选择图片…"), this, &DesignerWindow::ChooseVideo);
  view->addAction(tr("十字线文件…"), this, &DesignerWindow::ChooseCrossFile);

  QMenu* device = menuBar()->addMenu(tr("设备(&D)"));
  device->addAction(tr("连接设备(&C)"), this, [this] { Connect(); })
      ->setObjectName(QStringLiteral("ActionConnect"));
  device
      ->addAction(tr("应用到设备(&A)"), QKeySequence(Qt::Key_F5), this,
                  &DesignerWindow::ApplyToDevice)
      ->setObjectName(QStringLiteral("ActionApply"));
  device->addAction(tr("设为开机画面(&S)…"), this, &DesignerWindow::MakeStartUp)
      ->setObjectName(QStringLiteral("ActionStartUp"));
  device->addSeparator();
  device->addAction(live_);

  QMenu* languages = menuBar()->addMenu(tr("语言(&L)"));
  languages->setObjectName(QStringLiteral("MenuLanguage"));
  zotpx::FillLanguageMenu(languages,
                          [this](const QString& text) { dialogs_->Message(windowTitle(), text); });
}

void DesignerWindow::BuildToolBar() {
  QToolBar* bar = addToolBar(tr("工具栏"));
  bar->setObjectName(QStringLiteral("ToolBar"));
  bar->setMovable(false);
  bar->addWidget(new QLabel(tr(" 型号：")));
  model_ = new QComboBox;
  model_->setObjectName(QStringLiteral("ComboModel"));
  model_->setAccessibleName(tr("型号"));
  for (const zotpx::DeviceModel model : {zotpx::DeviceModel::PA, zotpx::DeviceModel::PB})
    model_->addItem(QString::fromUtf8(zotpx::ModelName(model).data()), static_cast<int>(model));
  connect(model_, &QComboBox::activated, this, &DesignerWindow::ChooseModel);
  bar->addWidget(model_);
  bar->addSeparator();
  bar->addActions({undo_, redo_});
  bar->addSeparator();
  bar->addWidget(new QLabel(tr(" 串口：")));
  auto* ports = new PortCombo;
  ports->setObjectName(QStringLiteral("ComboPort"));
  ports->setAccessibleName(tr("串口"));
  ports->setMinimumContentsLength(10);
  ports->AcceptTypedNames();
  ports->Refresh();
  connect(ports, &QComboBox::currentTextChanged, this,
          [this](const QString& port) { link_.SetPort(port.toStdString()); });
  link_.SetPort(ports->currentText().toStdString());
  port_ = ports;
  bar->addWidget(port_);
  for (const char* name : {"ActionConnect", "ActionApply"})
    if (auto* a = findChild<QAction*>(QString::fromLatin1(name))) bar->addAction(a);
  bar->addAction(live_);
}

void DesignerWindow::BuildDocks() {
  const auto dock = [this](const QString& title, const char* name, QWidget* content,
                           Qt::DockWidgetArea area) {
    auto* d = new QDockWidget(title, this);
    d->setObjectName(QString::fromLatin1(name));
    d->setWidget(content);
    d->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable |
                   QDockWidget::DockWidgetClosable);
    addDockWidget(area, d);
    return d;
  };
  palette_ = new QWidget;
  palette_->setObjectName(QStringLiteral("Palette"));
  palette_column_ = new QVBoxLayout(palette_);
  palette_column_->setContentsMargins(4, 4, 4, 4);
  palette_column_->setSpacing(2);
  dock(tr("对象"), "DockPalette", palette_, Qt::LeftDockWidgetArea);
  list_ = new ObjectList(document_);
  dock(tr("对象列表"), "DockObjects", list_, Qt::RightDockWidgetArea);
  panel_ = new PropertyPanel(document_, *dialogs_);
  dock(tr("属性"), "DockProperties", panel_, Qt::RightDockWidgetArea);
  log_ = new QPlainTextEdit;
  log_->setObjectName(QStringLiteral("Log"));
  log_->setReadOnly(true);
  QDockWidget* log = dock(tr("通信记录"), "DockLog", log_, Qt::BottomDockWidgetArea);
  log->hide();
  view_->addAction(log->toggleViewAction());
}

void DesignerWindow::BuildPalette() {
  while (QLayoutItem* item = palette_column_->takeAt(0)) {
    delete item->widget();
    delete item;
  }
  for (const zotpx::CommandRow* row : PaletteRows(document_.model())) {
    auto* button = new QToolButton;
    button->setText(KindName(*row));
    button->setObjectName(
        QStringLiteral("Palette_") +
        QString::fromLatin1(row->name.data(), static_cast<int>(row->name.size())));
    button->setToolTip(tr("点这里，再点画布放置：%1").arg(QString::fromStdString(row->title)));
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(button, &QToolButton::clicked, this, [this, row] {
      canvas_->Arm(row);
      canvas_->setFocus();
      SetStatus(tr("在画布上点击放置：%1").arg(KindName(*row)).toStdString());
    });
    palette_column_->addWidget(button);
  }
  palette_column_->addStretch(1);
}

// ---- the document and its views ----

void DesignerWindow::Replace(Document document) {
  zotpx::SceneSetup setup = document_.setup();
  setup.at = CurrentMoment().toStdString();
  document_ = std::move(document);
  document_.SetSetup(std::move(setup));
  canvas_->Arm(nullptr);
  model_->setCurrentIndex(model_->findData(static_cast<int>(document_.model())));
  BuildPalette();
  Refresh();
}

void DesignerWindow::Refresh() {
  list_->Refresh();
  panel_->Refresh();
  canvas_->update();
  RefreshActions();
  const QString name = document_.path().empty()
                           ? tr("未命名")
                           : QFileInfo(QString::fromStdString(document_.path())).fileName();
  setWindowTitle(tr("%1[*] - 布局设计器").arg(name));
  setWindowModified(document_.modified());
}

void DesignerWindow::RefreshActions() {
  const bool selected = document_.selection().has_value();
  undo_->setEnabled(document_.CanUndo());
  redo_->setEnabled(document_.CanRedo());
  copy_->setEnabled(selected);
  duplicate_->setEnabled(selected);
  delete_->setEnabled(selected);
  raise_->setEnabled(selected);
  lower_->setEnabled(selected);
  paste_->setEnabled(!DesignerClipboard().empty());
}

void DesignerWindow::Edited(const EditResult& result) {
  Refresh();
  if (result.kind != EditResult::Kind::Done) return Refused(result);
  // Live: every finished edit goes to the device, whole, as apply sends it.
  if (live_->isChecked()) ApplyToDevice();
}

void DesignerWindow::Refused(const EditResult& result) {
  switch (result.kind) {
    case EditResult::Kind::Refused:
      SetStatus(result.message);
      break;
    case EditResult::Kind::Locked:
      SetStatus(tr("对象已锁定，不能移动或改变大小；在对象列表中取消“锁定”").toStdString());
      break;
    case EditResult::Kind::ModelLacks:
      SetStatus(tr("%1 没有这种对象")
                    .arg(QString::fromUtf8(zotpx::ModelName(document_.model()).data()))
                    .toStdString());
      break;
    default:
      break;
  }
}

void DesignerWindow::ChooseModel(int index) {
  const auto model = static_cast<zotpx::DeviceModel>(model_->itemData(index).toInt());
  if (const std::optional<std::size_t> lacking = document_.FirstLacking(model)) {
    model_->setCurrentIndex(model_->findData(static_cast<int>(document_.model())));
    const QString text = tr("布局中的第 %1 个对象（%2）是 %3 没有的，不能改为 %3")
                             .arg(*lacking + 1)
                             .arg(KindName(document_.objects()[*lacking].values.row()))
                             .arg(QString::fromUtf8(zotpx::ModelName(model).data()));
    SetStatus(text.toStdString());
    dialogs_->Message(windowTitle(), text);
    return;
  }
  Edited(document_.SetModel(model));
  BuildPalette();
}

void DesignerWindow::Place(const zotpx::CommandRow* row, zotpx::editor::Point at) {
  std::optional<zotpx::editor::BitmapFile> bitmap;
  if (row->Field("file")) {
    const std::optional<QString> path =
        dialogs_->OpenFile({tr("选择位图文件"), QString(), QString(),
                            QStringLiteral("Bitmap Files(*.bmp)|*.bmp|All Files(*.*)|*.*"), 1});
    if (!path) return;
    zotpx::editor::BitmapChoice choice = zotpx::editor::ReadBitmapFor(*row, LocalPath(*path));
    if (!choice.file) return SetStatus(row->title + choice.failure);
    bitmap = std::move(choice.file);
  }
  const EditResult added = document_.Add(*row, at, bitmap ? &*bitmap : nullptr);
  Edited(added);
  if (added)
    SetStatus(tr("已添加%1：(%2, %3)").arg(KindName(*row)).arg(at.x).arg(at.y).toStdString());
}

void DesignerWindow::Nudge(int dx, int dy) {
  if (document_.selection()) Edited(document_.Nudge(*document_.selection(), dx, dy));
}

void DesignerWindow::ChooseVideo() {
  const std::optional<QString> path =
      dialogs_->OpenFile({tr("选择视频画面"), QString(), QString(), kPictureFilter, 1});
  if (!path) return;
  std::optional<zotpx::screen::Picture> picture = zotpx::screen::LoadVideoPicture(LocalPath(*path));
  if (!picture) return SetStatus(tr("无法读取图片：%1").arg(*path).toStdString());
  zotpx::SceneSetup setup = document_.setup();
  setup.video = std::move(*picture);
  document_.SetSetup(std::move(setup));
  Refresh();
}

void DesignerWindow::ChooseCrossFile() {
  const std::optional<QString> path =
      dialogs_->OpenFile({tr("打开十字线文件"), QString(), QString(), kCrossFilter, 1});
  if (!path) return;
  const zotpx::CrossDownloadFile cross = zotpx::ReadCrossDownloadFile(LocalPath(*path));
  if (cross.failure) return SetStatus(tr("十字线文件").toStdString() + *cross.failure);
  zotpx::SceneSetup setup = document_.setup();
  setup.memory = zotpx::DeviceMemoryWith(cross.bytes);
  document_.SetSetup(std::move(setup));
  Refresh();
}

// ---- files ----

bool DesignerWindow::MaySetAside() {
  if (!document_.modified()) return true;
  const QString name =
      document_.path().empty() ? tr("未命名") : QString::fromStdString(document_.path());
  switch (dialogs_->Choose(windowTitle(), tr("布局“%1”已修改。保存修改吗？").arg(name),
                           {tr("保存"), tr("不保存"), tr("取消")})) {
    case 0:
      return Save();
    case 1:
      return true;
    default:
      return false;
  }
}

void DesignerWindow::NewLayout() {
  if (!MaySetAside()) return;
  Replace(Document(document_.model()));
  SetStatus(tr("新布局").toStdString());
}

void DesignerWindow::OpenAsked() {
  if (!MaySetAside()) return;
  const std::optional<QString> path =
      dialogs_->OpenFile({tr("打开布局文件"), QString(), QString(), LayoutFilter(), 1});
  if (path) OpenPath(*path);
}

bool DesignerWindow::OpenPath(const QString& path) {
  zotpx::Layout layout = zotpx::LoadLayout(LocalPath(path));
  if (!layout.ok()) {
    // The reader's own words, with the line; the layout shown stays as it was.
    const QString error = QString::fromStdString(layout.errors.front());
    SetStatus(tr("打开失败：%1").arg(error).toStdString());
    dialogs_->Message(tr("打开布局文件"), error);
    return false;
  }
  layout.name = path.toStdString();
  Document document(std::move(layout));
  document.SavedAs(path.toStdString());
  Replace(std::move(document));
  Remember(path);
  SetStatus(tr("已打开 %1（%2 个对象）").arg(path).arg(document_.objects().size()).toStdString());
  return true;
}

void DesignerWindow::OpenLayout(zotpx::Layout layout) {
  layout.name.clear();
  const std::size_t objects = layout.objects.size();
  Document document(std::move(layout));
  // Nothing of it is on disk yet: closing asks.
  document.MarkUnsaved();
  Replace(std::move(document));
  if (objects > 0) document_.Select(objects - 1);
  Refresh();
  SetStatus(tr("已打开 %1 个经设备确认的叠加对象；保存时选择文件").arg(objects).toStdString());
}

bool DesignerWindow::Save() {
  if (document_.path().empty()) return SaveAs();
  return SaveTo(QString::fromStdString(document_.path()));
}

bool DesignerWindow::SaveAs() {
  const QString current = QString::fromStdString(document_.path());
  const std::optional<QString> path = dialogs_->SaveFile(
      {tr("布局另存为"), QFileInfo(current).absolutePath(),
       current.isEmpty() ? QStringLiteral("Layout.toml") : QFileInfo(current).fileName(),
       LayoutFilter(), 1});
  if (!path) return false;
  if (path != current && QFileInfo::exists(*path) &&
      !dialogs_->Question(windowTitle(), tr("%1 文件已存在，替换吗？").arg(*path)))
    return false;
  return SaveTo(*path);
}

bool DesignerWindow::SaveTo(const QString& path) {
  const zotpx::LayoutFile file = document_.File();
  const std::string local = LocalPath(path);
  for (const std::string& name : zotpx::BitmapsReplaced(file, local))
    if (!dialogs_->Question(windowTitle(),
                            tr("布局旁已有另一个位图文件 %1，用本布局的位图替换它吗？")
                                .arg(QString::fromStdString(name))))
      return false;
  if (const std::optional<std::string> failed = zotpx::SaveLayoutFile(file, local)) {
    SetStatus(tr("保存%1").arg(QString::fromUtf8(zotpx::kSaveFailedText)).toStdString() + "：" +
              *failed);
    return false;
  }
  document_.SavedAs(path.toStdString());
  Remember(path);
  Refresh();
  SetStatus(tr("已保存 %1").arg(path).toStdString());
  return true;
}

bool DesignerWindow::ExportPng() {
  const QString current = QString::fromStdString(document_.path());
  const QString name = current.isEmpty()
                           ? QStringLiteral("Layout.png")
                           : QFileInfo(current).completeBaseName() + QStringLiteral(".png");
  const std::optional<QString> path =
      dialogs_->SaveFile({tr("导出PNG"), QFileInfo(current).absolutePath(), name, kPngFilter, 1});
  if (!path) return false;
  // The very picture the canvas shows, encoded as zotpx render encodes it.
  const std::optional<std::vector<std::uint8_t>> png =
      zotpx::screen::EncodePng(document_.scene().picture());
  if (!png || !SaveWholeFile(*path, *png)) {
    SetStatus(tr("导出PNG").toStdString() + zotpx::kSaveFailedText);
    return false;
  }
  SetStatus(tr("已导出 %1（时刻 %2）")
                .arg(*path, QString::fromStdString(document_.setup().at))
                .toStdString());
  return true;
}

void DesignerWindow::Remember(const QString& path) {
  const QString absolute = QFileInfo(path).absoluteFilePath();
  QSettings settings = Settings();
  QStringList recent = settings.value(kRecentKey).toStringList();
  recent.removeAll(absolute);
  recent.prepend(absolute);
  while (recent.size() > kRecentFiles) recent.removeLast();
  settings.setValue(kRecentKey, recent);
  RefreshRecent();
}

void DesignerWindow::RefreshRecent() {
  recent_->clear();
  const QStringList recent = Settings().value(kRecentKey).toStringList();
  for (const QString& path : recent)
    recent_->addAction(path, this, [this, path] {
      if (MaySetAside()) OpenPath(path);
    });
  recent_->setEnabled(!recent.isEmpty());
}

void DesignerWindow::closeEvent(QCloseEvent* event) {
  if (MaySetAside())
    event->accept();
  else
    event->ignore();
}

void DesignerWindow::SetPort(const QString& port) {
  static_cast<PortCombo*>(port_)->Select(port);
  link_.SetPort(port.toStdString());
}

// ---- the device ----

bool DesignerWindow::Connect() {
  device_->setText(tr("未连接"));
  if (!link_.Connect(*this, tr("连接设备").toStdString())) return false;
  // Over raw TCP the line runs at the server's rate, which nothing here knows: none is shown.
  device_->setText(QStringLiteral("%1  %2  %3")
                       .arg(QString::fromUtf8(zotpx::ModelName(link_.model()).data()))
                       .arg(QString::fromLatin1(link_.version()))
                       .arg(link_.baud() ? QString::number(link_.baud()) : QString())
                       .trimmed());
  // The port box offers a port that reached a device again, here and in the window.
  RememberPort(QString::fromStdString(link_.port()));
  return true;
}

void DesignerWindow::ApplyToDevice() {
  const std::string title = tr("应用到设备").toStdString();
  if (!link_.connected() && !Connect()) return;
  link_.Apply(*this, document_.layout(), title);
}

void DesignerWindow::MakeStartUp() {
  const std::string title = tr("设为开机画面").toStdString();
  if (!link_.connected() && !Connect()) return;
  if (!dialogs_->Question(windowTitle(), tr("把本布局下载为设备的开机画面（静态命令）吗？")))
    return;
  link_.DownloadStartUp(*this, document_.layout(), title);
}

void DesignerWindow::LiveToggled(bool on) {
  if (!on) return SetStatus(tr("实时应用已关闭").toStdString());
  if (!link_.connected() && !Connect()) {
    live_->setChecked(false);
    return;
  }
  ApplyToDevice();
}

// ---- Reporter ----

void DesignerWindow::SetStatus(const std::string& text) {
  const QString line = QString::fromStdString(text);
  status_->setText(line);
  status_->setToolTip(line);
}

void DesignerWindow::LogBytes(const std::string& title, std::size_t count,
                              const std::uint8_t* bytes) {
  log_->appendPlainText(QString::fromStdString(zotpx::FormatLogLine(title, count, bytes)));
}

void DesignerWindow::SetFormEnabled(bool enabled) {
  setEnabled(enabled);
}

void DesignerWindow::ProcessEvents() {
  QCoreApplication::processEvents();
}

void DesignerWindow::Repaint() {
  repaint();
}

void DesignerWindow::BringToFront() {
  raise();
  activateWindow();
}

void DesignerWindow::Progress(std::size_t done, std::size_t total) {
  if (total == 0) return progress_->hide();
  progress_->setRange(0, 100);
  progress_->setValue(static_cast<int>(done * 100 / total));
  progress_->show();
  progress_->repaint();
}
