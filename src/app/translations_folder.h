// Where the windows' own translations (zotpx_en.qm) are looked for, in order: beside the
// program or one folder up (the build tree and Windows, where they ship in translations\ beside
// the programs), then where the Linux packages install them. One file per platform.
#pragma once

#include <QStringList>

namespace zotpx {

QStringList TranslationFolders();

}  // namespace zotpx
