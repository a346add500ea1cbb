// Ctrl-C, SIGTERM and SIGHUP on the command line. The first asks the running command to stop at
// its next request: it finishes its log block, restores and closes the port and says how far it
// got, and the program exits with 128 + the signal's number. A second ends the program at once,
// the port's settings still put back and the log block under way still finished (its last
// words, below). This header is the seam: one file per platform behind it (signals here, a
// console control handler on Windows).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/append_file.h"
#include "cli/process.h"

namespace zotpx::cli {

// Installs the handlers; only for commands that talk to a device (the others keep the system's
// default and end at once, having nothing to finish).
void CatchInterrupts();
// The signal that asked to stop, 0 while none has.
int InterruptSignal();
// The exit status of a program that stopped as asked: 128 + the signal's number.
int InterruptedExitStatus();

// Station mode, in the parent: the worker gets every interrupt caught here from now on (and the
// one already caught, if any), until it is forgotten, which must come before the worker is
// waited for and destroyed.
void PassInterruptsTo(const ChildProcess& worker);
void ForgetInterruptWorker(const ChildProcess& worker);
// In a worker, after CatchInterrupts: its interrupts are those the parent passes on; the
// terminal's go to the parent alone.
void TakeInterruptsFromParent();

// What a second interrupt writes before the program ends: the log block under way, whole, with
// the line that says it was interrupted and the blank after it, to each log; and that line to
// standard error where the log is traced there.
struct LastWords {
  std::vector<std::pair<AppendFile*, std::string>> logs;
  std::string trace;
};
// Replaces them (nothing: none), as the block grows.
void SetLastWords(std::unique_ptr<const LastWords> words);
// Runs `write`, which writes the block they stand for, and drops them: a second interrupt
// meanwhile waits, so that it neither cuts into the block nor writes it twice.
void WriteInsteadOfLastWords(const std::function<void()>& write);

}  // namespace zotpx::cli
