// Files the operator chose: their names as the core takes them and as the window shows them,
// and saving them whole.
#pragma once

#include <QString>
#include <string>

#include "serial/frame.h"

// A path from Qt (a file dialog gives '/' on every system) as the core takes it: UTF-8, with the
// system's own separators, so that what the core says about the file names it as the user
// knows it.
std::string CorePath(const QString& path);
// A path as the window shows it: with the system's own separators ("C:\a\b.bmp" on Windows).
QString ShownPath(const QString& path);

// Through a temporary file beside the target, renamed over it only once every byte is on
// disk: a failed save leaves no half-written file, and an existing one as it was.
bool SaveWholeFile(const QString& path, const zotpx::Bytes& bytes);
