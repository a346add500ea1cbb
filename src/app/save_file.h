// Files the operator chose: their names as the core takes them and as the window shows them,
// and saving them whole or not at all (base/file_save.h).
#pragma once

#include <QString>
#include <QStringList>
#include <string>
#include <vector>

#include "base/file_save.h"
#include "serial/frame.h"

// A path from Qt (a file dialog gives '/' on every system) as the core takes it: UTF-8, with the
// system's own separators, so that what the core says about the file names it as the user
// knows it.
std::string CorePath(const QString& path);
// A path as the window shows it: with the system's own separators ("C:\a\b.bmp" on Windows).
QString ShownPath(const QString& path);

// Through a temporary file beside the target, renamed over it only once every byte is on
// disk: a failed save leaves no half-written file, and an existing one as it was. `inputs`,
// the files the bytes were made from, are never saved over.
zotpx::SaveResult SaveWholeFile(const QString& path, const zotpx::Bytes& bytes,
                                const QStringList& inputs = {});
// Several files, all or none.
zotpx::SaveResult SaveWholeFiles(const std::vector<std::pair<QString, zotpx::Bytes>>& files);
// The folder of the file a save to `path` writes, links followed, with its separator: where
// the files a saved layout names go.
QString SaveFolder(const QString& path);
