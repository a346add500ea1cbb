// The long soak: 10,000 ordinary commands against the simulated device with random faults at
// about 5 %, then 20 full font library downloads (0x74000 bytes, 1985 requests each) of which
// about a quarter meet a fault at a random request; every outcome checked against its fault,
// every successful download against the device's memory; the process's open descriptors and
// resident memory before and after each run. Exits non-zero on any unexpected outcome, a
// descriptor left open, or memory growth over 2 MiB.
//
//   bench_soak [--transactions N] [--rate R] [--downloads N] [--download-rate R] [--seed S]
//
// Each command costs at least the 100 ms silent read that ends the purge at open, so the full
// run takes about 20 minutes.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "soak_run.h"

namespace {

bool Print(const char* what, const zotpx::soak::Report& report, int planned) {
  std::printf("  %d %s in %.1f s: %d succeeded, %d failed\n", report.transactions, what,
              report.seconds, report.succeeded, report.failed);
  for (const auto& [name, count] : report.faults)
    std::printf("    fault %-14s %5d\n", name.c_str(), count);
  std::printf("    descriptors %zu before, %zu after\n", report.fds_before, report.fds_after);
  std::printf("    resident %ld KiB before, %ld KiB after\n", report.rss_before_kib,
              report.rss_after_kib);
  for (const std::string& m : report.mismatches) std::printf("    UNEXPECTED %s\n", m.c_str());
  return report.mismatches.empty() && report.transactions == planned &&
         report.fds_after == report.fds_before &&
         report.rss_after_kib - report.rss_before_kib < 2048;
}

}  // namespace

int main(int argc, char** argv) {
  zotpx::soak::Plan plan;
  zotpx::soak::DownloadPlan downloads;
  for (int i = 1; i + 1 < argc; i += 2) {
    const char* value = argv[i + 1];
    if (std::strcmp(argv[i], "--transactions") == 0)
      plan.transactions = std::atoi(value);
    else if (std::strcmp(argv[i], "--rate") == 0)
      plan.fault_rate = std::atof(value);
    else if (std::strcmp(argv[i], "--downloads") == 0)
      downloads.downloads = std::atoi(value);
    else if (std::strcmp(argv[i], "--download-rate") == 0)
      downloads.fault_rate = std::atof(value);
    else if (std::strcmp(argv[i], "--seed") == 0)
      plan.seed = downloads.seed = static_cast<unsigned>(std::atoi(value));
  }
  plan.progress_every = 1000;
  plan.progress = [](int done) {
    std::fprintf(stderr, "  %d commands, %ld KiB resident\n", done, zotpx::soak::ResidentKiB());
  };

  std::printf(
      "soak: %d ordinary commands with faults at %.1f %%, %d font downloads with faults at "
      "%.0f %%, seed %u\n",
      plan.transactions, plan.fault_rate * 100, downloads.downloads, downloads.fault_rate * 100,
      plan.seed);
  const bool commands_ok = Print("commands", zotpx::soak::RunTransactions(plan), plan.transactions);
  const bool downloads_ok =
      Print("downloads", zotpx::soak::RunDownloads(downloads), downloads.downloads);
  const bool ok = commands_ok && downloads_ok;
  std::printf("soak: %s\n", ok ? "every outcome as expected" : "FAILED");
  return ok ? 0 : 1;
}
