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
// Station workers to pass signals to; null is a free slot. More workers than this get no
// signal and run to their end.
constexpr int kMaxWorkers = 1024;
std::atomic<const ChildProcess*> g_workers[kMaxWorkers];
static_assert(std::atomic<const ChildProcess*>::is_always_lock_free, "read from a signal handler");
// The handler interrupts the one thread that replaces them, so it always reads whole words.
std::atomic<const LastWords*> g_last_words{nullptr};

// write() and nothing else: safe in a handler.
void SayLastWords() {
  const LastWords* words = g_last_words.load();
  if (!words) return;
  for (const auto& [file, text] : words->logs) file->Append(text);
  for (std::size_t done = 0; done < words->trace.size();) {
    const ssize_t n = write(STDERR_FILENO, words->trace.data() + done, words->trace.size() - done);
    if (n <= 0 && errno != EINTR) break;
    if (n > 0) done += static_cast<std::size_t>(n);
  }
}

void OnSignal(int sig) {
  const int saved_errno = errno;
  for (const auto& worker : g_workers)
    if (const ChildProcess* child = worker.load()) child->PassStop(sig);
  if (g_signal != 0) {
    // The second: end now, as the system would have, the port as it was found and the log
    // block finished.
    RestorePortAtOnce();
    SayLastWords();
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

sigset_t Interrupts() {
  sigset_t set;
  sigemptyset(&set);
  for (const int sig : kSignals) sigaddset(&set, sig);
  return set;
}

}  // namespace

void CatchInterrupts() {
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int sig : kSignals) sigaction(sig, &action, nullptr);
  // A station worker starts with them held (ChildProcess::Start): one passed on meanwhile
  // arrives now.
  const sigset_t interrupts = Interrupts();
  sigprocmask(SIG_UNBLOCK, &interrupts, nullptr);
}

int InterruptSignal() {
  return g_signal;
}

int InterruptedExitStatus() {
  return 128 + g_signal;
}

void PassInterruptsTo(const ChildProcess& worker) {
  // Held meanwhile, so that a signal is passed on exactly once: by the handler or here.
  const sigset_t interrupts = Interrupts();
  sigset_t before;
  sigprocmask(SIG_BLOCK, &interrupts, &before);
  for (auto& slot : g_workers) {
    const ChildProcess* free_slot = nullptr;
    if (slot.compare_exchange_strong(free_slot, &worker)) break;
  }
  if (g_signal != 0) worker.PassStop(g_signal);
  sigprocmask(SIG_SETMASK, &before, nullptr);
}

void ForgetInterruptWorker(const ChildProcess& worker) {
  for (auto& slot : g_workers) {
    const ChildProcess* mine = &worker;
    slot.compare_exchange_strong(mine, nullptr);
  }
}

// The worker was started in a process group of its own: the terminal's signals reach only the
// parent, which passes them on as signals.
void TakeInterruptsFromParent() {}

void SetLastWords(std::unique_ptr<const LastWords> words) {
  // A handler that comes between the two takes the new words; the old are no one's by then.
  delete g_last_words.exchange(words.release());
}

void WriteInsteadOfLastWords(const std::function<void()>& write) {
  const sigset_t interrupts = Interrupts();
  sigset_t before;
  sigprocmask(SIG_BLOCK, &interrupts, &before);
  write();
  delete g_last_words.exchange(nullptr);
  sigprocmask(SIG_SETMASK, &before, nullptr);
}

}  // namespace zotpx::cli
