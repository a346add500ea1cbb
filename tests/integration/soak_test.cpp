// A short soak: ordinary commands and font library downloads against the simulated device with
// random faults, each outcome as its fault requires, no descriptor left open and no memory
// kept. bench/soak.cpp runs the long version.
#include <gtest/gtest.h>

#include "../bench/soak_run.h"

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kCountsMemory = false;  // the sanitizer's quarantine holds freed memory back
#else
constexpr bool kCountsMemory = true;
#endif

TEST(Soak, RandomFaultsGiveTheirOutcomesAndLeaveNothingBehind) {
  zotpx::soak::Plan plan;
  plan.transactions = 80;
  plan.fault_rate = 0.15;
  const zotpx::soak::Report report = zotpx::soak::RunTransactions(plan);

  EXPECT_EQ(report.transactions, plan.transactions);
  EXPECT_TRUE(report.mismatches.empty()) << ::testing::PrintToString(report.mismatches);
  int faults = 0;
  for (const auto& [name, count] : report.faults) faults += count;
  EXPECT_GE(faults, 5);  // the seed is fixed: this pins that the faults were really injected
  EXPECT_GT(report.failed, 0);
  EXPECT_EQ(report.fds_after, report.fds_before);
  if (kCountsMemory) {
    EXPECT_LT(report.rss_after_kib - report.rss_before_kib, 1024);
  }
}

TEST(Soak, DownloadsWithFaultsGiveTheirOutcomesAndLeaveNothingBehind) {
  zotpx::soak::DownloadPlan plan;
  plan.downloads = 4;
  plan.font_size = 0x14000;  // two erase regions, 342 writes
  plan.fault_rate = 0.75;
  const zotpx::soak::Report report = zotpx::soak::RunDownloads(plan);

  EXPECT_EQ(report.transactions, plan.downloads);
  EXPECT_TRUE(report.mismatches.empty()) << ::testing::PrintToString(report.mismatches);
  EXPECT_GT(report.succeeded, 0);
  EXPECT_GT(report.failed, 0);
  EXPECT_EQ(report.fds_after, report.fds_before);
  if (kCountsMemory) {
    EXPECT_LT(report.rss_after_kib - report.rss_before_kib, 1024);
  }
}

}  // namespace
