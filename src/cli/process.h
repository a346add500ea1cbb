// Station mode's workers: this same program started again once per port, what each writes to
// its standard output read back through a pipe. The one part of station mode that differs
// between systems: posix_spawn here, CreateProcessW and anonymous pipes on Windows (one file per
// platform behind this header).
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace zotpx::cli {

class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Starts this program with `args` (after its name): standard output a pipe to us, standard
  // error ours. It hears no interrupt from the terminal (the parent does, and passes each on
  // with PassStop) and holds any passed before it is ready to catch them. False when it could
  // not be started; error() says why.
  bool Start(const std::vector<std::string>& args);
  const std::string& error() const { return error_; }

  // Appends what it has written since the last call, without waiting. False once its output
  // has ended (it closed it, or ended).
  bool ReadAvailable(std::string& into);

  // Asks it to stop as the interrupt `signal` (SIGINT, SIGTERM, SIGHUP) asks this program.
  // Safe in a signal handler (POSIX) and from the console's handler thread (Windows).
  void PassStop(int signal) const;

  struct End {
    int status = -1;    // its exit status; -1 when it did not exit by itself
    std::string cause;  // what ended it otherwise: "by signal Killed"
  };
  // Waits for it to end.
  End Wait();

  // Waits until one of `children` has written something or ended, at most `timeout`.
  static void WaitForOutput(const std::vector<ChildProcess*>& children,
                            std::chrono::milliseconds timeout);

 private:
  std::string error_;
  // The system's own numbers, whichever it is: a process id and descriptors, or HANDLEs.
  std::intptr_t process_ = -1;
  std::intptr_t output_ = -1;  // the pipe from its standard output
  // Windows: the pipe to its standard input, for stops passed on (unused on Linux).
  [[maybe_unused]] std::intptr_t stop_ = -1;
};

}  // namespace zotpx::cli
