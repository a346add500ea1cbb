// The communication log's context menu: the text box's usual edit actions, saving the log, and
// exporting the start-up commands the device acknowledged in this session, as a static command
// text that "生成和下载静态命令" reads back, as a layout file that `zotpx apply` replays, or
// straight into the layout designer; and the window's language for its next start.
#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QPlainTextEdit>
#include <memory>
#include <stdexcept>

#include "app/form.h"
#include "app/save_file.h"
#include "app/window_language.h"
#include "base/file_save.h"
#include "layout/layout_writer.h"
#include "text/static_file.h"

namespace {

// Translated where they are used (TForm1's texts).
const char* const kSaveLogText = QT_TRANSLATE_NOOP("TForm1", "保存通信记录…");
const char* const kExportText = QT_TRANSLATE_NOOP("TForm1", "导出为静态命令文件…");
const char* const kExportLayoutText = QT_TRANSLATE_NOOP("TForm1", "导出为布局文件…");
const char* const kOpenInDesignerText = QT_TRANSLATE_NOOP("TForm1", "在布局设计器中打开");
const char* const kNothingToExportText =
    QT_TRANSLATE_NOOP("TForm1", "失败：本次没有经设备确认的叠加命令");
const char* const kNothingForLayoutText =
    QT_TRANSLATE_NOOP("TForm1", "失败：经设备确认的叠加命令都无法写入布局文件");
const QString kTextFilter = QStringLiteral("Text Files(*.txt)|*.txt|All Files(*.*)|*.*");

QString Tr(const char* text) {
  return TForm1::tr(text);
}

std::string TrText(const char* text) {
  return TForm1::tr(text).toStdString();
}

QString LayoutFilter() {
  return TForm1::tr("布局文件 (*.toml)|*.toml");
}

// The action's text without its ellipsis: the dialog's title and the status line's prefix.
std::string Title(const QString& action_text) {
  QString title = action_text;
  title.chop(1);
  return title.toStdString();
}

// Asks where to save, and whether to replace a file that is there.
std::optional<QString> AskSavePath(TForm1& form, const std::string& title, const QString& file_name,
                                   const QString& filter) {
  const std::optional<QString> path =
      form.dialogs().SaveFile({QString::fromStdString(title), AppDirectory, file_name, filter, 1});
  if (!path ||
      (QFileInfo::exists(*path) &&
       !form.dialogs().Question(form.windowTitle(),
                                TForm1::tr("%1 文件已存在，替换吗？").arg(ShownPath(*path)))))
    return std::nullopt;
  return path;
}

// Saves whole or not at all.
void SaveAs(TForm1& form, const std::string& title, const QString& file_name,
            const zotpx::Bytes& bytes) {
  const std::optional<QString> path = AskSavePath(form, title, file_name, kTextFilter);
  if (!path) return;
  if (const zotpx::SaveResult saved = SaveWholeFile(*path, bytes); !saved)
    return form.SetStatus(zotpx::SaveFailureText(title + zotpx::kSaveFailedText, saved.problem));
  form.SetStatus(title + TrText(QT_TRANSLATE_NOOP("TForm1", "成功")));
}

struct LayoutExport {
  zotpx::LayoutFile file;
  std::size_t objects = 0;
};

// The session's acknowledged commands as a layout at `path` would hold them.
zotpx::LayoutWriter SessionLayout(const std::vector<zotpx::Bytes>& frames, const QString& path) {
  zotpx::LayoutWriter writer("zotpx-manager's session", CorePath(path));
  for (std::size_t i = 0; i < frames.size(); ++i)
    writer.Add(frames[i], true, "frame " + std::to_string(i + 1));
  return writer;
}

LayoutExport MakeLayout(const std::vector<zotpx::Bytes>& frames, const QString& path) {
  const zotpx::LayoutWriter writer = SessionLayout(frames, path);
  return {writer.Finish(), writer.objects()};
}

std::string LayoutSavedText(const LayoutExport& layout) {
  QString text = TForm1::tr("成功：写入 %1 个叠加对象").arg(layout.objects);
  if (!layout.file.bitmaps.empty())
    text += TForm1::tr("，%1 个位图文件").arg(layout.file.bitmaps.size());
  if (!layout.file.notes.empty())
    text += TForm1::tr("；另有 %1 条命令无法写入布局，已略去").arg(layout.file.notes.size());
  return text.toStdString();
}

}  // namespace

void BuildLogMenu(TForm1& form, QPlainTextEdit* log) {
  log->setContextMenuPolicy(Qt::CustomContextMenu);
  QObject::connect(log, &QWidget::customContextMenuRequested, &form,
                   [&form, log](const QPoint& position) {
                     std::unique_ptr<QMenu> menu(CreateLogMenu(form, log, position));
                     // A scroll area reports the position in its viewport's coordinates.
                     menu->exec(log->viewport()->mapToGlobal(position));
                   });
}

