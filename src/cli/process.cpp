// Workers on POSIX systems: posix_spawn of /proc/self/exe in a process group of its own, with
// the interrupt signals blocked until the worker has its handlers (then a stop passed on early
// waits for it instead of killing it).
#include "cli/process.h"

#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace zotpx::cli {

namespace {

std::string ThisProgram() {
  std::string path(PATH_MAX, '\0');
  const ssize_t n = readlink("/proc/self/exe", path.data(), path.size() - 1);
  path.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  return path;
}

}  // namespace

ChildProcess::~ChildProcess() {
  if (output_ >= 0) close(static_cast<int>(output_));
}

bool ChildProcess::Start(const std::vector<std::string>& args) {
  const std::string program = ThisProgram();
  if (program.empty()) {
    error_ = "this program's own path is unknown: " + std::string(std::strerror(errno));
    return false;
  }
  int pipe_fds[2];
  if (pipe2(pipe_fds, O_CLOEXEC) != 0) {
    error_ = "no pipe for the worker: " + std::string(std::strerror(errno));
    return false;
  }
  std::vector<std::string> copies = args;
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (std::string& arg : copies) argv.push_back(arg.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDOUT_FILENO);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t held;
  sigemptyset(&held);
  for (const int sig : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&held, sig);
  posix_spawnattr_setsigmask(&attributes, &held);
  posix_spawnattr_setpgroup(&attributes, 0);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK);
  pid_t pid = -1;
  const int spawned =
      posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  close(pipe_fds[1]);
  if (spawned != 0) {
    close(pipe_fds[0]);
    error_ = "no worker process: " + std::string(std::strerror(spawned));
    return false;
  }
  fcntl(pipe_fds[0], F_SETFL, fcntl(pipe_fds[0], F_GETFL) | O_NONBLOCK);
  process_ = pid;
  output_ = pipe_fds[0];
  return true;
}

bool ChildProcess::ReadAvailable(std::string& into) {
  if (output_ < 0) return false;
  char buffer[4096];
  for (;;) {
    const ssize_t n = read(static_cast<int>(output_), buffer, sizeof buffer);
    if (n > 0) {
      into.append(buffer, static_cast<std::size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN) return true;
    close(static_cast<int>(output_));
    output_ = -1;
    return false;
  }
}

void ChildProcess::PassStop(int signal) const {
  if (process_ > 0) kill(static_cast<pid_t>(process_), signal);
}

ChildProcess::End ChildProcess::Wait() {
  End end;
  if (process_ <= 0) return end;
  int status = 0;
  while (waitpid(static_cast<pid_t>(process_), &status, 0) < 0 && errno == EINTR) {
  }
  process_ = -1;
  if (WIFEXITED(status)) end.status = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) end.cause = std::string("by signal ") + strsignal(WTERMSIG(status));
  return end;
}

void ChildProcess::WaitForOutput(const std::vector<ChildProcess*>& children,
                                 std::chrono::milliseconds timeout) {
  std::vector<pollfd> fds;
  for (const ChildProcess* child : children)
    if (child->output_ >= 0) fds.push_back({static_cast<int>(child->output_), POLLIN, 0});
  if (fds.empty()) return;
  poll(fds.data(), fds.size(), static_cast<int>(timeout.count()));
}

}  // namespace zotpx::cli
