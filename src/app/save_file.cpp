#include "app/save_file.h"

#include <QDir>

#include "base/paths.h"

std::string CorePath(const QString& path) {
  return ShownPath(path).toStdString();
}

QString ShownPath(const QString& path) {
  return QDir::toNativeSeparators(path);
}

zotpx::SaveResult SaveWholeFile(const QString& path, const zotpx::Bytes& bytes,
                                const QStringList& inputs) {
  std::vector<std::string> read;
  for (const QString& input : inputs) read.push_back(CorePath(input));
  const zotpx::FileToSave file{CorePath(path), bytes};
  return zotpx::WriteWholeFiles({&file, 1}, read);
}

zotpx::SaveResult SaveWholeFiles(const std::vector<std::pair<QString, zotpx::Bytes>>& files) {
  std::vector<zotpx::FileToSave> to_save;
  for (const auto& [path, bytes] : files) to_save.push_back({CorePath(path), bytes});
  return zotpx::WriteWholeFiles(to_save);
}

QString SaveFolder(const QString& path) {
  const std::string target = zotpx::LinkTarget(CorePath(path));
  return QString::fromStdString(zotpx::FolderOfPath(target.empty() ? CorePath(path) : target));
}
