// `zotpx apply` of the example layout (examples/zotpx-pa.toml, 14 objects) against the simulated
// device paced at 115200 baud, and the very frames it sends through a bare reference loop
// written here (raw termios: write a frame, read its 6-byte reply, next), in the same run.
// zotpx is timed as a whole program (start, loading and checking the layout, its bitmaps, the
// one opening of the port and its purge); the loop from opening the port. The loop runs twice:
// bare, and with the one purge a host owes the line when it opens the port (read until 100 ms
// pass in silence), which zotpx keeps and which alone is over half of this exchange at 115200.
// Each is run several times, alternately, and the medians compared. The line-time floor (every
// byte at 10 bits, no gaps) is shown beside them.
//
//   bench_apply_bench [--baud RATE] [--rounds N]
//
// Goal: zotpx within 1.05 x the reference with its purge; the bare figure is shown too.
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli_bench.h"
#include "sim_device.h"

namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

// Every frame, written and answered in turn; seconds from the opening, or -1 when a reply
// did not come. With `purge`, what the line holds is read away first, until 100 ms of silence.
double ReferenceApply(const std::string& path, int baud, const std::vector<Bytes>& frames,
                      bool purge) {
  const auto start = Clock::now();
  const int fd = open(path.c_str(), O_RDWR | O_NOCTTY);
  if (fd < 0) return -1;
  termios tio = zotpx::bench::RawAt(fd, baud);
  if (purge) {
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 1;
    tcsetattr(fd, TCSANOW, &tio);
    std::uint8_t scratch[256];
    while (read(fd, scratch, sizeof scratch) > 0) {
    }
  }
  tio.c_cc[VMIN] = 1;
  tio.c_cc[VTIME] = 20;  // 2 s: a lost reply ends the run instead of hanging it
  tcsetattr(fd, TCSANOW, &tio);
  bool ok = true;
  for (const Bytes& frame : frames) {
    if (write(fd, frame.data(), frame.size()) != static_cast<ssize_t>(frame.size())) {
      ok = false;
      break;
    }
    std::uint8_t reply[6];
    std::size_t got = 0;
    while (ok && got < sizeof reply) {
      const ssize_t n = read(fd, reply + got, sizeof reply - got);
      ok = n > 0;
      got += ok ? static_cast<std::size_t>(n) : 0;
    }
    if (!ok || reply[2] != frame[2]) {
      ok = false;
      break;
    }
  }
  close(fd);
  return ok ? std::chrono::duration<double>(Clock::now() - start).count() : -1;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  int baud = 115200;
  int rounds = 5;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--baud") == 0) baud = std::atoi(argv[i + 1]);
    if (std::strcmp(argv[i], "--rounds") == 0) rounds = std::max(1, std::atoi(argv[i + 1]));
  }
  const std::string layout = std::string(ZOTPX_EXAMPLES_DIR) + "/zotpx-pa.toml";
  const std::vector<std::string> apply = {"-q", "-b", std::to_string(baud), "apply", layout};
  const auto with_port = [&](const std::string& port) {
    std::vector<std::string> args = {"-p", port};
    args.insert(args.end(), apply.begin(), apply.end());
    return args;
  };

  // The frames zotpx sends for the layout, taken from an unpaced device.
  std::vector<Bytes> frames;
  {
    zotpx::sim::SimServer sim({.model = zotpx::DeviceModel::PA, .baud = baud});
    if (!sim.Start()) {
      std::fprintf(stderr, "no pseudo-terminal for the simulated device\n");
      return 1;
    }
    if (zotpx::bench::RunZotpx(with_port(sim.path())).status != 0) {
      std::fprintf(stderr, "zotpx apply %s failed\n", layout.c_str());
      return 1;
    }
    frames = sim.ReceivedFrames();
  }
  std::size_t line_bytes = 0;
  for (const Bytes& frame : frames) line_bytes += frame.size() + 6;

  std::vector<double> bare, purged, tool;
  for (int round = 0; round < rounds; ++round) {
    for (const bool purge : {false, true}) {
      zotpx::sim::SimServer sim({.model = zotpx::DeviceModel::PA, .baud = baud, .pacing = true});
      if (!sim.Start()) {
        std::fprintf(stderr, "no pseudo-terminal for the simulated device\n");
        return 1;
      }
      const double seconds = ReferenceApply(sim.path(), baud, frames, purge);
      (purge ? purged : bare).push_back(seconds);
      if (seconds < 0 || sim.ReceivedFrames() != frames) {
        std::fprintf(stderr, "the reference loop failed\n");
        return 1;
      }
    }
    zotpx::sim::SimServer sim({.model = zotpx::DeviceModel::PA, .baud = baud, .pacing = true});
    if (!sim.Start()) {
      std::fprintf(stderr, "no pseudo-terminal for the simulated device\n");
      return 1;
    }
    const auto run = zotpx::bench::RunZotpx(with_port(sim.path()));
    tool.push_back(run.seconds);
    if (run.status != 0 || sim.ReceivedFrames() != frames) {
      std::fprintf(stderr, "zotpx failed or sent other frames\n");
      return 1;
    }
  }

  const double floor = static_cast<double>(line_bytes) * 10.0 / baud;
  const double ratio = Median(tool) / Median(purged);
  std::printf(
      "apply %s: %zu frames, %zu bytes on the line at %d baud, floor %.3f s (medians of %d)\n"
      "    reference loop, bare            %.3f s (%.3f x floor)\n"
      "    reference loop with one purge   %.3f s (%.3f x floor)\n"
      "    zotpx apply                     %.3f s (%.3f x floor)\n"
      "    zotpx / reference with purge %.4f, zotpx / bare reference %.4f\n",
      layout.c_str(), frames.size(), line_bytes, baud, floor, rounds, Median(bare),
      Median(bare) / floor, Median(purged), Median(purged) / floor, Median(tool),
      Median(tool) / floor, ratio, Median(tool) / Median(bare));
  const bool met = ratio <= 1.05;
  std::printf("    goal within 1.05 x the reference with its purge: %s\n", met ? "met" : "NOT met");
  return met ? 0 : 2;
}
