// The soak run shared by bench/soak.cpp (long) and tests/integration/soak_test.cpp (short):
// ordinary transactions and full font library downloads against the simulated device with
// random faults, each outcome checked against what the fault must give, and the process's
// descriptors and memory counted before and after.
#pragma once

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "command/codec.h"
#include "serial/memory_transfer.h"
#include "serial/port.h"
#include "serial/reporter.h"
#include "serial/transaction.h"
#include "sim_device.h"
#include "text/font_library.h"

namespace zotpx::soak {

// Keeps only the last command's status and log block, so the run itself does not grow.
class BlockReporter : public Reporter {
 public:
  std::string status;
  std::vector<std::string> block;
  bool enabled = true;
  void SetStatus(const std::string& text) override { status = text; }
  void LogBytes(const std::string& title, std::size_t count, const std::uint8_t* bytes) override {
    block.push_back(FormatLogLine(title, count, bytes));
  }
  void SetFormEnabled(bool on) override { enabled = on; }
  void ProcessEvents() override {}
  void Repaint() override {}
  void BringToFront() override {}
  void Clear() {
    status.clear();
    block.clear();
  }
};

inline std::size_t OpenDescriptors() {
  std::size_t count = 0;
  if (DIR* dir = opendir("/proc/self/fd")) {
    while (dirent* entry = readdir(dir))
      if (entry->d_name[0] != '.') ++count;
    closedir(dir);
    --count;  // the directory's own descriptor
  }
  return count;
}

// Resident memory in KiB.
inline long ResidentKiB() {
  std::ifstream status("/proc/self/status");
  std::string key;
  long value = 0;
  while (status >> key) {
    if (key == "VmRSS:") return status >> value ? value : 0;
    status.ignore(1 << 12, '\n');
  }
  return 0;
}

struct FaultChoice {
  const char* name;
  sim::Fault fault;
  int delay_ms;
  bool succeeds;  // an ordinary command still gets its reply
};

// Noise is skipped by the reader, a refusal is only a status byte, a reply 300 ms late is in
// time; the rest lose the reply.
inline const std::vector<FaultChoice>& Faults() {
  static const std::vector<FaultChoice> faults = {
      {"noise", sim::Fault::Noise, 0, true},
      {"bad checksum", sim::Fault::BadChecksum, 0, false},
      {"wrong echo", sim::Fault::WrongEcho, 0, false},
      {"5-byte frame", sim::Fault::ShortFrame, 0, false},
      {"stall", sim::Fault::Stall, 0, false},
      {"silence", sim::Fault::Silence, 0, false},
      {"refusal", sim::Fault::Refuse, 0, true},
      {"hang-up", sim::Fault::HangUp, 0, false},
      {"late 300 ms", sim::Fault::Late, 300, true},
  };
  return faults;
}

struct Plan {
  int transactions = 10000;
  double fault_rate = 0.05;
  unsigned seed = 8;
  int baud = 115200;
  // Called every `progress_every` transactions with the count done (0: never).
  int progress_every = 0;
  std::function<void(int)> progress;
};

struct Report {
  int transactions = 0;
  int succeeded = 0;
  int failed = 0;
  std::map<std::string, int> faults;    // faults injected, by name
  std::vector<std::string> mismatches;  // every outcome that was not the expected one
  double seconds = 0;
  std::size_t fds_before = 0, fds_after = 0;
  long rss_before_kib = 0, rss_after_kib = 0;
};

// Checks one finished command against the outcome its fault must give.
// A hung-up device is plugged in again: a new pty, as an adapter gets a new node.
inline bool ReplugIfHungUp(sim::SimServer& device, Report& report) {
  if (!device.HungUp()) return true;
  device.Stop();
  if (device.Start()) return true;
  report.mismatches.push_back("simulated device did not restart: " + device.error());
  return false;
}

// The cause a failed status ends with when the fault took the line away.
inline std::string LostCause(const FaultChoice* fault, const sim::SimServer& device) {
  return fault && fault->fault == sim::Fault::HangUp ? "（设备 " + device.path() + " 已断开）" : "";
}

inline void Judge(Report& report, int index, const char* fault, const BlockReporter& reporter,
                  const Port& port, const std::string& title, const Bytes& request, bool succeeds,
                  const std::string& lost) {
  const Bytes reply = MakeFrame(request[2], {0x00});
  std::vector<std::string> block{"【" + title + "】",
                                 FormatLogLine("发送：", request.size(), request.data())};
  if (succeeds) block.push_back(FormatLogLine("接收：", reply.size(), reply.data()));
  block.push_back("");
  const std::string status = title + (succeeds ? kSuccessText : kReceiveFailedText + lost);
  std::string wrong;
  if (reporter.status != status) wrong += " status \"" + reporter.status + "\"";
  if (reporter.block != block)
    wrong += " log of " + std::to_string(reporter.block.size()) + " lines";
  if (port.IsOpen()) wrong += " port left open";
  if (!reporter.enabled) wrong += " form left disabled";
  if (!wrong.empty())
    report.mismatches.push_back(std::string("#")
                                    .append(std::to_string(index))
                                    .append(" (")
                                    .append(fault)
                                    .append("):")
                                    .append(wrong));
}

inline Report RunTransactions(const Plan& plan) {
  Report report;
  sim::SimServer device({.model = zotpx::DeviceModel::PA, .baud = plan.baud});
  if (!device.Start()) {
    report.mismatches.push_back("simulated device did not start: " + device.error());
    return report;
  }
  const std::string title = "参数设置命令";
  const Bytes request = BuildFrame(Values(*FindRow("params")));
  std::mt19937 random(plan.seed);
  std::uniform_real_distribution<double> chance(0.0, 1.0);
  std::uniform_int_distribution<std::size_t> pick(0, Faults().size() - 1);
  BlockReporter reporter;
  Port port;

  // Warm up first, so the allocator's and the pty's first-use costs are not counted as growth.
  const auto send = [&] {
    RunCommandFrames(port, reporter, title, {device.path(), plan.baud},
                     [&] { return std::vector<Bytes>{request}; });
  };
  for (int i = 0; i < 20; ++i) send();
  report.fds_before = OpenDescriptors();
  report.rss_before_kib = ResidentKiB();
  const auto start = std::chrono::steady_clock::now();

  for (int i = 0; i < plan.transactions; ++i) {
    const FaultChoice* fault = nullptr;
    device.ClearFaults();
    device.ClearReceived();  // the simulator's own record of frames, not the tool's memory
    if (chance(random) < plan.fault_rate) {
      fault = &Faults()[pick(random)];
      device.AddFault({.fault = fault->fault, .nth = 1, .delay_ms = fault->delay_ms});
      ++report.faults[fault->name];
    }
    reporter.Clear();
    send();
    const bool succeeds = !fault || fault->succeeds;
    Judge(report, i, fault ? fault->name : "none", reporter, port, title, request, succeeds,
          LostCause(fault, device));
    (reporter.status == title + kSuccessText ? report.succeeded : report.failed)++;
    ++report.transactions;
    if (!ReplugIfHungUp(device, report)) break;
    if (plan.progress_every > 0 && plan.progress && (i + 1) % plan.progress_every == 0)
      plan.progress(i + 1);
  }

  report.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  report.fds_after = OpenDescriptors();
  report.rss_after_kib = ResidentKiB();
  return report;
}

struct DownloadPlan {
  int downloads = 20;
  std::size_t font_size = 0x74000;  // the largest library, all five erase regions
  double fault_rate = 0.25;         // chance that a download meets one fault, at a random frame
  unsigned seed = 8;
  int baud = 115200;
};

// Full font library downloads from a file, as the window runs them. A download that succeeds
// must leave the file's bytes in the device's memory.
inline Report RunDownloads(const DownloadPlan& plan) {
  Report report;
  sim::SimServer device({.model = zotpx::DeviceModel::PA, .baud = plan.baud});
  if (!device.Start()) {
    report.mismatches.push_back("simulated device did not start: " + device.error());
    return report;
  }
  char path[] = "/tmp/zotpx-soak-font-XXXXXX";
  const int fd = mkstemp(path);
  if (fd < 0) {
    report.mismatches.push_back("no temporary font file");
    return report;
  }
  std::mt19937 random(plan.seed);
  Bytes font(plan.font_size);
  for (auto& b : font) b = static_cast<std::uint8_t>(random());
  font[11] = font[15] = 0x18;
  const bool written = write(fd, font.data(), font.size()) == static_cast<ssize_t>(font.size());
  close(fd);
  if (!written) report.mismatches.push_back("font file not written");

  const std::string title = "内部字库下载";
  const TransferPlan transfer = FontTransferPlan(title, font.size());
  const std::size_t erases = transfer.erase.size();
  const std::size_t frames = erases + (font.size() + kMemoryBlockSize - 1) / kMemoryBlockSize;
  std::uniform_real_distribution<double> chance(0.0, 1.0);
  std::uniform_int_distribution<std::size_t> pick(0, Faults().size() - 1);
  std::uniform_int_distribution<std::size_t> frame_of(1, frames);
  BlockReporter reporter;
  Port port;

  // Download -1 warms up, without a fault, so that first-use allocations are not counted.
  const auto start = std::chrono::steady_clock::now();
  for (int i = -1; i < plan.downloads && written; ++i) {
    if (i == 0) {
      report.fds_before = OpenDescriptors();
      report.rss_before_kib = ResidentKiB();
    }
    const FaultChoice* fault = nullptr;
    std::size_t at = 0;
    device.ClearFaults();
    device.ClearReceived();  // the simulator's own record of frames, not the tool's memory
    if (i >= 0 && chance(random) < plan.fault_rate) {
      fault = &Faults()[pick(random)];
      at = frame_of(random);
      device.AddFault(
          {.fault = fault->fault, .nth = static_cast<int>(at), .delay_ms = fault->delay_ms});
      ++report.faults[fault->name];
    }
    reporter.Clear();
    std::optional<FileData> data = FileData::Open(path);
    if (!data) {
      report.mismatches.push_back("font file did not open");
      break;
    }
    // A refusal fails a memory request, unlike an ordinary command's status byte.
    const bool succeeds = !fault || (fault->succeeds && fault->fault != sim::Fault::Refuse);
    const bool erase_failed = !succeeds && at <= erases;
    DownloadToDevice(port, reporter, {device.path(), plan.baud}, transfer, *data);

    std::vector<std::string> block{transfer.log_title, kErasingLogLine};
    if (!erase_failed) block.push_back(kWritingLogLine);
    block.push_back(succeeds       ? kWrittenLogLine
                    : erase_failed ? kEraseFailedLogLine
                                   : kWriteFailedLogLine);
    block.push_back("");
    const std::string status =
        title + (succeeds       ? kSuccessText
                 : erase_failed ? kEraseFailedText + LostCause(fault, device)
                                : kWriteFailedText + LostCause(fault, device));
    const std::string name =
        fault ? std::string(fault->name) + " at frame " + std::to_string(at) : "none";
    std::string wrong;
    if (reporter.status != status) wrong += " status \"" + reporter.status + "\"";
    if (reporter.block != block)
      wrong += " log of " + std::to_string(reporter.block.size()) + " lines";
    if (port.IsOpen()) wrong += " port left open";
    if (!reporter.enabled) wrong += " form left disabled";
    if (data->is_open()) wrong += " file left open";
    if (succeeds) {
      const Bytes memory = device.Memory();
      if (!std::equal(font.begin(), font.end(), memory.begin() + kFontBase))
        wrong += " memory differs from the file";
    }
    if (!wrong.empty())
      report.mismatches.push_back("download #" + std::to_string(i) + " (" + name + "):" + wrong);
    if (i >= 0) {
      (reporter.status == title + kSuccessText ? report.succeeded : report.failed)++;
      ++report.transactions;
    }
    if (!ReplugIfHungUp(device, report)) break;
  }
  report.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  report.fds_after = OpenDescriptors();
  report.rss_after_kib = ResidentKiB();
  unlink(path);
  return report;
}

}  // namespace zotpx::soak
