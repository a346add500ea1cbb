#include "app/save_file.h"

#include <QSaveFile>

bool SaveWholeFile(const QString& path, const zotpx::Bytes& bytes) {
  QSaveFile file(path);
  // Unbuffered, so that a short write (a full disk) shows in write()'s count: a buffered
  // write would be flushed by commit(), which then keeps half a file and reports success.
  if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return false;
  const auto size = static_cast<qint64>(bytes.size());
  if (file.write(reinterpret_cast<const char*>(bytes.data()), size) != size) {
    file.cancelWriting();
    return false;
  }
  return file.commit();
}
