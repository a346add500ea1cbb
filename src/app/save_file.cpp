#include "app/save_file.h"

#include <QFile>

#include "base/paths.h"

namespace {

std::string Local(const QString& path) {
  return QFile::encodeName(path).toStdString();
}

}  // namespace

zotpx::SaveResult SaveWholeFile(const QString& path, const zotpx::Bytes& bytes,
                                const QStringList& inputs) {
  std::vector<std::string> read;
  for (const QString& input : inputs) read.push_back(Local(input));
  const zotpx::FileToSave file{Local(path), bytes};
  return zotpx::WriteWholeFiles({&file, 1}, read);
}

zotpx::SaveResult SaveWholeFiles(const std::vector<std::pair<QString, zotpx::Bytes>>& files) {
  std::vector<zotpx::FileToSave> to_save;
  for (const auto& [path, bytes] : files) to_save.push_back({Local(path), bytes});
  return zotpx::WriteWholeFiles(to_save);
}

QString SaveFolder(const QString& path) {
  const std::string target = zotpx::LinkTarget(Local(path));
  return QFile::decodeName(zotpx::FolderOfPath(target.empty() ? Local(path) : target).c_str());
}
