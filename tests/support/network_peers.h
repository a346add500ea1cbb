// Serial servers that are not ours, started in front of a device on a pseudo-terminal: ser2net
// (RFC 2217 or raw TCP) with a configuration of the caller's own, and any program the caller
// names. For the tests and the benchmarks alike, so nothing here needs a test framework.
//
//   zotpx::test::Ser2net server;
//   if (!server.Start(sim->path(), zotpx::test::Ser2net::Mode::Rfc2217)) skip(server.error());
//   RunZotpx({"-p", server.url(), "connect"});
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "base/socket.h"

namespace zotpx::test {

// A program the caller runs, stopped with the object, and by the system should the caller end
// abruptly. Its standard output is a pipe when asked for, else it goes nowhere, as does its
// standard error.
class PeerProcess {
 public:
  PeerProcess(const std::vector<std::string>& argv, bool capture) {
    int pipe_fds[2] = {-1, -1};
    if (capture && pipe2(pipe_fds, O_CLOEXEC) != 0) return;
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const pid_t parent = getpid();
    pid_ = fork();
    if (pid_ == 0) {
      // Only async-signal-safe calls between fork and exec: the caller may run threads.
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
      out_ = pipe_fds[0];
    }
  }
  ~PeerProcess() {
    Stop();
    if (out_ >= 0) close(out_);
  }
  PeerProcess(const PeerProcess&) = delete;
  PeerProcess& operator=(const PeerProcess&) = delete;

  // Ends it; its exit status, -1 when it was killed or never ran.
  int Stop() {
    if (pid_ <= 0) return -1;
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  // Its first line of output, within `seconds`.
  std::string FirstLine(int seconds) const {
    std::string line;
    char c;
    pollfd p{out_, POLLIN, 0};
    while (poll(&p, 1, seconds * 1000) > 0 && read(out_, &c, 1) == 1 && c != '\n') line += c;
    return line;
  }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
};

// A port nobody listens on right now.
inline int FreePort() {
  SocketFailure failure;
  int port = 0;
  const SocketHandle socket = ListenSocket("127.0.0.1", 0, port, failure);
  CloseSocket(socket);
  return port;
}

// Whether something listens at the loopback's `port` (the kernel's own table).
inline bool Listening(int port) {
  char wanted[32];
  std::snprintf(wanted, sizeof wanted, ":%04X 00000000:0000 0A", port);
  std::ifstream table("/proc/net/tcp");
  std::string line;
  while (std::getline(table, line))
    if (line.find(wanted) != std::string::npos) return true;
  return false;
}

// ser2net serving the device at `device` on the loopback, one client at a time.
class Ser2net {
 public:
  enum class Mode { Rfc2217, Raw };

  ~Ser2net() { Stop(); }

  // False, with error() saying why, when ser2net is missing or does not start. `rate` is the
  // line's until an RFC 2217 client sets another; over raw TCP it stays.
  bool Start(const std::string& device, Mode mode, int rate = 115200) {
    program_ = Program();
    if (program_.empty()) return Fail("ser2net is not installed (scripts/deps installs it)");
    char folder[] = "/tmp/zotpx_ser2net_XXXXXX";
    if (!mkdtemp(folder)) return Fail("no temporary folder");
    folder_ = folder;
    const int port = FreePort();
    const std::filesystem::path config = folder_ / "ser2net.yaml";
    std::ofstream(config) << "%YAML 1.1\n---\nconnection: &zotpx\n  accepter: "
                          << (mode == Mode::Rfc2217 ? "telnet(rfc2217),tcp," : "tcp,")
                          << "127.0.0.1," << port << "\n  connector: serialdev," << device << ","
                          << rate << "n81,local\n  options:\n    chardelay: false\n";
    process_ = std::make_unique<PeerProcess>(
        std::vector<std::string>{program_, "-n", "-u", "-c", config.string(), "-P",
                                 (folder_ / "pid").string()},
        false);
    for (int i = 0; i < 100 && !Listening(port); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (!Listening(port)) return Fail("ser2net did not start");
    url_ = (mode == Mode::Rfc2217 ? "rfc2217://127.0.0.1:" : "tcp://127.0.0.1:") +
           std::to_string(port);
    return true;
  }
  // Ends the server: its clients see the connection closed.
  void Stop() {
    process_.reset();
    if (!folder_.empty()) std::filesystem::remove_all(folder_);
    folder_.clear();
  }
  const std::string& url() const { return url_; }
  const std::string& error() const { return error_; }
  // Whether the failure is only that the program is missing, for a test that skips then.
  bool Missing() const { return program_.empty(); }

  static std::string Program() {
    for (const char* path : {"/usr/sbin/ser2net", "/usr/bin/ser2net"})
      if (access(path, X_OK) == 0) return path;
    return {};
  }

 private:
  bool Fail(const std::string& why) {
    error_ = why;
    return false;
  }

  std::string program_;
  std::filesystem::path folder_;
  std::unique_ptr<PeerProcess> process_;
  std::string url_;
  std::string error_;
};

}  // namespace zotpx::test
