// The zotpx program: the command line parsed with CLI11 from the command table, the command
// run on one port or, with several, in station mode, and the results printed.
#pragma once

namespace zotpx::cli {

// Returns the exit status (kExitOk ... kExitPort).
int RunZotpx(int argc, char** argv);

}  // namespace zotpx::cli
