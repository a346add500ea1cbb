// The long soak: 10,000 ordinary commands against the simulated device with random faults at
// about 5 %, every outcome checked against its fault; the process's open descriptors and
// resident memory before and after. Exits non-zero on any unexpected outcome, a descriptor
// left open, or memory growth over 2 MiB.
//
//   bench_soak [--transactions N] [--rate R] [--seed S]
//
// Each command costs at least the 100 ms silent read that ends the purge at open, so the full
// run takes about 20 minutes.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "soak_run.h"

int main(int argc, char** argv) {
  zotpx::soak::Plan plan;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--transactions") == 0) plan.transactions = std::atoi(argv[i + 1]);
    else if (std::strcmp(argv[i], "--rate") == 0) plan.fault_rate = std::atof(argv[i + 1]);
    else if (std::strcmp(argv[i], "--seed") == 0) plan.seed = static_cast<unsigned>(std::atoi(argv[i + 1]));
  }
  plan.progress_every = 1000;
  plan.progress = [](int done) {
    std::fprintf(stderr, "  %d transactions, %ld KiB resident\n", done, zotpx::soak::ResidentKiB());
  };

  std::printf("soak: %d ordinary commands, faults at %.1f %%, seed %u\n", plan.transactions,
              plan.fault_rate * 100, plan.seed);
  const zotpx::soak::Report report = zotpx::soak::RunTransactions(plan);
  std::printf("  %d commands in %.1f s: %d succeeded, %d failed\n", report.transactions,
              report.seconds, report.succeeded, report.failed);
  for (const auto& [name, count] : report.faults) std::printf("  fault %-14s %5d\n", name.c_str(), count);
  std::printf("  descriptors %zu before, %zu after\n", report.fds_before, report.fds_after);
  std::printf("  resident %ld KiB before, %ld KiB after\n", report.rss_before_kib, report.rss_after_kib);
  for (const std::string& m : report.mismatches) std::printf("  UNEXPECTED %s\n", m.c_str());

  const bool ok = report.mismatches.empty() && report.transactions == plan.transactions &&
                  report.fds_after == report.fds_before &&
                  report.rss_after_kib - report.rss_before_kib < 2048;
  std::printf("soak: %s\n", ok ? "every outcome as expected" : "FAILED");
  return ok ? 0 : 1;
}
