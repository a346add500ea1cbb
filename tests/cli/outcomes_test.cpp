// What the real zotpx program says when it will not run a command: every refusal before a port
// is opened in the tool's own words, as text or as one JSON object; the device options refused
// by every command that uses no port; and downloads refused, before anything is erased, when
// the identified model lacks a command they would store.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>

#include "cli/options.h"
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

// The words CLI11 would have used: none may reach the user.
bool SaysItInCli11sWords(const std::string& text) {
  for (const char* words :
       {"required", "At Most", "Could not convert", "not expected", "ubcommand", "Run with --help"})
    if (text.find(words) != std::string::npos) return true;
  return false;
}

struct RefusalRow {
  std::string name;
  std::vector<std::string> args;  // "PORT" stands for the simulated device's port
  std::string message;            // part of the message
};

void PrintTo(const RefusalRow& row, std::ostream* out) {
  *out << row.name;
}

std::vector<RefusalRow> RefusalRows() {
  const std::string comments = "@comments.txt";
  return {
      {"OptionTwice",
       {"-p", "PORT", "rect", "--left", "1", "--left", "2"},
       "contradict each other"},
      {"ValueMissing", {"-p", "PORT", "rect", "--left"}, "--left N: the value is missing"},
      {"UnknownOption", {"-p", "PORT", "rect", "--bogus"}, "'rect' has no option --bogus"},
      {"ArgumentTooMany", {"-p", "PORT", "rect", "x"}, "'rect' takes no argument: 'x'"},
      {"ArgumentMissing", {"render"}, "'render' needs FILE"},
      {"OutputMissing", {"static", comments}, "'static' needs --output FILE"},
      {"CommandMissing", {"-p", "PORT", "cross"}, "'cross' needs its command: set or move"},
      {"CommandUnknown", {"-p", "PORT", "cross", "spin"}, "unknown command 'cross spin'"},
      {"NoCommand", {"-p", "PORT"}, "no command given"},
      {"EmptyFlag", {"-p", "PORT", "area", "--fill="}, "--fill=: a flag is true or false"},
      {"FlagWord", {"-p", "PORT", "rect", "--filled=maybe"}, "--filled=maybe: a flag is true"},
      {"GlobalFlagWord", {"-p", "PORT", "--quiet=maybe", "rect"}, "--quiet=maybe: a flag is true"},
      {"LooseMoment", {"-p", "PORT", "clock", "--at", "2026-1-7 2:4:5"}, "YYYY-MM-DD HH:MM:SS"},
      {"SignedMoment", {"-p", "PORT", "clock", "--at=2026-01-07 -0:45:00"}, "YYYY-MM-DD HH:MM:SS"},
      {"EmptyImage", {"static", comments, "-o", "-", "--image="}, "--image: an empty file name"},
      {"EmptyLog", {"-p", "PORT", "--log=", "rect"}, "--log: an empty file name"},
      {"LogUnwritable", {"-p", "PORT", "--log", "/nonexistent/zotpx.log", "rect"}, "--log "},
      {"Rate", {"-p", "PORT", "-b", "fast", "rect"}, "--baud 'fast'"},
      {"PortName", {"-p", "COM01", "rect"}, "no leading zeros"},
      {"PortTwice", {"-p", "PORT,PORT", "rect"}, "is given twice"},
      {"Layout", {"-p", "PORT", "apply", "@bad.toml"}, "nothing was sent or written"},
      {"EmptyStartUp", {"static", comments, "-o", "-"}, "no start-up command"},
      {"Decode", {"decode", "not-hex"}, "neither a file nor bytes in hex"},
      {"Portless", {"-p", "PORT", "ports"}, "'ports' uses no port: --port"},
  };
}

class RefusalOutcomeTest : public ::testing::TestWithParam<RefusalRow> {};

// Said on standard error in the tool's words; with --json, one object on standard output and
// nothing else. Either way nothing reaches the device.
TEST_P(RefusalOutcomeTest, IsSaidInTheToolsWordsAsTextOrJson) {
  const RefusalRow& row = GetParam();
  const Files files(row.name);
  auto sim = StartSim({.model = zotpx::DeviceModel::PA, .baud = 115200});
  std::vector<std::string> args;
  for (const std::string& arg : row.args)
    args.push_back(arg == "PORT"        ? sim.link.port
                   : arg == "PORT,PORT" ? sim.link.port + "," + sim.link.port
                                        : files(arg));
  const auto text = RunZotpx(args);
  EXPECT_EQ(text.status, 2) << text.err;
  EXPECT_NE(text.err.find(row.message), std::string::npos) << text.err;
  EXPECT_FALSE(SaysItInCli11sWords(text.err)) << text.err;

  args.insert(args.begin(), "--json");
  const auto json = RunZotpx(args);
  EXPECT_EQ(json.status, 2) << json.err;
  EXPECT_EQ(json.err, "");
  ASSERT_EQ(std::count(json.out.begin(), json.out.end(), '\n'), 1) << json.out;
  const nlohmann::json j = nlohmann::json::parse(json.out, nullptr, false);
  ASSERT_TRUE(j.is_object()) << json.out;
  EXPECT_EQ(j["result"], "refused");
  EXPECT_NE(j["status"].get<std::string>().find(row.message), std::string::npos) << json.out;
  EXPECT_TRUE(j.contains("port") && j.contains("command")) << json.out;
  EXPECT_EQ(sim->ReceivedFrameCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Refusals, RefusalOutcomeTest, ::testing::ValuesIn(RefusalRows()),
                         [](const auto& info) { return info.param.name; });

// Every command that uses no port refuses the options that only a device's commands use,
// whichever of them is given: each command and each option is tried once.
TEST(PortlessCommandTest, RefusesTheDeviceOptions) {
  const Files files("portless");
  const std::string out = files("@out");
  const std::map<std::string, std::vector<std::string>> commands = {
      {"ports", {"ports"}},
      {"cross-file", {"cross-file", files("@shape.bmp"), "-o", out}},
      {"static", {"static", files("@start.txt"), "-o", out}},
      {"render", {"render", files("@area.toml"), "-o", out}},
      {"format", {"format", files("@area.toml"), "-o", out}},
      {"decode", {"decode", "55 AA 10 01 00 11"}},
  };
  const std::vector<std::vector<std::string>> options = {{"-p", "COM1"},
                                                         {"-b", "9600"},
                                                         {"--log", files("@log")},
                                                         {"--log-dir", files("@logs")},
                                                         {"--trace"}};
  std::size_t n = 0;
  for (const zotpx::cli::CommandDef& command : zotpx::cli::Commands()) {
    if (command.use != zotpx::cli::CommandUse::Local) continue;
    ASSERT_TRUE(commands.count(command.path)) << command.path << " has no row here";
    std::vector<std::string> args = commands.at(command.path);
    const std::vector<std::string>& option = options[n++ % options.size()];
    args.insert(args.end(), option.begin(), option.end());
    const auto run = RunZotpx(args);
    EXPECT_EQ(run.status, 2) << command.path << " " << option.front();
    EXPECT_NE(run.err.find("'" + command.path + "' uses no port: "), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(out)) << command.path;
  }
  EXPECT_EQ(n, commands.size());
}

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
