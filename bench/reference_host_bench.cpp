// zotpx against a bare reference host, in the same run: a full font library (0x74000 bytes)
// into the simulated device paced at 115200 and at 460800 baud, once by a minimal blocking
// loop written here (raw termios: write a request, read its 6-byte acknowledgement, next) and
// once by `zotpx -b RATE download font`. Each is timed from start to end: the loop from
// opening the port, zotpx as a whole program (identification and its port openings included).
// Both are also shown over the line-time floor (every byte at 10 bits, no gaps), which says as
// much about this machine's wake-up latency as about either host.
//
//   bench_reference_host_bench [--rates 115200,460800]
//
// Goal: zotpx within 1.01 x the reference.
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "cli_bench.h"
#include "sim_device.h"

namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kBase = 0x4000;
constexpr std::size_t kLibrary = 0x74000;
constexpr std::size_t kBlock = 240;
// Region starts a full library needs erased: 16 KiB, 64 KiB, then 128 KiB regions.
constexpr std::uint32_t kErase[] = {0x4000, 0x8000, 0x18000, 0x38000, 0x58000};

double Seconds(Clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

// 55 AA 02 N data checksum: the memory request, built by hand.
Bytes Request(std::uint8_t kind, std::uint32_t address, const std::uint8_t* data, std::size_t n) {
  Bytes frame = {0x55,
                 0xAA,
                 0x02,
                 static_cast<std::uint8_t>(n + 5),
                 kind,
                 static_cast<std::uint8_t>(n),
                 static_cast<std::uint8_t>(address >> 16),
                 static_cast<std::uint8_t>(address >> 8),
                 static_cast<std::uint8_t>(address)};
  for (std::size_t i = 0; i < n; ++i) frame.push_back(data[i]);
  std::uint8_t sum = 0;
  for (std::size_t i = 2; i < frame.size(); ++i) sum = static_cast<std::uint8_t>(sum + frame[i]);
  frame.push_back(sum);
  return frame;
}

// Writes one request and blocks until its acknowledgement 55 AA 02 01 01 04 is in.
bool Exchange(int fd, const Bytes& frame) {
  if (write(fd, frame.data(), frame.size()) != static_cast<ssize_t>(frame.size())) return false;
  std::uint8_t ack[6];
  std::size_t got = 0;
  while (got < sizeof ack) {
    const ssize_t n = read(fd, ack + got, sizeof ack - got);
    if (n <= 0) return false;
    got += static_cast<std::size_t>(n);
  }
  static const std::uint8_t kAck[] = {0x55, 0xAA, 0x02, 0x01, 0x01, 0x04};
  return std::memcmp(ack, kAck, sizeof ack) == 0;
}

// The whole library by the minimal loop; seconds, or a negative value when it failed.
double ReferenceDownload(const std::string& path, int baud, const Bytes& font) {
  const auto start = Clock::now();
  const int fd = open(path.c_str(), O_RDWR | O_NOCTTY);
  if (fd < 0) return -1;
  termios tio = zotpx::bench::RawAt(fd, baud);
  tio.c_cc[VMIN] = 1;
  tio.c_cc[VTIME] = 50;  // 5 s: a lost acknowledgement ends the run instead of hanging it
  tcsetattr(fd, TCSANOW, &tio);
  bool ok = true;
  for (std::uint32_t region : kErase) ok = ok && Exchange(fd, Request(0x40, region, nullptr, 0));
  for (std::size_t offset = 0; ok && offset < font.size(); offset += kBlock) {
    const std::size_t n = std::min(kBlock, font.size() - offset);
    ok = Exchange(fd, Request(0x80, kBase + static_cast<std::uint32_t>(offset), &font[offset], n));
  }
  close(fd);
  return ok ? Seconds(Clock::now() - start) : -1;
}

bool Holds(const zotpx::sim::SimServer& sim, const Bytes& font) {
  const Bytes memory = sim.Memory();
  return std::equal(font.begin(), font.end(), memory.begin() + kBase);
}

// Requests and acknowledgements of the whole library, in bytes on the line.
std::size_t LineBytes() {
  std::size_t bytes = std::size(kErase) * (10 + 6);
  for (std::size_t offset = 0; offset < kLibrary; offset += kBlock)
    bytes += std::min(kBlock, kLibrary - offset) + 10 + 6;
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> rates = {115200, 460800};
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "--rates") == 0) {
      rates.clear();
      std::istringstream list(argv[++i]);
      std::string rate;
      while (std::getline(list, rate, ',')) rates.push_back(std::atoi(rate.c_str()));
    }
  }

  std::string path;
  const Bytes font = zotpx::bench::WriteFontLibrary(5, path);
  if (path.empty()) {
    std::fprintf(stderr, "cannot write the font library file\n");
    return 1;
  }

  // A library of one block: what zotpx spends besides the transfer itself (starting,
  // identifying the device, opening the port twice) and one erase and one write.
  const std::string header_only = path + ".header";
  {
    std::FILE* out = std::fopen(header_only.c_str(), "wb");
    if (!out || std::fwrite(font.data(), 1, kBlock, out) != kBlock || std::fclose(out) != 0) {
      std::fprintf(stderr, "cannot write the one-block library\n");
      return 1;
    }
  }

  int result = 0;
  for (const int baud : rates) {
    zotpx::sim::SimServer reference_sim(
        {.model = zotpx::DeviceModel::PA, .baud = baud, .pacing = true});
    zotpx::sim::SimServer zotpx_sim(
        {.model = zotpx::DeviceModel::PA, .baud = baud, .pacing = true});
    if (!reference_sim.Start() || !zotpx_sim.Start()) {
      std::fprintf(stderr, "no pseudo-terminal for the simulated device\n");
      return 1;
    }
    const double reference = ReferenceDownload(reference_sim.path(), baud, font);
    const auto run = zotpx::bench::RunZotpx(
        {"-q", "-p", zotpx_sim.path(), "-b", std::to_string(baud), "download", "font", path});
    const double tool = run.status == 0 ? run.seconds : -1;
    if (reference < 0 || tool < 0 || !Holds(reference_sim, font) || !Holds(zotpx_sim, font)) {
      std::fprintf(stderr, "a download at %d failed or the memory differs\n", baud);
      return 1;
    }
    const auto fixed =
        zotpx::bench::RunZotpx({"-q", "-p", zotpx_sim.path(), "-b", std::to_string(baud),
                                "download", "font", header_only});
    const double floor = static_cast<double>(LineBytes()) * 10.0 / baud;
    const double ratio = tool / reference;
    std::printf(
        "%6d baud: reference loop %.3f s (%.4f x floor), zotpx %.3f s (%.4f x floor),"
        " zotpx / reference %.4f, floor %.3f s\n",
        baud, reference, reference / floor, tool, tool / floor, ratio, floor);
    if (fixed.status == 0)
      std::printf(
          "    zotpx's fixed part (start, identification, port openings, one erase and one"
          " write) %.3f s; without it zotpx / reference %.4f\n",
          fixed.seconds, (tool - fixed.seconds) / reference);
    const bool met = ratio <= 1.01;
    std::printf("    goal within 1.01 x the reference: %s\n", met ? "met" : "NOT met");
    if (!met) result = 2;
  }
  std::remove(path.c_str());
  std::remove(header_only.c_str());
  return result;
}
