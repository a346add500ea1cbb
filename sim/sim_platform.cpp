#include "sim_platform.h"

#include <signal.h>
#include <sys/stat.h>

#include <filesystem>

#include "base/file_save.h"

namespace zotpx::sim {
namespace {

sigset_t Signals() {
  sigset_t signals;
  sigemptyset(&signals);
  for (int s : {SIGINT, SIGTERM, SIGUSR1, SIGHUP}) sigaddset(&signals, s);
  return signals;
}

}  // namespace

void TakeSignals() {
  // Taken by sigtimedwait; the serving thread (and the window's) inherit the mask.
  const sigset_t signals = Signals();
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
}

SimSignal WaitForSignal(long wait_ms) {
  const sigset_t signals = Signals();
  const timespec wait{wait_ms / 1000, wait_ms % 1000 * 1000000};
  const int s = sigtimedwait(&signals, nullptr, &wait);
  if (s == SIGINT || s == SIGTERM || s == SIGHUP) return SimSignal::Stop;
  return s == SIGUSR1 ? SimSignal::Dump : SimSignal::None;
}

std::string FileIdentity(const std::string& name) {
  struct stat st {};
  if (stat(name.c_str(), &st) == 0)
    return "inode " + std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
  const std::string target = LinkTarget(name);
  std::error_code error;
  const std::filesystem::path made =
      std::filesystem::weakly_canonical(target.empty() ? name : target, error);
  return "path " + (error ? name : made.string());
}

}  // namespace zotpx::sim