QMenu* CreateLogMenu(TForm1& form, QPlainTextEdit* log, const QPoint& position) {
  QMenu* menu = log->createStandardContextMenu(position);
  menu->addSeparator();
  QAction* save = menu->addAction(Tr(kSaveLogText));
  save->setObjectName(QStringLiteral("MenuSaveLog"));
  QObject::connect(save, &QAction::triggered, &form,
                   [&form] { form.Guard([&form] { form.MenuSaveLogClick(); }); });
  QAction* export_static = menu->addAction(Tr(kExportText));
  export_static->setObjectName(QStringLiteral("MenuExportStatic"));
  QObject::connect(export_static, &QAction::triggered, &form,
                   [&form] { form.Guard([&form] { form.MenuExportStaticClick(); }); });
  QAction* export_layout = menu->addAction(Tr(kExportLayoutText));
  export_layout->setObjectName(QStringLiteral("MenuExportLayout"));
  QObject::connect(export_layout, &QAction::triggered, &form,
                   [&form] { form.Guard([&form] { form.MenuExportLayoutClick(); }); });
  QAction* open_in_designer = menu->addAction(Tr(kOpenInDesignerText));
  open_in_designer->setObjectName(QStringLiteral("MenuOpenInDesigner"));
  QObject::connect(open_in_designer, &QAction::triggered, &form,
                   [&form] { form.Guard([&form] { form.MenuOpenInDesignerClick(); }); });
  // The form's geometry is fixed: the language for the next start is chosen here.
  menu->addSeparator();
  QMenu* languages = menu->addMenu(TForm1::tr("语言"));
  languages->menuAction()->setObjectName(QStringLiteral("MenuLanguage"));
  zotpx::FillLanguageMenu(languages, [&form](const QString& text) {
    form.dialogs().Message(form.windowTitle(), text);
  });
  return menu;
}

void TForm1::CommandAcknowledged(const std::vector<zotpx::Bytes>& frames) {
  for (const zotpx::Bytes& frame : frames)
    if (frame.size() > 2 && zotpx::IsStartUpCommand(frame[2]))
      acknowledged_frames_.push_back(frame);
}

void TForm1::MenuSaveLogClick() {
  // The log as it stands, the operator's own edits included, every line ended as in a text
  // file (and as zotpx --log writes it): the last block's blank line too.
  QByteArray text = log_->toPlainText().toUtf8();
  if (!text.isEmpty()) text += '\n';
  SaveAs(*this, Title(Tr(kSaveLogText)), QStringLiteral("Log.txt"),
         zotpx::Bytes(text.begin(), text.end()));
}

void TForm1::MenuExportStaticClick() {
  const std::string title = Title(Tr(kExportText));
  if (acknowledged_frames_.empty()) return SetStatus(title + TrText(kNothingToExportText));
  // Never hand out a text that the static download would refuse or read only in part.
  if (const auto failure = zotpx::CheckStaticFrames(acknowledged_frames_))
    return SetStatus(title + *failure);
  const std::string text = zotpx::FormatStaticText(acknowledged_frames_);
  SaveAs(*this, title, QStringLiteral("Static.txt"), zotpx::Bytes(text.begin(), text.end()));
}

void TForm1::MenuExportLayoutClick() {
  const std::string title = Title(Tr(kExportLayoutText));
  if (acknowledged_frames_.empty()) return SetStatus(title + TrText(kNothingToExportText));
  const QString file_name = QStringLiteral("Layout.toml");
  // Refused before any dialog, like the static export, when there is nothing to write.
  if (MakeLayout(acknowledged_frames_, file_name).file.toml.empty())
    return SetStatus(title + TrText(kNothingForLayoutText));
  const std::optional<QString> path = AskSavePath(*this, title, file_name, LayoutFilter());
  if (!path) return;
  const LayoutExport layout = MakeLayout(acknowledged_frames_, *path);
  // The layout and its pictures all or none, the pictures beside the layout file itself, where
  // its reader looks for them.
  const QString folder = SaveFolder(*path);
  std::vector<std::pair<QString, zotpx::Bytes>> files;
  for (const auto& [name, bytes] : layout.file.bitmaps)
    files.emplace_back(folder + QString::fromStdString(name), bytes);
  const std::string& toml = layout.file.toml;
  files.emplace_back(*path, zotpx::Bytes(toml.begin(), toml.end()));
  if (const zotpx::SaveResult saved = SaveWholeFiles(files); !saved)
    return SetStatus(zotpx::SaveFailureText(title + zotpx::kSaveFailedText, saved.problem));
  SetStatus(title + LayoutSavedText(layout));
}

void TForm1::MenuOpenInDesignerClick() {
  const std::string title = TrText(kOpenInDesignerText);
  if (acknowledged_frames_.empty()) return SetStatus(title + TrText(kNothingToExportText));
  // The very layout "导出为布局文件…" writes, its pictures named as it names them.
  const zotpx::LayoutWriter writer =
      SessionLayout(acknowledged_frames_, QStringLiteral("Layout.toml"));
  if (writer.objects() == 0) return SetStatus(title + TrText(kNothingForLayoutText));
  zotpx::Layout layout = writer.layout();
  if (Model() != zotpx::DeviceModel::Unknown) layout.model = Model();
  if (!layout_opener_) throw std::logic_error("no layout designer to open the layout in");
  layout_opener_(std::move(layout));
  SetStatus(title + tr("成功：%1 个叠加对象").arg(writer.objects()).toStdString());
}
