// A full font library (0x74000 bytes, 5 erases and 1980 writes) downloaded at 460800 baud into
// the simulated device paced to the line, by the Windows zotpx.exe under Wine and by the Linux
// zotpx, alternately, in the same run: each timed as a whole program, from its start to its
// exit (identification, erase, writes, the port put back), and the medians compared. The
// Windows program reaches the device through a COM port: the pty linked in the Wine prefix's
// dosdevices. Wine's own start, timed the same way with `zotpx.exe --version`, is shown apart.
//
//   bench_windows_download_bench --wine "scripts/windows/wine-run PREFIX" --exe zotpx.exe
//                                --links PREFIX/dosdevices [--rounds N]
//
// scripts/windows/bench runs it with the Wine session started. Goal: within 1.05 x Linux.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "cli_bench.h"
#include "sim_device.h"

namespace {

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

std::vector<std::string> Words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

}  // namespace

int main(int argc, char** argv) {
  std::string wine, exe, links;
  int rounds = 3;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--wine") == 0) wine = argv[i + 1];
    if (std::strcmp(argv[i], "--exe") == 0) exe = argv[i + 1];
    if (std::strcmp(argv[i], "--links") == 0) links = argv[i + 1];
    if (std::strcmp(argv[i], "--rounds") == 0) rounds = std::max(1, std::atoi(argv[i + 1]));
  }
  if (wine.empty() || exe.empty() || links.empty()) {
    std::fprintf(stderr,
                 "usage: %s --wine RUNNER --exe zotpx.exe --links DOSDEVICES [--rounds N]\n",
                 argv[0]);
    return 2;
  }
  std::string font_path;
  const std::vector<std::uint8_t> font = zotpx::bench::WriteFontLibrary(1, font_path);
  if (font_path.empty()) return 1;

  zotpx::sim::SimServer sim({.model = zotpx::DeviceModel::PA, .baud = 460800, .pacing = true});
  if (!sim.Start()) {
    std::fprintf(stderr, "no pseudo-terminal for the simulated device: %s\n", sim.error().c_str());
    return 1;
  }
  const std::string link = links + "/com199";
  unlink(link.c_str());
  if (symlink(sim.path().c_str(), link.c_str()) != 0) {
    std::perror(link.c_str());
    return 1;
  }

  const std::vector<std::string> download = {"-b", "460800", "-q", "download", "font", font_path};
  std::vector<std::string> linux_args = {ZOTPX_CLI_PATH, "-p", sim.path()};
  linux_args.insert(linux_args.end(), download.begin(), download.end());
  std::vector<std::string> windows_args = Words(wine);
  windows_args.insert(windows_args.end(), {exe, "-p", "COM199"});
  windows_args.insert(windows_args.end(), download.begin(), download.end());
  std::vector<std::string> start_args = Words(wine);
  start_args.insert(start_args.end(), {exe, "--version"});

  std::vector<double> on_linux, on_windows, wine_start;
  int status = 0;
  for (int r = 0; r < rounds && status == 0; ++r) {
    for (const bool windows : {false, true}) {
      const zotpx::bench::TimedRun run =
          zotpx::bench::RunProgram(windows ? windows_args : linux_args);
      const std::vector<std::uint8_t> memory = sim.Memory();
      if (run.status != 0 || !std::equal(font.begin(), font.end(), memory.begin() + 0x4000)) {
        std::fprintf(stderr, "the %s download failed (status %d) or the memory differs\n",
                     windows ? "Windows" : "Linux", run.status);
        status = 1;
        break;
      }
      (windows ? on_windows : on_linux).push_back(run.seconds);
    }
    wine_start.push_back(zotpx::bench::RunProgram(start_args).seconds);
  }
  unlink(link.c_str());
  std::remove(font_path.c_str());
  if (status != 0) return status;

  const double linux_s = Median(on_linux), windows_s = Median(on_windows);
  const double start_s = Median(wine_start);
  const double ratio = windows_s / linux_s;
  std::printf("font library of %zu bytes at 460800 baud, paced, %d rounds (medians):\n",
              font.size(), rounds);
  std::printf("  Linux zotpx            %.3f s\n", linux_s);
  std::printf("  zotpx.exe under Wine   %.3f s  (Wine's start alone: %.3f s)\n", windows_s,
              start_s);
  std::printf("  ratio %.4f; without Wine's start %.4f\n", ratio, (windows_s - start_s) / linux_s);
  const bool met = ratio <= 1.05;
  std::printf("  goal within 1.05 x Linux: %s\n", met ? "met" : "NOT met");
  return met ? 0 : 2;
}
