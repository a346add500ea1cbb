// zotpx-sim --screen where zotpx-sim has no window of its own. The window lives in
// zotpx-sim-screen, the same simulator built with Qt, which comes with the desktop package, so
// that zotpx-sim and the command line install on a machine without Qt or X.
#pragma once

namespace zotpx::sim {

// Replaces this process by zotpx-sim-screen with the same arguments: the one beside this
// program (a build tree), else the installed one. Returns only when there is none or it cannot
// be started, after saying so on standard error: the exit status.
int ExecScreenProgram(char** argv);

}  // namespace zotpx::sim
