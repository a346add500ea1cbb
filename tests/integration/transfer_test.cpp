// The memory transfer over a pseudo-terminal against the simulated device: the requests each
// download sends, the device's memory afterwards, refused, missing and late acknowledgements,
// and what every way out leaves behind (file and port closed, form enabled, texts and log).
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "crosshair/cross_download.h"
#include "serial/memory_transfer.h"
#include "serial/port.h"
#include "support/recording_reporter.h"
#include "support/sim_fixture.h"
#include "support/temp_folder.h"
#include "text/font_library.h"
#include "text/static_file.h"

namespace {

using zotpx::Bytes;
using zotpx::TransferResult;
using zotpx::sim::Fault;
using zotpx::test::RecordingReporter;

Bytes RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  Bytes bytes(size);
  for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
  return bytes;
}

// A font library of `size` bytes with a valid header, on disk.
class FontFile {
 public:
  explicit FontFile(std::size_t size) : bytes_(RandomBytes(size, static_cast<unsigned>(size))) {
    bytes_[11] = bytes_[15] = 0x18;
    std::string name = zotpx::test::TestFolder() + "zotpx-font-XXXXXX";
    const int fd = mkstemp(name.data());
    path_ = name;
    EXPECT_EQ(write(fd, bytes_.data(), bytes_.size()), static_cast<ssize_t>(bytes_.size()));
    close(fd);
  }
  ~FontFile() { std::remove(path_.c_str()); }
  const Bytes& bytes() const { return bytes_; }
  const std::string& path() const { return path_; }

 private:
  Bytes bytes_;
  std::string path_;
};

Bytes MemoryAt(const zotpx::test::SimDevice& sim, std::size_t address, std::size_t size) {
  const Bytes memory = sim->Memory();
  return Bytes(memory.begin() + static_cast<std::ptrdiff_t>(address),
               memory.begin() + static_cast<std::ptrdiff_t>(address + size));
}

std::vector<std::uint32_t> EraseAddresses(const std::vector<Bytes>& frames) {
  std::vector<std::uint32_t> addresses;
  for (const Bytes& f : frames)
    if (f.size() == 10 && f[4] == zotpx::kMemoryErase)
      addresses.push_back(static_cast<std::uint32_t>(f[6] << 16 | f[7] << 8 | f[8]));
  return addresses;
}

std::vector<Bytes> Writes(const std::vector<Bytes>& frames) {
  std::vector<Bytes> writes;
  for (const Bytes& f : frames)
    if (f.size() > 10 && f[4] == zotpx::kMemoryWrite) writes.push_back(f);
  return writes;
}

Bytes Head(const Bytes& frame) {
  return Bytes(frame.begin(), frame.begin() + 9);
}

// What every way out of a transfer that ran must leave behind.
void ExpectCleanExit(const zotpx::Port& port, const RecordingReporter& reporter,
                     bool form_disabled) {
  EXPECT_FALSE(port.IsOpen());
  EXPECT_GE(reporter.fronts, 1);
  EXPECT_EQ(reporter.last_progress, (std::pair<std::size_t, std::size_t>{0, 0}));
  if (form_disabled) {
    EXPECT_EQ(reporter.enabled, (std::vector<bool>{false, true}));
  } else {
    EXPECT_TRUE(reporter.enabled.empty());
  }
}

// ---- successful downloads ----

struct FontCase {
  std::size_t size;
  std::size_t erases;
  std::size_t writes;
  std::size_t last_block;
};

class FontSizeDownloadTest : public ::testing::TestWithParam<FontCase> {};

