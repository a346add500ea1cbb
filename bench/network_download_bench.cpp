// A full font library (0x74000 bytes, 5 erases and 1980 writes) downloaded at 460800 baud into
// the simulated device keeping to the line rate, twice in one run: on its pseudo-terminal, and
// through ser2net's RFC 2217 on the loopback in front of the same pseudo-terminal. Each is timed
// from the first erase to the port closed; opening (the TCP connection, the negotiation, the
// purge) is shown apart.
//
//   bench_network_download_bench [--runs N]
//
// Goal: through ser2net within 1.05 x the local download (the medians of N runs each,
// alternating, so that a busy moment of the machine weighs on both alike).
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "quiet_reporter.h"
#include "serial/memory_transfer.h"
#include "serial/port.h"
#include "sim_device.h"
#include "support/network_peers.h"
#include "text/font_library.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kBaud = 460800;

double Seconds(Clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

struct Run {
  double open_s = 0;
  double transfer_s = 0;
  bool ok = false;
};

// What a failed download said, for the message.
class StatusReporter : public zotpx::bench::QuietReporter {
 public:
  void SetStatus(const std::string& text) override { status = text; }
  std::string status;
};

Run Download(zotpx::sim::SimServer& sim, const std::string& port_name, const std::string& path,
             const zotpx::Bytes& font) {
  Run run;
  std::optional<zotpx::FileData> file = zotpx::FileData::Open(path);
  if (!file) return run;
  const zotpx::TransferPlan plan = zotpx::FontTransferPlan("内部字库下载", file->size());
  StatusReporter reporter;
  zotpx::Port port;
  const auto start = Clock::now();
  if (!port.Open(port_name, kBaud)) {
    std::fprintf(stderr, "%s: %s\n", port_name.c_str(), port.OpenFailureText().c_str());
    return run;
  }
  const auto opened = Clock::now();
  const zotpx::TransferResult result = zotpx::RunMemoryTransfer(port, reporter, plan, *file);
  const auto end = Clock::now();
  run.open_s = Seconds(opened - start);
  run.transfer_s = Seconds(end - opened);
  const zotpx::Bytes memory = sim.Memory();
  run.ok = result == zotpx::TransferResult::Done &&
           std::equal(font.begin(), font.end(), memory.begin() + zotpx::kFontBase);
  if (!run.ok) std::fprintf(stderr, "%s: %s\n", port_name.c_str(), reporter.status.c_str());
  return run;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 3;
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
      runs = std::max(1, std::atoi(argv[++i]));

  zotpx::Bytes font(zotpx::kFontMaxSize);
  std::mt19937 random(1);
  for (auto& b : font) b = static_cast<std::uint8_t>(random());
  font[11] = font[15] = 0x18;
  char path[] = "/tmp/zotpx-bench-font-XXXXXX";
  const int fd = mkstemp(path);
  if (fd < 0 || write(fd, font.data(), font.size()) != static_cast<ssize_t>(font.size())) {
    std::fprintf(stderr, "cannot write the font library file\n");
    return 1;
  }
  close(fd);

  zotpx::sim::SimServer sim({.model = zotpx::DeviceModel::PA, .baud = kBaud, .pacing = true});
  if (!sim.Start()) {
    std::fprintf(stderr, "no pseudo-terminal for the simulated device: %s\n", sim.error().c_str());
    return 1;
  }
  zotpx::test::Ser2net server;
  if (!server.Start(sim.path(), zotpx::test::Ser2net::Mode::Rfc2217, kBaud)) {
    std::fprintf(stderr, "%s\n", server.error().c_str());
    return 1;
  }
  std::printf("font library of %zu bytes at %d baud, the device keeping to the line rate\n",
              font.size(), kBaud);
  std::vector<double> local, remote;
  double local_open = 0, remote_open = 0;
  for (int r = 0; r < runs; ++r) {
    const Run here = Download(sim, sim.path(), path, font);
    const Run there = Download(sim, server.url(), path, font);
    // ser2net lets the device go a moment after its client has: until then it would read the
    // next local download's replies itself.
    std::this_thread::sleep_for(std::chrono::seconds(1));
    if (!here.ok || !there.ok) {
      std::fprintf(stderr, "run %d: a download failed or the memory differs\n", r + 1);
      std::remove(path);
      return 1;
    }
    local.push_back(here.transfer_s);
    remote.push_back(there.transfer_s);
    local_open = std::max(local_open, here.open_s);
    remote_open = std::max(remote_open, there.open_s);
    std::printf("  run %d: pseudo-terminal %.3f s, ser2net RFC 2217 %.3f s\n", r + 1,
                here.transfer_s, there.transfer_s);
  }
  std::remove(path);
  const double ratio = Median(remote) / Median(local);
  std::printf(
      "median of %d: pseudo-terminal %.3f s (opening %.3f s more), ser2net RFC 2217 on the "
      "loopback %.3f s (opening %.3f s more): ratio %.4f\n",
      runs, Median(local), local_open, Median(remote), remote_open, ratio);
  const bool met = ratio <= 1.05;
  std::printf("    goal within 1.05 x the local download: %s\n", met ? "met" : "NOT met");
  return met ? 0 : 2;
}
