#include "app/translations_folder.h"

#include <QCoreApplication>

namespace zotpx {

// The build tree's own first, so that a program run there never takes an older installed copy.
QStringList TranslationFolders() {
  const QString here = QCoreApplication::applicationDirPath();
  return {here + QStringLiteral("/translations"), here + QStringLiteral("/../translations"),
          QStringLiteral(ZOTPX_TRANSLATIONS_DIR)};
}

}  // namespace zotpx
