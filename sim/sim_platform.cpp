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

const HelpWords& SystemHelpWords() {
  static const HelpWords words{
      "A simulated ZOT-PA / ZOT-PB on-screen-display device on a pseudo-terminal, or\n"
      "over TCP (--listen).\n"
      "\n"
      "It prints the path of its pseudo-terminal (with --listen: the URL to open),\n"
      "links it as COMn when asked (removing the link on exit), answers the probe only\n"
      "at its own rate, identifies itself, acknowledges every command and draws it on\n"
      "its screen, erases and writes its 0x78000-byte memory, runs the static commands\n"
      "stored there when it starts, and can misbehave on request.",
      "Signals: SIGUSR1 writes the memory dump (--dump) now; SIGINT, SIGTERM and SIGHUP\n"
      "end the simulator, which writes the dump once more on the way out and removes\n"
      "the COMn link, as it does when the --screen window closes or its display goes\n"
      "away. Without a display, --screen ends the program (status 1) before any pty or\n"
      "link is made.\n"
      "\n",
      "Write the memory to FILE at exit and on SIGUSR1"};
  return words;
}

}  // namespace zotpx::sim
