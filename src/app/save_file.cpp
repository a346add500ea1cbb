#include "app/save_file.h"

#include <QFile>

#include "base/file_save.h"

bool SaveWholeFile(const QString& path, const zotpx::Bytes& bytes) {
  return zotpx::WriteWholeFile(QFile::encodeName(path).toStdString(), bytes);
}
