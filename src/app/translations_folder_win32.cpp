#include <QCoreApplication>

#include "app/translations_folder.h"

namespace zotpx {

// The installer and the zip put them in translations\ beside the programs; the build tree has
// them one folder up.
QStringList TranslationFolders() {
  const QString here = QCoreApplication::applicationDirPath();
  return {here + QStringLiteral("/translations"), here + QStringLiteral("/../translations")};
}

}  // namespace zotpx
