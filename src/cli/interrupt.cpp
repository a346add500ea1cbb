// Interrupts on POSIX systems: signal handlers that only note the signal, pass it to the station's
// workers, and on the second one put the port back and end.
#include "cli/interrupt.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>

#include "serial/port.h"

namespace zotpx::cli {

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

volatile std::sig_atomic_t g_signal = 0;
// The process that catches for its workers: a worker inherits the list below at its start and
// must never pass anything on, not even in the moment before it clears it.
std::atomic<pid_t> g_catcher{0};
// Station workers to pass signals to; 0 is a free slot. More workers than this get no signal
// and run to their end.
constexpr int kMaxWorkers = 1024;
std::atomic<pid_t> g_workers[kMaxWorkers];
static_assert(std::atomic<pid_t>::is_always_lock_free, "read from a signal handler");

void OnSignal(int sig) {
  const int saved_errno = errno;
  if (g_catcher.load() == getpid()) {
    for (const auto& worker : g_workers)
      if (const pid_t pid = worker.load(); pid > 0) kill(pid, sig);
  }
  if (g_signal != 0) {
    // The second: end now, as the system would have, the port as it was found.
    RestorePortAtOnce();
    signal(sig, SIG_DFL);
    sigset_t unblock;
    sigemptyset(&unblock);
    sigaddset(&unblock, sig);
    sigprocmask(SIG_UNBLOCK, &unblock, nullptr);
    raise(sig);
    _exit(128 + sig);
  }
  g_signal = sig;
  errno = saved_errno;
}

}  // namespace

void CatchInterrupts() {
  g_catcher = getpid();
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int sig : kSignals) sigaction(sig, &action, nullptr);
}

int InterruptSignal() {
  return g_signal;
}

int InterruptedExitStatus() {
  return 128 + g_signal;
}

void PassInterruptsTo(int pid) {
  // Its own process group, so that a Ctrl-C at the terminal reaches the parent alone; set here
  // as well as in the worker, whichever runs first.
  (void)setpgid(pid, pid);
  for (auto& worker : g_workers) {
    pid_t free_slot = 0;
    if (worker.compare_exchange_strong(free_slot, pid)) return;
  }
}

void ForgetInterruptWorker(int pid) {
  for (auto& worker : g_workers) {
    pid_t mine = pid;
    worker.compare_exchange_strong(mine, 0);
  }
}

void TakeInterruptsFromParent() {
  (void)setpgid(0, 0);
  g_catcher = 0;
  for (auto& worker : g_workers) worker = 0;
}

}  // namespace zotpx::cli
