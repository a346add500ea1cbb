// Station mode against one device alone: a full font library (0x74000 bytes) through
// `zotpx download font` into one simulated device paced at 460800 baud, then into four at once
// (one worker process per port), in the same run. Both times are the whole program, from
// start to exit, identification included.
//
//   bench_station_bench [--baud RATE] [--devices N]
//
// Goal: four at once within 1.15 x one alone.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "sim_device.h"
#include "text/font_library.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// Runs zotpx with `args`, its output thrown away; the exit status, or -1.
int RunZotpx(std::vector<std::string> args) {
  std::string program = ZOTPX_CLI_PATH;
  std::vector<char*> argv{program.data()};
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

double TimedRun(const std::vector<std::string>& args, int& status) {
  const auto start = Clock::now();
  status = RunZotpx(args);
  return std::chrono::duration<double>(Clock::now() - start).count();
}

bool Holds(const zotpx::sim::SimServer& sim, const zotpx::Bytes& font) {
  const zotpx::Bytes memory = sim.Memory();
  return std::equal(font.begin(), font.end(), memory.begin() + zotpx::kFontBase);
}

}  // namespace

int main(int argc, char** argv) {
  int baud = 460800;
  int devices = 4;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--baud") == 0) baud = std::atoi(argv[i + 1]);
    if (std::strcmp(argv[i], "--devices") == 0) devices = std::max(2, std::atoi(argv[i + 1]));
  }

  zotpx::Bytes font(zotpx::kFontMaxSize);
  std::mt19937 random(3);
  for (auto& b : font) b = static_cast<std::uint8_t>(random());
  font[11] = font[15] = 0x18;
  char path[] = "/tmp/zotpx-station-font-XXXXXX";
  const int fd = mkstemp(path);
  if (fd < 0 || write(fd, font.data(), font.size()) != static_cast<ssize_t>(font.size())) {
    std::fprintf(stderr, "cannot write the font library file\n");
    return 1;
  }
  close(fd);

  std::vector<std::unique_ptr<zotpx::sim::SimServer>> sims;
  std::string ports;
  for (int i = 0; i < devices; ++i) {
    sims.push_back(std::make_unique<zotpx::sim::SimServer>(
        zotpx::sim::DeviceConfig{.model = "ZOT-PA", .baud = baud, .pacing = true}));
    if (!sims.back()->Start()) {
      std::fprintf(stderr, "no pseudo-terminal: %s\n", sims.back()->error().c_str());
      return 1;
    }
    ports += (ports.empty() ? "" : ",") + sims.back()->path();
  }
  const std::string rate = std::to_string(baud);

  int status = 0;
  const double alone =
      TimedRun({"-q", "-p", sims[0]->path(), "-b", rate, "download", "font", path}, status);
  if (status != 0 || !Holds(*sims[0], font)) {
    std::fprintf(stderr, "the download to one device failed (exit status %d)\n", status);
    return 1;
  }
  const double together =
      TimedRun({"-q", "-p", ports, "-b", rate, "download", "font", path}, status);
  bool all = status == 0;
  for (const auto& sim : sims) all = all && Holds(*sim, font);
  if (!all) {
    std::fprintf(stderr, "the station download failed (exit status %d)\n", status);
    return 1;
  }
  std::remove(path);

  const double ratio = together / alone;
  std::printf(
      "font library of %zu bytes at %d baud, paced: one device alone %.3f s, %d at once"
      " %.3f s, ratio %.4f\n",
      font.size(), baud, alone, devices, together, ratio);
  const bool met = ratio <= 1.15;
  std::printf("    goal within 1.15 x one alone: %s\n", met ? "met" : "NOT met");
  return met ? 0 : 2;
}
