// Connect time against a simulated device at each of the eight rates, and its ratio to the
// scan's own floor: 100 ms for every rate that stayed silent, 2 ms for every rate switch, and
// the 100 ms of silence that ends the identification. Opening the port also costs one silent
// 100 ms read (the purge); the second ratio counts it in the floor as well.
//
//   bench_connect_bench [--runs N] [--pacing]
//
// --pacing makes the simulator keep to the line rate (about 1 ms a byte at 9600 baud).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/attributes.h"
#include "device/connect.h"
#include "quiet_reporter.h"
#include "sim_device.h"

using zotpx::bench::QuietReporter;

int main(int argc, char** argv) {
  int runs = 5;
  bool pacing = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
      runs = std::max(1, std::atoi(argv[++i]));
    else if (std::strcmp(argv[i], "--pacing") == 0)
      pacing = true;
  }

  std::printf("connect to a simulated device, %d runs per rate%s\n", runs,
              pacing ? ", line paced" : "");
  std::printf("%8s %10s %10s %10s %8s %12s %8s\n", "rate", "median ms", "worst ms", "floor ms",
              "ratio", "+open ms", "ratio");
  bool all_within = true;
  for (int i = 0; i < 8; ++i) {
    const int baud = zotpx::kBaudRateList[i];
    zotpx::sim::SimServer sim({.model = i % 2 ? zotpx::DeviceModel::PB : zotpx::DeviceModel::PA,
                               .baud = baud,
                               .pacing = pacing});
    if (!sim.Start()) {
      std::fprintf(stderr, "no pseudo-terminal for the simulated device: %s\n",
                   sim.error().c_str());
      return 1;
    }
    std::vector<double> times;
    for (int r = 0; r < runs; ++r) {
      QuietReporter reporter;
      zotpx::Port port;
      const auto start = std::chrono::steady_clock::now();
      const zotpx::ConnectResult result =
          zotpx::ConnectDevice(port, reporter, "连接设备", sim.path());
      const auto end = std::chrono::steady_clock::now();
      if (result.outcome != zotpx::ConnectOutcome::Identified || result.rate_index != i) {
        std::fprintf(stderr, "%d baud: not identified at the right rate\n", baud);
        return 1;
      }
      times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    std::sort(times.begin(), times.end());
    const double median = times[times.size() / 2];
    const double worst = times.back();
    const double floor = i * 100.0 + (i + 1) * 2.0 + 100.0;
    const double floor_with_open = floor + 100.0;
    all_within = all_within && worst <= 1.1 * floor_with_open;
    std::printf("%8d %10.1f %10.1f %10.1f %8.3f %12.1f %8.3f\n", baud, median, worst, floor,
                median / floor, floor_with_open, median / floor_with_open);
  }
  std::printf("%s\n", all_within ? "every rate within 1.1 x the floor with the open's purge"
                                 : "some rate beyond 1.1 x the floor with the open's purge");
  return 0;
}