TEST_P(FontSizeDownloadTest, DeviceHoldsTheFileFrom0x4000) {
  const FontCase& c = GetParam();
  FontFile font(c.size);
  auto sim = zotpx::test::StartSim({.model = zotpx::DeviceModel::PA, .baud = 115200});
  std::optional<zotpx::FileData> file = zotpx::FileData::Open(font.path());
  ASSERT_TRUE(file);
  RecordingReporter reporter;
  zotpx::Port port;
  const zotpx::TransferPlan plan = zotpx::FontTransferPlan("内部字库下载", file->size());

  EXPECT_EQ(zotpx::DownloadToDevice(port, reporter, sim.link, plan, *file), TransferResult::Done);

  EXPECT_FALSE(file->is_open());
  ExpectCleanExit(port, reporter, true);
  const std::vector<Bytes> frames = sim->ReceivedFrames();
  EXPECT_EQ(frames.size(), c.erases + c.writes);
  EXPECT_EQ(EraseAddresses(frames), zotpx::FontErasePlan(c.size));
  const std::vector<Bytes> writes = Writes(frames);
  ASSERT_EQ(writes.size(), c.writes);
  EXPECT_EQ(Head(writes.front()), (Bytes{0x55, 0xAA, 0x02, 0xF5, 0x80, 0xF0, 0x00, 0x40, 0x00}));
  EXPECT_EQ(writes.back()[5], c.last_block);
  EXPECT_EQ(MemoryAt(sim, 0x4000, c.size), font.bytes());
  EXPECT_EQ(reporter.log, (std::vector<std::string>{"【内部字库下载】", "正在擦除存储器...",
                                                    "正在写入存储器...", "写入存储器成功", ""}));
  EXPECT_EQ(reporter.statuses.front(), "正在进行字库下载... 0%");
  EXPECT_EQ(reporter.Status(), "内部字库下载成功：请查看通信数据记录以获得更多信息");
  EXPECT_EQ(reporter.progress_calls, c.writes + 2);
}

INSTANTIATE_TEST_SUITE_P(Sizes, FontSizeDownloadTest,
                         ::testing::Values(FontCase{0x4000, 1, 69, 64}, FontCase{0x4001, 2, 69, 65},
                                           FontCase{0x14000, 2, 342, 80},
                                           FontCase{0x34000, 3, 888, 112},
                                           FontCase{0x74000, 5, 1980, 176}));

TEST(FontDownloadTest, FullLibraryEndsWithItsLastBlockAt0x77F50) {
  FontFile font(0x74000);
  auto sim = zotpx::test::StartSim({.model = zotpx::DeviceModel::PA, .baud = 460800});
  std::optional<zotpx::FileData> file = zotpx::FileData::Open(font.path());
  RecordingReporter reporter;
  zotpx::Port port;
  ASSERT_EQ(zotpx::DownloadToDevice(port, reporter, sim.link, zotpx::FontTransferPlan("t", 0x74000),
                                    *file),
            TransferResult::Done);
  const std::vector<Bytes> frames = sim->ReceivedFrames();
  EXPECT_EQ(Head(frames.back()), (Bytes{0x55, 0xAA, 0x02, 0xB5, 0x80, 0xB0, 0x07, 0x7F, 0x50}));
  EXPECT_EQ(frames[0], (Bytes{0x55, 0xAA, 0x02, 0x05, 0x40, 0x00, 0x00, 0x40, 0x00, 0x87}));
  EXPECT_EQ(frames[4], (Bytes{0x55, 0xAA, 0x02, 0x05, 0x40, 0x00, 0x05, 0x80, 0x00, 0xCC}));
  // One event round after each erase and after each percentage.
  EXPECT_EQ(reporter.events, 5 + 197);
}

TEST(StaticDownloadTest, ImageFillsTheFirst16KiB) {
  const zotpx::StaticImage built = zotpx::BuildStaticImage(
      Bytes{'5', '5', 'A', 'A', '1', '0', '0', '1', '0', '0', '1', '1', '0', '0'});
  ASSERT_EQ(built.records, 1u);
  auto sim = zotpx::test::StartSim({.model = zotpx::DeviceModel::PB, .baud = 9600});
  RecordingReporter reporter;
  zotpx::Port port;
  zotpx::MemoryData data(built.image);

  EXPECT_EQ(zotpx::DownloadToDevice(port, reporter, sim.link,
                                    zotpx::StaticTransferPlan("生成和下载静态命令"), data),
            TransferResult::Done);

  ExpectCleanExit(port, reporter, false);
  EXPECT_EQ(reporter.events, 0);
  const std::vector<Bytes> frames = sim->ReceivedFrames();
  ASSERT_EQ(frames.size(), 70u);
  EXPECT_EQ(frames[0], (Bytes{0x55, 0xAA, 0x02, 0x05, 0x40, 0x00, 0x00, 0x00, 0x00, 0x47}));
  EXPECT_EQ(Head(frames.back()), (Bytes{0x55, 0xAA, 0x02, 0x45, 0x80, 0x40, 0x00, 0x3F, 0xC0}));
  EXPECT_EQ(MemoryAt(sim, 0, 16384), built.image);
  EXPECT_EQ(reporter.log,
            (std::vector<std::string>{"【下载静态命令】", "正在擦除存储器...", "擦除存储器成功",
                                      "正在写入存储器...", "下载静态命令成功", ""}));
  EXPECT_EQ(reporter.statuses,
            (std::vector<std::string>{"下载静态命令",
                                      "生成和下载静态命令成功：请查看通信数据记录以获得更多信息"}));
}

