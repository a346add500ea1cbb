// Runs the real zotpx program as a user would and keeps what it printed and its exit status.
//
// ZOTPX_TEST_PROGRAM, when set, is the program instead, as words separated by spaces: a
// runner and its arguments, then the program ("scripts/windows/wine-run PREFIX zotpx.exe" runs
// the Windows build under Wine; sim_fixture.h names the devices as it sees them then).
//
// The program is started with posix_spawn: the test process has a simulated device serving
// on another thread, and a forked child that ran any code of ours before exec could inherit
// a lock that thread held (the sanitizers' allocator takes one) and wait on it forever.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace zotpx::test {

// The program under test is the Windows build under Wine (scripts/windows/test names its
// devices as COM ports): Linux's signals from outside, its COMn links and the termios fields
// Wine keeps for itself are not the program's to show.
inline bool TestsWindowsProgram() {
  const char* links = std::getenv("ZOTPX_TEST_PORT_LINKS");
  return links && *links;
}

struct ZotpxRun {
  int status = -1;  // exit status, or -1 when it did not exit normally
  int signal = 0;   // the signal that ended it, when one did
  std::string out;
  std::string err;
};

// Called while the program runs, with its process id and what it has printed so far: after
// each piece of output and at least every 20 ms. A test sends its signals from here.
using ZotpxWatch = std::function<void(pid_t pid, const ZotpxRun& so_far)>;

// Standard output and error whose reader goes away at once, as `| head -3` does after three
// lines: every write to them fails.
enum ClosedStreams : unsigned { kNoneClosed = 0, kOutClosed = 1, kErrClosed = 2 };

// A run that outlasts `limit` is killed, and its standard error says so: a hang fails the
// one test with what the program had printed, instead of stalling the whole suite. Standard
// input is the file `input` when one is named.
inline ZotpxRun RunZotpx(const std::vector<std::string>& args,
                         std::chrono::seconds limit = std::chrono::seconds(90),
                         const ZotpxWatch& watch = {}, const std::string& input = {},
                         unsigned closed = kNoneClosed) {
  ZotpxRun run;
  std::vector<std::string> copies;
  if (const char* launcher = std::getenv("ZOTPX_TEST_PROGRAM"); launcher && *launcher) {
    std::istringstream words(launcher);
    for (std::string word; words >> word;) copies.push_back(word);
  } else {
    copies.push_back(ZOTPX_CLI_PATH);
  }
  const std::string program = copies.front();
  copies.insert(copies.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& arg : copies) argv.push_back(arg.data());
  argv.push_back(nullptr);

  int out[2], err[2];
  if (pipe2(out, O_CLOEXEC) != 0) return run;
  if (pipe2(err, O_CLOEXEC) != 0) {
    close(out[0]);
    close(out[1]);
    return run;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
  if (!input.empty())
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, input.c_str(), O_RDONLY, 0);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  close(err[1]);
  if (spawned != 0) {
    close(out[0]);
    close(err[0]);
    run.err = "could not start " + program;
    return run;
  }

  const auto deadline = std::chrono::steady_clock::now() + limit;
  pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  std::string* into[2] = {&run.out, &run.err};
  int open = 2;
  for (int i = 0; i < 2; ++i) {
    if (!(closed & (1u << i))) continue;
    close(fds[i].fd);
    fds[i].fd = -1;
    --open;
  }
  bool killed = false;
  while (open > 0) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      kill(pid, SIGKILL);
      killed = true;
      break;
    }
    const int wait =
        watch ? std::min<int>(20, static_cast<int>(left.count())) : static_cast<int>(left.count());
    if (poll(fds, 2, wait) < 0) {
      if (errno == EINTR) continue;  // revents are stale then
      break;
    }
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      char buffer[4096];
      const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        into[i]->append(buffer, static_cast<std::size_t>(n));
      } else {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      }
    }
    if (watch) watch(pid, run);
  }
  for (const pollfd& p : fds)
    if (p.fd >= 0) close(p.fd);
  int status = 0;
  // With both streams closed there was nothing to read: the limit holds here.
  while (!killed && waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() >= deadline) {
      kill(pid, SIGKILL);
      killed = true;
      break;
    }
    if (watch) watch(pid, run);
    usleep(20000);
  }
  if (killed) waitpid(pid, &status, 0);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  if (killed)
    run.err += "\n[zotpx killed after " + std::to_string(limit.count()) + " s without finishing]";
  return run;
}

}  // namespace zotpx::test
