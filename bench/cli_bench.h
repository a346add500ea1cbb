// What the command-line benchmarks share: a full font library in a file, and running the real
// zotpx program with its output thrown away, timed from start to exit.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

extern char** environ;

namespace zotpx::bench {

// A 0x74000-byte library of random bytes with a valid header (size code 24), written to a new
// file under /tmp; its bytes, and its path in `path` (empty when it could not be written).
inline std::vector<std::uint8_t> WriteFontLibrary(unsigned seed, std::string& path) {
  std::vector<std::uint8_t> font(0x74000);
  std::mt19937 random(seed);
  for (auto& b : font) b = static_cast<std::uint8_t>(random());
  font[11] = font[15] = 0x18;
  char name[] = "/tmp/zotpx-bench-font-XXXXXX";
  const int fd = mkstemp(name);
  const bool ok =
      fd >= 0 && write(fd, font.data(), font.size()) == static_cast<ssize_t>(font.size());
  if (fd >= 0) close(fd);
  path = ok ? name : "";
  return font;
}

// The termios speed of the rates the reference loops run at.
inline speed_t Speed(int baud) {
  switch (baud) {
    case 115200:
      return B115200;
    case 230400:
      return B230400;
    case 460800:
      return B460800;
    default:
      return B9600;
  }
}

// The line's settings made raw at `baud`, for a reference loop to apply with its own VMIN/VTIME.
inline termios RawAt(int fd, int baud) {
  termios tio{};
  tcgetattr(fd, &tio);
  cfmakeraw(&tio);
  cfsetispeed(&tio, Speed(baud));
  cfsetospeed(&tio, Speed(baud));
  return tio;
}

struct TimedRun {
  int status = -1;  // exit status, -1 when it did not exit normally or did not start
  double seconds = 0;
  double cpu_seconds = 0;  // the program's own time on the processor, user and system
};

// Runs `words` (the program, then its arguments) with its output thrown away.
inline TimedRun RunProgram(std::vector<std::string> words) {
  const std::string program = words.front();
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  TimedRun run;
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return run;
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
  };
  run.cpu_seconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

#ifdef ZOTPX_CLI_PATH
inline TimedRun RunZotpx(std::vector<std::string> args) {
  args.insert(args.begin(), ZOTPX_CLI_PATH);
  return RunProgram(std::move(args));
}
#endif

}  // namespace zotpx::bench
