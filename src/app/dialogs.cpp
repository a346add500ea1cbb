#include "app/dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>
#include <algorithm>
#include <vector>

#include "app/form.h"

namespace {

// One "name|pattern" pair as a Qt filter: "name(patterns)". The pattern the pair gives wins
// over whatever the name shows in brackets; "*.*" becomes "*" so that "All Files" also lists
// files without an extension, as it does on Windows.
QString QtFilter(QString name, QString pattern) {
  pattern = pattern.trimmed();
  pattern.replace(QLatin1Char(';'), QLatin1Char(' '));
  if (pattern == QLatin1String("*.*")) pattern = QStringLiteral("*");
  if (pattern.isEmpty()) pattern = QStringLiteral("*");
  name = name.trimmed();
  const int bracket = name.lastIndexOf(QLatin1Char('('));
  if (bracket > 0 && name.endsWith(QLatin1Char(')'))) name.truncate(bracket);
  return name + QLatin1Char('(') + pattern + QLatin1Char(')');
}

QStringList QtFilters(const QString& windows_filter) {
  const QStringList parts = windows_filter.split(QLatin1Char('|'));
  QStringList filters;
  for (int i = 0; i + 1 < parts.size(); i += 2) filters << QtFilter(parts[i], parts[i + 1]);
  return filters;
}

QString ApplicationTitle(const QString& title) {
  return title.isEmpty() ? QGuiApplication::applicationDisplayName() : title;
}

std::optional<QString> RunFileDialog(QWidget* owner, const Dialogs::FileRequest& request,
                                     bool save) {
  const QString directory = request.directory.isEmpty() ? AppDirectory : request.directory;
  QFileDialog dialog(owner, request.title, directory);
  dialog.setNameFilters(QtFilters(request.filter));
  dialog.selectNameFilter(QtFilterAt(request.filter, request.filter_index));
  dialog.setSizeGripEnabled(true);
  if (save) {
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The handlers ask their own overwrite question where one is due.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
  } else {
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
  }
  if (!request.file_name.isEmpty()) dialog.selectFile(request.file_name);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty() || chosen.front().isEmpty()) return std::nullopt;
  return chosen.front();
}

}  // namespace

QString QtFilterList(const QString& windows_filter) {
  return QtFilters(windows_filter).join(QStringLiteral(";;"));
}

QString QtFilterAt(const QString& windows_filter, int index) {
  const QStringList filters = QtFilters(windows_filter);
  if (filters.isEmpty()) return QString();
  // Out of range picks the first, as the Windows dialog does.
  if (index < 1 || index > filters.size()) index = 1;
  return filters[index - 1];
}

std::optional<QString> QtDialogs::OpenFile(const FileRequest& request) {
  return RunFileDialog(owner_, request, false);
}

std::optional<QString> QtDialogs::SaveFile(const FileRequest& request) {
  return RunFileDialog(owner_, request, true);
}

void QtDialogs::Message(const QString& title, const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, ApplicationTitle(title), text, QMessageBox::Ok, owner_);
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

bool QtDialogs::Question(const QString& title, const QString& text) {
  QMessageBox box(QMessageBox::Question, ApplicationTitle(title), text,
                  QMessageBox::Ok | QMessageBox::Cancel, owner_);
  box.setTextFormat(Qt::PlainText);
  box.setDefaultButton(QMessageBox::Ok);
  box.setEscapeButton(QMessageBox::Cancel);
  return box.exec() == QMessageBox::Ok;
}

int QtDialogs::Choose(const QString& title, const QString& text, const QStringList& buttons) {
  QMessageBox box(QMessageBox::Question, ApplicationTitle(title), text, QMessageBox::NoButton,
                  owner_);
  box.setTextFormat(Qt::PlainText);
  std::vector<QAbstractButton*> added;
  for (const QString& caption : buttons)
    added.push_back(box.addButton(caption, QMessageBox::AcceptRole));
  if (!added.empty()) {
    box.setDefaultButton(static_cast<QPushButton*>(added.front()));
    box.setEscapeButton(added.back());
  }
  box.exec();
  const auto pressed = std::find(added.begin(), added.end(), box.clickedButton());
  return pressed == added.end() ? static_cast<int>(added.size()) - 1
                                : static_cast<int>(pressed - added.begin());
}

void QtDialogs::Error(const QString& text) {
  QMessageBox box(QMessageBox::Critical, ApplicationTitle(QString()), text, QMessageBox::Ok,
                  owner_);
  box.setTextFormat(Qt::PlainText);
  box.exec();
}
