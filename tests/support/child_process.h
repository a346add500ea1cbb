// A program a test runs, with its first line of output (Linux).
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace zotpx::test {

// A program the test runs, stopped with the object, and by the system should the test end
// abruptly. Its standard output is a pipe when asked for, else it goes nowhere, as does its
// standard error.
struct Child {
  pid_t pid = -1;
  int out = -1;
  Child(const std::vector<std::string>& argv, bool capture) {
    int pipe_fds[2] = {-1, -1};
    if (capture && pipe2(pipe_fds, O_CLOEXEC) != 0) return;
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const pid_t parent = getpid();
    pid = fork();
    if (pid == 0) {
      // Only async-signal-safe calls between fork and exec.
      prctl(PR_SET_PDEATHSIG, SIGTERM);
      if (getppid() != parent) _exit(127);
      const int null = open("/dev/null", O_WRONLY);
      dup2(capture ? pipe_fds[1] : null, 1);
      dup2(null, 2);
      execv(args[0], args.data());
      _exit(127);
    }
    if (capture) {
      close(pipe_fds[1]);
      out = pipe_fds[0];
    }
  }
  ~Child() {
    Stop();
    if (out >= 0) close(out);
  }
  // Ends it; its exit status, -1 when it was killed or never ran.
  int Stop() {
    if (pid <= 0) return -1;
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  // Its first line of output, within `seconds`.
  std::string FirstLine(int seconds) const {
    std::string line;
    char c;
    pollfd p{out, POLLIN, 0};
    while (poll(&p, 1, seconds * 1000) > 0 && read(out, &c, 1) == 1 && c != '\n') line += c;
    return line;
  }
};

}  // namespace zotpx::test
