#include "app/save_file.h"

#include <QDir>

#include "base/file_save.h"

std::string CorePath(const QString& path) {
  return ShownPath(path).toStdString();
}

QString ShownPath(const QString& path) {
  return QDir::toNativeSeparators(path);
}

bool SaveWholeFile(const QString& path, const zotpx::Bytes& bytes) {
  return zotpx::WriteWholeFile(CorePath(path), bytes);
}
