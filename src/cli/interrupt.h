// Ctrl-C, SIGTERM and SIGHUP on the command line. The first asks the running command to stop at
// its next request: it finishes its log block, restores and closes the port and says how far it
// got, and the program exits with 128 + the signal's number. A second ends the program at once
// (the port's settings still put back). This header is the seam: one file per platform behind
// it (signals here, a console control handler on Windows).
#pragma once

namespace zotpx::cli {

// Installs the handlers; only for commands that talk to a device (the others keep the system's
// default and end at once, having nothing to finish).
void CatchInterrupts();
// The signal that asked to stop, 0 while none has.
int InterruptSignal();
// The exit status of a program that stopped as asked: 128 + the signal's number.
int InterruptedExitStatus();

// Station mode, in the parent: the worker process `pid` gets every signal caught here from now
// on (the parent alone hears the terminal, see TakeInterruptsFromParent), until it is forgotten
// (before it is waited for, so that a reused process id never gets one).
void PassInterruptsTo(int pid);
void ForgetInterruptWorker(int pid);
// In a worker just started: the terminal's signals go to the parent alone, which passes each
// on once. A stop the parent was already asked for stays asked.
void TakeInterruptsFromParent();

}  // namespace zotpx::cli
