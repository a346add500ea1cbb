// What the real zotpx program says when it will not run a command: downloads refused, before
// anything is erased, when the identified model lacks a command they would store.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "cli/scratch_files.h"
#include "cli/zotpx_run.h"
#include "crosshair/cross_file.h"
#include "support/bmp_writer.h"
#include "support/sim_fixture.h"

namespace {

using zotpx::test::RunZotpx;
using zotpx::test::StartSim;

// The files the rows name as "@NAME", in a folder of the test's own, removed at its end.
class Files {
 public:
  explicit Files(const std::string& test) : dir_(zotpx::test::ScratchFolder("outcomes", test)) {
    const std::string rect = "55 AA 1B 09 08 00 0A 00 00 01 7F 00 FF B5 00\r\n";
    const std::pair<const char*, std::string> texts[] = {
        {"bad.toml", "[[rect]]\nleft = 999\n[[oval]]\n"},
        {"comments.txt", "; nothing but a comment\r\n"},
        {"start.txt", "55 AA 10 01 00 11 00\r\n"},
        {"area.toml", "[[area]]\n"},
        {"rect.txt", "55 AA 10 01 00 11 00\r\n" + rect},
        {"rect.toml", "[[area]]\n\n[[rect]]\nleft = 10\n"},
        {"cross.txt", "; crosshair\r\n55 AA 1E 08 00 01 0A 22 00 00 00 00 53 00\r\n"},
        {"Cross.bin", std::string(zotpx::kCrossFileSize, '\0')},
    };
    for (const auto& [name, text] : texts) zotpx::test::WriteText(dir_ + name, text);
    zotpx::test::WriteFileBytes(dir_ + "shape.bmp",
                                zotpx::test::MakeBmp({.width = 384, .height = 256}));
  }
  ~Files() { std::filesystem::remove_all(dir_); }
  // `text` with every "@" made the folder.
  std::string operator()(std::string text) const {
    for (std::size_t at; (at = text.find('@')) != std::string::npos;) text.replace(at, 1, dir_);
    return text;
  }

 private:
  std::string dir_;
};

struct ModelRow {
  std::string name;
  zotpx::DeviceModel model;
  std::vector<std::string> command;
  std::string refusal;  // part of the status; empty: downloaded
};

void PrintTo(const ModelRow& row, std::ostream* out) {
  *out << row.name;
}

std::vector<ModelRow> ModelRows() {
  using zotpx::DeviceModel;
  return {
      {"LayoutRectOnPB",
       DeviceModel::PB,
       {"download", "static", "@rect.toml"},
       "@rect.toml:3: rect: the device is a ZOT-PB, which has no such command (ZOT-PA only)"},
      {"TextRectOnPB", DeviceModel::PB, {"download", "static", "@rect.txt"}, "@rect.txt:2: rect: "},
      {"TextCrossOnPA",
       DeviceModel::PA,
       {"download", "static", "@cross.txt"},
       "@cross.txt:2: cross set: "},
      {"CrossFileOnPA",
       DeviceModel::PA,
       {"download", "cross", "@Cross.bin"},
       "失败：当前型号的产品不支持十字线下载"},
      {"TextRectOnPA", DeviceModel::PA, {"download", "static", "@rect.txt"}, ""},
  };
}

class DownloadModelTest : public ::testing::TestWithParam<ModelRow> {};

// Identified, the device is asked nothing more when the model lacks a command the download
// would store: nothing is erased.
TEST_P(DownloadModelTest, CommandsTheModelLacksAreRefusedBeforeAnythingIsErased) {
  const ModelRow& row = GetParam();
  const Files files(row.name);
  auto sim = StartSim({.model = row.model, .baud = 115200});
  std::vector<std::string> args = {"-p", sim.link.port, "-b", "115200", "--json"};
  for (const std::string& word : row.command) args.push_back(files(word));
  const auto run = RunZotpx(args);
  const nlohmann::json j = nlohmann::json::parse(run.out, nullptr, false);
  ASSERT_TRUE(j.is_object()) << run.out << run.err;
  const std::vector<zotpx::Bytes> frames = sim->ReceivedFrames();
  const bool erased =
      std::any_of(frames.begin(), frames.end(), [](const zotpx::Bytes& f) { return f[2] == 0x02; });
  if (row.refusal.empty()) {
    EXPECT_EQ(run.status, 0) << j.dump();
    EXPECT_TRUE(erased);
    return;
  }
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(j["result"], "refused");
  EXPECT_NE(j["status"].get<std::string>().find(files(row.refusal)), std::string::npos) << j.dump();
  EXPECT_FALSE(erased);
}

INSTANTIATE_TEST_SUITE_P(Models, DownloadModelTest, ::testing::ValuesIn(ModelRows()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
