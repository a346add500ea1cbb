// The three downloads from the command line: the file is checked before anything is opened,
// the device identified (as the window requires a connect first), the window's model and
// rate refusals applied, then the memory transfer.
#pragma once

#include "cli/commands.h"
#include "cli/device_steps.h"

namespace zotpx::cli {

void RunDownload(const CommandDef& command, const CommandValues& values, const Session& session,
                 StatusCapture& reporter, Outcome& outcome);

}  // namespace zotpx::cli
