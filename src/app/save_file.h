// Saving a file the operator chose, whole or not at all.
#pragma once

#include <QString>

#include "serial/frame.h"

// Through a temporary file beside the target, renamed over it only once every byte is on
// disk: a failed save leaves no half-written file, and an existing one as it was.
bool SaveWholeFile(const QString& path, const zotpx::Bytes& bytes);
