// The communication log's context menu: the text box's usual edit actions, saving the log, and
// exporting the start-up commands the device acknowledged in this session as a static command
// text that "生成和下载静态命令" reads back.
#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QPlainTextEdit>
#include <memory>

#include "app/form.h"
#include "app/save_file.h"
#include "base/file_save.h"
#include "text/static_file.h"

namespace {

const QString kSaveLogText = QStringLiteral("保存通信记录…");
const QString kExportText = QStringLiteral("导出为静态命令文件…");
const QString kTextFilter = QStringLiteral("Text Files(*.txt)|*.txt|All Files(*.*)|*.*");
const char kNothingToExportText[] = "失败：本次没有经设备确认的叠加命令";
const char kSavedText[] = "成功";

// The action's text without its ellipsis: the dialog's title and the status line's prefix.
std::string Title(const QString& action_text) {
  QString title = action_text;
  title.chop(1);
  return title.toStdString();
}

// Asks where to save, and whether to replace a file that is there; saves whole or not at all.
void SaveAs(TForm1& form, const std::string& title, const QString& file_name,
            const zotpx::Bytes& bytes) {
  const std::optional<QString> path = form.dialogs().SaveFile(
      {QString::fromStdString(title), AppDirectory, file_name, kTextFilter, 1});
  if (!path) return;
  if (QFileInfo::exists(*path) &&
      !form.dialogs().Question(form.windowTitle(), *path + QStringLiteral(" 文件已存在，替换吗？")))
    return;
  if (!SaveWholeFile(*path, bytes)) return form.SetStatus(title + zotpx::kSaveFailedText);
  form.SetStatus(title + kSavedText);
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
  QAction* save = menu->addAction(kSaveLogText);
  save->setObjectName(QStringLiteral("MenuSaveLog"));
  QObject::connect(save, &QAction::triggered, &form,
                   [&form] { form.Guard([&form] { form.MenuSaveLogClick(); }); });
  QAction* export_static = menu->addAction(kExportText);
  export_static->setObjectName(QStringLiteral("MenuExportStatic"));
  QObject::connect(export_static, &QAction::triggered, &form,
                   [&form] { form.Guard([&form] { form.MenuExportStaticClick(); }); });
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
  SaveAs(*this, Title(kSaveLogText), QStringLiteral("Log.txt"),
         zotpx::Bytes(text.begin(), text.end()));
}

void TForm1::MenuExportStaticClick() {
  const std::string title = Title(kExportText);
  if (acknowledged_frames_.empty()) return SetStatus(title + kNothingToExportText);
  // Never hand out a text that the static download would refuse or read only in part.
  if (const auto failure = zotpx::CheckStaticFrames(acknowledged_frames_))
    return SetStatus(title + *failure);
  const std::string text = zotpx::FormatStaticText(acknowledged_frames_);
  SaveAs(*this, title, QStringLiteral("Static.txt"), zotpx::Bytes(text.begin(), text.end()));
}