TEST(CrossDownloadTest, ShapesGoTo0x38000AndTheHeaderEndsAt0x7400F) {
  const Bytes file = RandomBytes(0x40000, 7);
  auto sim = zotpx::test::StartSim({.model = zotpx::DeviceModel::PB, .baud = 115200});
  RecordingReporter reporter;
  zotpx::Port port;
  zotpx::MemoryData data({file.data(), zotpx::kCrossDownloadSize});

  EXPECT_EQ(zotpx::DownloadToDevice(port, reporter, sim.link,
                                    zotpx::CrossTransferPlan("十字线文件下载"), data),
            TransferResult::Done);

  ExpectCleanExit(port, reporter, true);
  const std::vector<Bytes> frames = sim->ReceivedFrames();
  EXPECT_EQ(EraseAddresses(frames), (std::vector<std::uint32_t>{0x38000, 0x58000}));
  const std::vector<Bytes> writes = Writes(frames);
  ASSERT_EQ(writes.size(), 1025u);
  EXPECT_EQ(Head(writes.front()), (Bytes{0x55, 0xAA, 0x02, 0xF5, 0x80, 0xF0, 0x03, 0x80, 0x00}));
  EXPECT_EQ(Head(writes.back()), (Bytes{0x55, 0xAA, 0x02, 0x15, 0x80, 0x10, 0x07, 0x40, 0x00}));
  EXPECT_EQ(MemoryAt(sim, 0x38000, 0x3C010), Bytes(file.begin(), file.begin() + 0x3C010));
  EXPECT_EQ(MemoryAt(sim, 0x38000 + 0x3C010, 16), Bytes(16, 0xFF));  // the rest is not sent
  // The announcement, 102 percentages up to 99, and the result.
  ASSERT_EQ(reporter.statuses.size(), 104u);
  EXPECT_EQ(reporter.statuses[102], "正在进行十字线下载... 99%");
  EXPECT_EQ(reporter.Status(), "十字线文件下载成功：请查看通信数据记录以获得更多信息");
}

// ---- faults ----

struct FaultCase {
  const char* name;
  Fault fault;
  int nth;  // of the crosshair transfer's frames: 1 is the first erase, 502 the 500th write
  int delay_ms;
  TransferResult result;
};

class TransferFaultTest : public ::testing::TestWithParam<FaultCase> {};

