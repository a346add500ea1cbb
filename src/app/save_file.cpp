#include "app/save_file.h"

#include <QSaveFile>

bool SaveWholeFile(const QString& path, const zotpx::Bytes& bytes) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  const auto size = static_cast<qint64>(bytes.size());
  if (file.write(reinterpret_cast<const char*>(bytes.data()), size) != size) {
    file.cancelWriting();
    return false;
  }
  return file.commit();
}
