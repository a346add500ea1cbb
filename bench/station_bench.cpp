// Station mode against one device alone: a full font library (0x74000 bytes) through
// `zotpx download font` into one simulated device paced at 460800 baud, then into four at once
// (one worker process per port), in the same run. Both times are the whole program, from
// start to exit, identification included.
//
//   bench_station_bench [--baud RATE] [--devices N]
//
// Goal: four at once within 1.15 x one alone.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "cli_bench.h"
#include "sim_device.h"
#include "text/font_library.h"

namespace {

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

  std::string path;
  const zotpx::Bytes font = zotpx::bench::WriteFontLibrary(3, path);
  if (path.empty()) {
    std::fprintf(stderr, "cannot write the font library file\n");
    return 1;
  }

  std::vector<std::unique_ptr<zotpx::sim::SimServer>> sims;
  std::string ports;
  for (int i = 0; i < devices; ++i) {
    sims.push_back(std::make_unique<zotpx::sim::SimServer>(
        zotpx::sim::DeviceConfig{.model = zotpx::DeviceModel::PA, .baud = baud, .pacing = true}));
    if (!sims.back()->Start()) {
      std::fprintf(stderr, "no pseudo-terminal: %s\n", sims.back()->error().c_str());
      return 1;
    }
    ports += (ports.empty() ? "" : ",") + sims.back()->path();
  }
  const std::string rate = std::to_string(baud);

  using zotpx::bench::RunZotpx;
  const auto one = RunZotpx({"-q", "-p", sims[0]->path(), "-b", rate, "download", "font", path});
  if (one.status != 0 || !Holds(*sims[0], font)) {
    std::fprintf(stderr, "the download to one device failed (exit status %d)\n", one.status);
    return 1;
  }
  const auto four = RunZotpx({"-q", "-p", ports, "-b", rate, "download", "font", path});
  const double alone = one.seconds;
  const double together = four.seconds;
  bool all = four.status == 0;
  for (const auto& sim : sims) all = all && Holds(*sim, font);
  if (!all) {
    std::fprintf(stderr, "the station download failed (exit status %d)\n", four.status);
    return 1;
  }
  std::remove(path.c_str());

  const double ratio = together / alone;
  std::printf(
      "font library of %zu bytes at %d baud, paced: one device alone %.3f s, %d at once"
      " %.3f s, ratio %.4f\n",
      font.size(), baud, alone, devices, together, ratio);
  const bool met = ratio <= 1.15;
  std::printf("    goal within 1.15 x one alone: %s\n", met ? "met" : "NOT met");
  return met ? 0 : 2;
}