TEST_P(TransferFaultTest, FirstFailureEndsTheTransfer) {
  const FaultCase& c = GetParam();
  const Bytes file = RandomBytes(0x40000, 11);
  auto sim = zotpx::test::StartSim({.model = zotpx::DeviceModel::PB, .baud = 230400});
  sim->AddFault({.fault = c.fault, .nth = c.nth, .delay_ms = c.delay_ms});
  RecordingReporter reporter;
  zotpx::Port port;
  zotpx::MemoryData data({file.data(), zotpx::kCrossDownloadSize});

  EXPECT_EQ(zotpx::DownloadToDevice(port, reporter, sim.link,
                                    zotpx::CrossTransferPlan("十字线文件下载"), data),
            c.result);

  ExpectCleanExit(port, reporter, true);
  const std::string outcome = c.result == TransferResult::Done          ? "写入存储器成功"
                              : c.result == TransferResult::EraseFailed ? "擦除存储器失败"
                                                                        : "写入存储器失败";
  EXPECT_EQ(reporter.log[reporter.log.size() - 2], outcome);
  EXPECT_EQ(reporter.log.back(), "");
  if (c.result == TransferResult::Done) {
    EXPECT_EQ(sim->ReceivedFrameCount(), 1027u);
    EXPECT_EQ(MemoryAt(sim, 0x38000, 0x3C010), Bytes(file.begin(), file.begin() + 0x3C010));
    return;
  }
  // Nothing is sent after the failing request, and nothing is repeated.
  EXPECT_EQ(sim->ReceivedFrameCount(), static_cast<std::size_t>(c.nth));
  EXPECT_EQ(reporter.Status(),
            "十字线文件下载" + std::string(c.result == TransferResult::EraseFailed
                                               ? zotpx::kEraseFailedText
                                               : zotpx::kWriteFailedText));
  if (c.result == TransferResult::WriteFailed) {
    // The device holds everything acknowledged before the failure.
    EXPECT_EQ(MemoryAt(sim, 0x38000, 499 * 240), Bytes(file.begin(), file.begin() + 499 * 240));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Acknowledgements, TransferFaultTest,
    ::testing::Values(
        FaultCase{"EraseRefused", Fault::Refuse, 1, 0, TransferResult::EraseFailed},
        FaultCase{"EraseMissing", Fault::Silence, 1, 0, TransferResult::EraseFailed},
        FaultCase{"EraseAfter4sStillAccepted", Fault::Late, 1, 4000, TransferResult::Done},
        FaultCase{"WriteRefused", Fault::Refuse, 502, 0, TransferResult::WriteFailed},
        FaultCase{"WriteMissing", Fault::Silence, 502, 0, TransferResult::WriteFailed},
        FaultCase{"WriteAfter1300msTooLate", Fault::Late, 502, 1300, TransferResult::WriteFailed},
        FaultCase{"WriteWrongEcho", Fault::WrongEcho, 502, 0, TransferResult::WriteFailed},
        FaultCase{"WriteNoiseBeforeAckAccepted", Fault::Noise, 502, 0, TransferResult::Done}),
    [](const ::testing::TestParamInfo<FaultCase>& info) { return std::string(info.param.name); });

TEST(FontDownloadTest, FileIsClosedBeforeThePortWhenAWriteIsRefused) {
  FontFile font(0x34000);
  auto sim = zotpx::test::StartSim({.model = zotpx::DeviceModel::PA, .baud = 115200});
  sim->AddFault({.fault = Fault::Refuse, .nth = 3 + 500});
  std::optional<zotpx::FileData> file = zotpx::FileData::Open(font.path());
  RecordingReporter reporter;
  zotpx::Port port;
  EXPECT_EQ(zotpx::DownloadToDevice(port, reporter, sim.link,
                                    zotpx::FontTransferPlan("内部字库下载", 0x34000), *file),
            TransferResult::WriteFailed);
  EXPECT_FALSE(file->is_open());
  ExpectCleanExit(port, reporter, true);
  EXPECT_EQ(reporter.Status(), "内部字库下载失败：写入存储器失败");
  EXPECT_EQ(MemoryAt(sim, 0x4000, 499 * 240),
            Bytes(font.bytes().begin(), font.bytes().begin() + 499 * 240));
}

TEST(FontDownloadTest, FileThatShrinksUnderwayEndsAsAWriteFailure) {
  FontFile font(0x4000);
  std::optional<zotpx::FileData> file = zotpx::FileData::Open(font.path());
  ASSERT_TRUE(file);
  ASSERT_EQ(truncate(font.path().c_str(), 100), 0);
  auto sim = zotpx::test::StartSim({.model = zotpx::DeviceModel::PA, .baud = 115200});
  RecordingReporter reporter;
  zotpx::Port port;
  EXPECT_EQ(zotpx::DownloadToDevice(port, reporter, sim.link,
                                    zotpx::FontTransferPlan("内部字库下载", 0x4000), *file),
            TransferResult::WriteFailed);
  // The erase went out; no block was made of bytes the file no longer has.
  EXPECT_EQ(sim->ReceivedFrameCount(), 1u);
  EXPECT_EQ(reporter.Status(), "内部字库下载失败：写入存储器失败");
}

TEST(DownloadToDeviceTest, PortThatCannotBeOpenedSendsAndLogsNothing) {
  FontFile font(0x4000);
  std::optional<zotpx::FileData> file = zotpx::FileData::Open(font.path());
  RecordingReporter reporter;
  zotpx::Port port;
  EXPECT_EQ(zotpx::DownloadToDevice(port, reporter, {"/dev/zotpx-no-such-port", 115200},
                                    zotpx::FontTransferPlan("内部字库下载", 0x4000), *file),
            TransferResult::OpenFailed);
  EXPECT_FALSE(file->is_open());
  EXPECT_TRUE(reporter.log.empty());
  EXPECT_TRUE(reporter.enabled.empty());
  ASSERT_EQ(reporter.statuses.size(), 1u);
  EXPECT_EQ(reporter.Status().rfind(zotpx::kOpenFailureText, 0), 0u);
}

}  // namespace
