// The real zotpx program against simulated devices on pseudo-terminals: the shared frame table,
// keywords, codes and the integer rule on options, refusals that send nothing, exit statuses,
// --json, a download's progress into a pipe, and station mode with devices that fail.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <nlohmann/json.hpp>
#include <random>
#include <sstream>

#include "cli/zotpx_run.h"
#include "serial/port.h"
#include "serial/transaction.h"
#include "support/bmp_writer.h"
#include "support/frame_table.h"
#include "support/hex.h"
#include "support/sim_fixture.h"
#include "text/font_library.h"
#include "text/static_file.h"

namespace {

using zotpx::Bytes;
using zotpx::test::FrameRow;
using zotpx::test::Hex;
using zotpx::test::RunZotpx;
using zotpx::test::StartSim;

std::vector<std::string> Args(const std::string& port, const std::vector<std::string>& before,
                              const std::vector<std::string>& command) {
  std::vector<std::string> args = {"-p", port};
  args.insert(args.end(), before.begin(), before.end());
  args.insert(args.end(), command.begin(), command.end());
  return args;
}

std::string TempPath(const std::string& name) {
  return testing::TempDir() + "zotpx_cli_" + std::to_string(getpid()) + "_" + name;
}

void WriteFile(const std::string& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

class FrameTableCliTest : public ::testing::TestWithParam<FrameRow> {};

TEST_P(FrameTableCliTest, CommandSendsTheRowsFrame) {
  const FrameRow& row = GetParam();
  auto sim = StartSim({.model = zotpx::DeviceModel::PB, .baud = 115200});
  const auto run = RunZotpx(Args(sim.link.port, {"-b", "115200"}, row.cli));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, row.title + zotpx::kSuccessText + "\n");
  const std::vector<Bytes> frames = sim->ReceivedFrames();
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames.front(), Hex(row.frame));
}

INSTANTIATE_TEST_SUITE_P(Rows, FrameTableCliTest, ::testing::ValuesIn(zotpx::test::FrameRows()),
                         [](const auto& info) { return info.param.name; });

// Each group of arguments must send one and the same frame: keywords, item codes, numbers as
// the item shows them, and integers typed as the window's edit boxes take them.
TEST(CliVocabularyTest, KeywordsCodesAndTheIntegerRuleMeanTheSame) {
  const std::vector<std::vector<std::vector<std::string>>> groups = {
      {{"text", "A", "--colour", "fg-bg-edge"}, {"text", "A", "--colour", "2"}, {"text", "A"}},
      {{"area", "--layer", "all"}, {"area", "--layer", "7"}, {"area", "--clear"}},
      {{"rect", "--left", "$1F"},
       {"rect", "--left", "31"},
       {"rect", "--left", "0x1F"},
       {"rect", "--left", "  +x1f"}},
      {{"line", "--thickness", "2"}, {"line", "--colour", "bg"}, {"line"}},
      {{"date", "--size", "1", "--font", "small"}, {"date", "--font", "0"}},
      // A flag with a state: false is the list's other item, as given through the parser.
      {{"area", "--fill=false"}, {"area", "--clear=1"}, {"area"}},
      {{"rect", "--filled=0", "--delete=false"}, {"rect"}},
      {{"params", "--overlay", "0"}, {"params", "--overlay", "off"}},
      // Leading zeros are decimal ones, for a rate too (given twice, the later counts).
      {{"circle", "--radius", "25"},
       {"circle"},
       {"circle", "--radius", "00025"},
       {"-b", "000115200", "circle", "--x", "030"}},
      {{"cross", "set", "--shape", "1", "--step", "10"}, {"cross", "set", "--enable", "on"}},
  };
  auto sim = StartSim({.model = zotpx::DeviceModel::PA, .baud = 115200});
  for (std::size_t g = 0; g < groups.size(); ++g) {
    Bytes first;
    for (const auto& command : groups[g]) {
      sim->ClearReceived();
      const auto run = RunZotpx(Args(sim.link.port, {"-b", "115200", "-q"}, command));
      ASSERT_EQ(run.status, 0) << command.front() << ": " << run.err;
      ASSERT_EQ(sim->ReceivedFrameCount(), 1u);
      const Bytes frame = sim->ReceivedFrames().front();
      if (first.empty()) first = frame;
      EXPECT_EQ(frame, first) << "group " << g;
    }
  }
}

struct Refusal {
  std::string name;
  std::vector<std::string> args;  // after -p and -b
  int status;
  std::string message;  // part of what standard error says
};

// Nothing reaches the device when the input is refused, and the exit status says why.
TEST(CliRefusalTest, BadInputIsRefusedWithNothingSent) {
  const std::string missing = TempPath("missing.bmp");
  const std::vector<Refusal> refusals = {
      {"OutOfRange", {"rect", "--left", "384"}, 2, "矩形控制命令失败：请输入合法的坐标数值"},
      {"CornersReversed",
       {"area", "--left", "10", "--right", "9"},
       2,
       "失败：请输入合法的坐标数值"},
      {"TrailingJunk", {"circle", "--x", "30 "}, 2, "圆形控制命令失败：请输入合法的坐标数值"},
      {"UnknownKeyword", {"rect", "--colour", "pink"}, 2, "--colour 'pink'"},
      {"CodeOutOfList", {"text", "--colour", "8"}, 2, "--colour '8'"},
      {"UnknownOption", {"rect", "--bogus", "1"}, 2, "--bogus"},
      {"UnknownCommand", {"triangle"}, 2, "triangle"},
      {"EmptyText", {"text", ""}, 2, "文本字符串命令失败：待叠加字符串不能为空"},
      {"NotInCodePage936", {"text", "\xF0\x9F\x98\x80"}, 2, "U+1F600"},
      {"DateFormatLength", {"date", "--format", "yyyy/m/dd"}, 2, "失败：不合法的日期格式"},
      {"ClockNotADate", {"clock", "--at", "2026-02-30 10:00:00"}, 2, "--at"},
      {"MissingBitmap", {"bitmap", "flashing", missing}, 2, "失败：无法访问位图文件"},
      {"MissingFont", {"download", "font", missing}, 2, "内部字库下载失败：打开字库文件失败"},
      {"MissingCrossFile", {"download", "cross", missing}, 2, "失败：打开十字线文件失败"},
      {"NotAFrame", {"send", "55", "AA", "10"}, 2, "not a command frame"},
      {"FrameShorterThanItsLength",
       {"send", "55", "AA", "10", "03", "80"},
       2,
       "the length byte 03"},
      {"WrongChecksum",
       {"send", "55", "AA", "10", "03", "80", "00", "96", "2A"},
       2,
       "checksum byte 2A is wrong: this frame's is 29"},
      {"SizeHasNoCodes", {"date", "--size", "0"}, 2, "--size '0'"},
      {"LayerIsABit", {"area", "--layer", "3"}, 2, "--layer '3'"},
      {"FillAndClear", {"area", "--fill", "--clear"}, 2, "--fill and --clear contradict"},
      {"FlagGivenBothWays", {"text", "--delete", "--delete=0"}, 2, "contradict each other"},
      {"ClockYearWraps", {"clock", "--at", "2256-01-01 00:00:00"}, 2, "years 2000 to 2255"},
  };
  auto sim = StartSim({.model = zotpx::DeviceModel::PA, .baud = 115200});
  for (const Refusal& r : refusals) {
    const auto run = RunZotpx(Args(sim.link.port, {"-b", "115200"}, r.args));
    EXPECT_EQ(run.status, r.status) << r.name;
    EXPECT_NE(run.err.find(r.message), std::string::npos) << r.name << ": " << run.err;
    EXPECT_EQ(sim->ReceivedFrameCount(), 0u) << r.name;
  }
  const auto bad_rate = RunZotpx(Args(sim.link.port, {"-b", "fast"}, {"rect"}));
  EXPECT_EQ(bad_rate.status, 2);
  // A port that is not a serial device, and one that does not exist: exit status 3.
  for (const std::string& port : {std::string("/dev/null"), missing}) {
    const auto run = RunZotpx(Args(port, {"-b", "115200"}, {"rect"}));
    EXPECT_EQ(run.status, 3) << port;
    EXPECT_NE(run.err.find(zotpx::kOpenFailureText), std::string::npos) << run.err;
  }
}

// Without -b the connect scan runs first, and the command goes at the rate it found; --json
// carries the fields scripts read.
TEST(CliConnectTest, AutoRateScansFirstAndJsonCarriesTheFields) {
  auto sim = StartSim({.model = zotpx::DeviceModel::PA, .baud = 57600});
  const auto run = RunZotpx(Args(sim.link.port, {"--json"}, {"rect", "--filled"}));
  ASSERT_EQ(run.status, 0) << run.err;
  const nlohmann::json j = nlohmann::json::parse(run.out);
  EXPECT_EQ(j["port"], sim.link.port);
  EXPECT_EQ(j["command"], "rect");
  EXPECT_EQ(j["result"], "ok");
  EXPECT_EQ(j["status"], std::string("矩形控制命令") + zotpx::kSuccessText);
  EXPECT_EQ(j["model"], "ZOT-PA");
  EXPECT_EQ(j["baud"], 57600);
  EXPECT_EQ(j["version"].get<std::string>().rfind("ZOT-PA", 0), 0u);
  EXPECT_TRUE(j["seconds"].is_number());
  const std::vector<Bytes> frames = sim->ReceivedFrames();
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0], Hex("55 AA 00 01 FF 00"));
  EXPECT_EQ(frames[1][2], 0x1B);
  // connect with a rate given identifies the device at that rate alone, as every command does.
  const auto elsewhere = RunZotpx(Args(sim.link.port, {"-b", "115200", "--json"}, {"connect"}));
  EXPECT_EQ(elsewhere.status, 1);
  EXPECT_EQ(nlohmann::json::parse(elsewhere.out)["result"], "no-device");

  // A device that stays silent: the device failed (1), and the result says how.
  sim->AddFault({.fault = zotpx::sim::Fault::Silence});
  const auto silent = RunZotpx(Args(sim.link.port, {"-b", "57600", "--json"}, {"line"}));
  EXPECT_EQ(silent.status, 1);
  EXPECT_EQ(nlohmann::json::parse(silent.out)["result"], "no-reply");
  const auto unseen = RunZotpx(Args(sim.link.port, {"--json"}, {"connect"}));
  EXPECT_EQ(unseen.status, 1);
  EXPECT_EQ(nlohmann::json::parse(unseen.out)["result"], "no-device");
}

// A raw frame for bring-up: the checksum is filled in and the reply printed as it came.
TEST(CliSendTest, RawFrameGetsItsChecksumAndItsReplyPrinted) {
  auto sim = StartSim({.model = zotpx::DeviceModel::PA, .baud = 115200});
  const auto run =
      RunZotpx(Args(sim.link.port, {"-b", "115200"}, {"send", "55", "0xAA", "1003", "80,00,96"}));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, std::string("原始命令帧") + zotpx::kSuccessText + "\n55 AA 10 01 00 11 \n");
  ASSERT_EQ(sim->ReceivedFrameCount(), 1u);
  EXPECT_EQ(sim->ReceivedFrames().front(), Hex("55 AA 10 03 80 00 96 29"));
}

// A wrong checksum is refused above; --raw sends any bytes as given and prints whatever comes
// back, frame or not: here the device's raw identification and its probe answer.
TEST(CliSendTest, RawSendsTheBytesAsGivenAndPrintsWhatComesBack) {
  auto sim = StartSim({.model = zotpx::DeviceModel::PB, .baud = 115200});
  const auto wrong =
      RunZotpx(Args(sim.link.port, {"-b", "115200"}, {"send", "--raw", "55AA10038000962A"}));
  ASSERT_EQ(wrong.status, 0) << wrong.err;
  ASSERT_EQ(sim->ReceivedFrameCount(), 1u);
  EXPECT_EQ(sim->ReceivedFrames().front(), Hex("55 AA 10 03 80 00 96 2A"));

  const auto identify = RunZotpx(
      Args(sim.link.port, {"-b", "115200"}, {"send", "--raw", "55", "AA", "00", "01", "FF", "00"}));
  ASSERT_EQ(identify.status, 0) << identify.err;
  // A length byte, then "ZOT-PB ..." in ASCII: no frame, printed all the same.
  const std::string reply = identify.out.substr(identify.out.find('\n') + 1);
  EXPECT_NE(reply.find(" 5A 4F 54 2D 50 42 20 "), std::string::npos) << identify.out;
  EXPECT_EQ(reply.size() % 3, 1u) << reply;  // "XX " per byte and the line's end

  const auto probe = RunZotpx(Args(sim.link.port, {"-b", "115200"}, {"send", "--raw", "5A"}));
  ASSERT_EQ(probe.status, 0) << probe.err;
  EXPECT_EQ(probe.out, std::string("原始命令帧") + zotpx::kSuccessText + "\nA5 \n");

  // The same identification without --raw is no command frame's reply: nothing accepted.
  const auto framed =
      RunZotpx(Args(sim.link.port, {"-b", "115200"}, {"send", "55", "AA", "00", "01", "FF", "00"}));
  EXPECT_EQ(framed.status, 1);
}

// Once the connect scan has said which model the device is, a command that model does not
// have (the window hides its page) is refused before it is sent, a layout's before its first
// object: exit status 2, nothing but the identification on the line. With the rate given the
// model is not known and the command goes as asked.
TEST(CliModelTest, ACommandTheScannedModelLacksIsRefused) {
  auto pa = StartSim({.model = zotpx::DeviceModel::PA, .baud = 115200});
  auto pb = StartSim({.model = zotpx::DeviceModel::PB, .baud = 115200});
  const std::string layout = TempPath("models.toml");
  const std::string text = "[[cross-move]]\nx = 5\ny = 5\n[[rect]]\n";
  WriteFile(layout, Bytes(text.begin(), text.end()));
  const struct {
    zotpx::test::SimDevice* sim;
    std::vector<std::string> command;
    std::string message;
  } cases[] = {
      {&pa,
       {"cross", "move", "5", "5"},
       "cross move: the device is a ZOT-PA, which has no such "
       "command (ZOT-PB only)"},
      {&pa, {"cross", "set"}, "(ZOT-PB only)"},
      {&pb, {"rect"}, "rect: the device is a ZOT-PB, which has no such command (ZOT-PA only)"},
      {&pb, {"bitmap", "single", TempPath("none.bmp"), "--control-only"}, "(ZOT-PA only)"},
      {&pb, {"apply", layout}, "models.toml:4: rect: the device is a ZOT-PB"},
  };
  for (const auto& c : cases) {
    (*c.sim)->ClearReceived();
    std::vector<std::string> args = {"-p", c.sim->link.port, "--json"};
    args.insert(args.end(), c.command.begin(), c.command.end());
    if (c.command.front() == "bitmap")
      zotpx::test::WriteFileBytes(c.command[2], zotpx::test::MakeBmp({.width = 8, .height = 8}));
    const auto run = RunZotpx(args);
    EXPECT_EQ(run.status, 2) << c.message << ": " << run.err;
    EXPECT_NE(run.out.find(c.message), std::string::npos) << run.out;
    EXPECT_EQ(nlohmann::json::parse(run.out)["result"], "refused");
    EXPECT_EQ((*c.sim)->ReceivedFrames(), std::vector<Bytes>{Hex("55 AA 00 01 FF 00")});
  }
  pa->ClearReceived();
  const auto given = RunZotpx({"-p", pa.link.port, "-b", "115200", "cross", "move", "5", "5"});
  EXPECT_EQ(given.status, 0) << given.err;
  EXPECT_EQ(pa->ReceivedFrameCount(), 1u);
  std::remove(layout.c_str());
}

// The global options after the command: each command's --help lists them; given on both
// sides, -p adds up and the later -b counts.
TEST(CliGlobalsTest, GlobalOptionsStandAfterTheCommandToo) {
  auto a = StartSim({.model = zotpx::DeviceModel::PA, .baud = 115200});
  auto b = StartSim({.model = zotpx::DeviceModel::PA, .baud = 115200});
  const auto after = RunZotpx({"rect", "--left", "5", "-p", a.link.port, "-b", "115200", "--json"});
  ASSERT_EQ(after.status, 0) << after.err;
  EXPECT_EQ(nlohmann::json::parse(after.out)["result"], "ok");
  ASSERT_EQ(a->ReceivedFrameCount(), 1u);
  EXPECT_EQ(a->ReceivedFrames().front()[6], 5);

  // Bitmap and cross commands sit one level deeper; the later rate is the device's.
  const auto deeper =
      RunZotpx({"-b", "9600", "cross", "move", "200", "100", "-b", "115200", "-p", a.link.port});
  EXPECT_EQ(deeper.status, 0) << deeper.err;
  EXPECT_EQ(a->ReceivedFrameCount(), 2u);

  const auto both = RunZotpx({"-p", a.link.port, "-q", "line", "-p", b.link.port, "-b", "115200"});
  EXPECT_EQ(both.status, 0) << both.err;
  EXPECT_EQ(a->ReceivedFrameCount(), 3u);
  EXPECT_EQ(b->ReceivedFrameCount(), 1u);

  for (const std::vector<std::string>& command :
       {std::vector<std::string>{"rect", "--help"},
        std::vector<std::string>{"bitmap", "single", "--help"}}) {
    const auto help = RunZotpx(command);
    EXPECT_EQ(help.status, 0);
    for (const char* option :
         {"-p,--port", "-b,--baud", "--log", "--trace", "--json", "-q,--quiet"})
      EXPECT_NE(help.out.find(option), std::string::npos) << command.front() << " " << option;
  }
}

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The two conversions without a device write the window's files where the user says, and
// write nothing when they refuse.
TEST(CliFilesTest, CrossFileAndStaticImageAreWrittenWhole) {
  const std::string a = TempPath("a.bmp"), b = TempPath("b.bmp"), cross = TempPath("Cross.bin");
  zotpx::test::WriteFileBytes(a,
                              zotpx::test::MakeBmp({.width = 384, .height = 256},
                                                   [](int x, int y) { return x == 10 && y == 0; }));
  zotpx::test::WriteFileBytes(
      b, zotpx::test::MakeBmp({.width = 384, .height = 256},
                              [](int x, int y) { return x == 383 && y == 255; }));
  const auto made = RunZotpx({"cross-file", a, b, "-o", cross});
  ASSERT_EQ(made.status, 0) << made.err;
  const Bytes file = ReadFile(cross);
  ASSERT_EQ(file.size(), 0x40000u);
  EXPECT_EQ(Bytes(file.begin() + 0x3C000, file.begin() + 0x3C009),
            Hex("50 49 43 20 02 00 C0 00 80"));
  EXPECT_EQ(file[1], 0x04);
  EXPECT_EQ(file[0x5FFF], 0x80);
  const std::string refused = TempPath("refused.bin");
  const auto twice = RunZotpx({"cross-file", a, a, "--origin", "192,128", "-o", refused});
  EXPECT_EQ(twice.status, 2);
  EXPECT_NE(twice.err.find("失败：重复添加位图文件"), std::string::npos) << twice.err;
  EXPECT_FALSE(std::ifstream(refused).good());

  const std::string text = TempPath("static.txt"), image = TempPath("User.cfg");
  const std::string lines =
      "0x55,0xAA,0x14,0x08,0x22,0x00,0x05,0x00,0x32,0x41,0x42,0x43,0x3B,0x00\r\n"
      "55 AA 16 09 87 00 00 00 00 01 7F 00 FF 25\r\n";
  WriteFile(text, Bytes(lines.begin(), lines.end()));
  const auto converted = RunZotpx({"static", text, "-o", image});
  ASSERT_EQ(converted.status, 0) << converted.err;
  const Bytes cfg = ReadFile(image);
  ASSERT_EQ(cfg.size(), 16384u);
  EXPECT_EQ(Bytes(cfg.begin(), cfg.begin() + 19),
            Hex("43 46 47 20 01 55 AA 14 08 22 00 05 00 32 41 42 43 3B 00"));
  for (const std::string& path : {a, b, cross, text, image}) std::remove(path.c_str());
}

// A font library into the device with standard error a pipe: plain per cent lines only, no
// control characters; the log file gets the window's block.
TEST(CliDownloadTest, FontDownloadIntoAPipeShowsPlainProgress) {
  Bytes font(zotpx::kFontMaxSizeSmall);
  std::mt19937 random(7);
  for (auto& b : font) b = static_cast<std::uint8_t>(random());
  font[11] = font[15] = 0x10;
  const std::string path = TempPath("font.bin");
  const std::string log = TempPath("download.log");
  WriteFile(path, font);
  std::remove(log.c_str());
  auto sim = StartSim({.model = zotpx::DeviceModel::PB, .baud = 460800});
  const auto run =
      RunZotpx(Args(sim.link.port, {"-b", "460800", "--log", log}, {"download", "font", path}));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, std::string("内部字库下载") + zotpx::kSuccessText + "\n");
  EXPECT_EQ(run.err.find_first_of("\r\033\b"), std::string::npos);
  std::istringstream lines(run.err);
  std::string line;
  int count = 0;
  while (std::getline(lines, line)) {
    EXPECT_TRUE(!line.empty() && line.back() == '%' &&
                line.find_first_not_of("0123456789") == line.size() - 1)
        << line;
    ++count;
  }
  EXPECT_GT(count, 50);
  const Bytes memory = sim->Memory();
  EXPECT_TRUE(std::equal(font.begin(), font.end(), memory.begin() + zotpx::kFontBase));

  std::ifstream in(log);
  std::vector<std::string> logged;
  while (std::getline(in, line)) logged.push_back(line);
  ASSERT_GE(logged.size(), 6u);
  EXPECT_EQ(logged[0], "【连接设备】");
  EXPECT_EQ(logged[1], "");
  EXPECT_EQ(logged[2], "【内部字库下载】");
  EXPECT_EQ(logged.back(), "");

  // The same file on a ZOT-PB at a rate below 115200, and a crosshair file on a ZOT-PA: the
  // window's refusals, after the identification and before any memory request.
  auto slow = StartSim({.model = zotpx::DeviceModel::PB, .baud = 57600});
  const auto refused = RunZotpx(Args(slow.link.port, {}, {"download", "font", path}));
  EXPECT_EQ(refused.status, 2);
  EXPECT_NE(refused.err.find(zotpx::kFontSlowRateText), std::string::npos) << refused.err;
  EXPECT_EQ(slow->ReceivedFrameCount(), 1u);  // the identification only
  std::remove(path.c_str());
  std::remove(log.c_str());
}

// Four devices at once: two take the static commands, one stays silent, one refuses a write.
// The summary names each and says why; the exit status is the worst; --json gives four objects.
TEST(CliStationTest, FourDevicesOneSilentOneRefusing) {
  const std::string text = TempPath("static.txt");
  const std::string text_line = "55 AA 14 08 22 00 05 00 32 41 42 43 3B 00\r\n";
  WriteFile(text, Bytes(text_line.begin(), text_line.end()));
  std::vector<zotpx::test::SimDevice> sims;
  for (int i = 0; i < 4; ++i)
    sims.push_back(StartSim({.model = zotpx::DeviceModel::PA, .baud = 115200}));
  sims[2]->AddFault({.fault = zotpx::sim::Fault::Silence});
  sims[3]->AddFault({.fault = zotpx::sim::Fault::Refuse, .nth = 5});
  std::string ports;
  for (const auto& sim : sims) ports += (ports.empty() ? "" : ",") + sim.link.port;

  const auto run = RunZotpx({"-p", ports, "-b", "115200", "download", "static", text});
  EXPECT_EQ(run.status, 1) << run.err;
  std::map<std::string, std::string> rows;
  std::istringstream lines(run.out);
  std::string line;
  while (std::getline(lines, line))
    for (const auto& sim : sims)
      if (line.rfind(sim.link.port + " ", 0) == 0) rows[sim.link.port] = line;
  ASSERT_EQ(rows.size(), 4u) << run.out;
  for (int i : {0, 1}) {
    EXPECT_NE(rows[sims[i].link.port].find(" ok "), std::string::npos) << rows[sims[i].link.port];
    const Bytes memory = sims[i]->Memory();
    EXPECT_EQ(Bytes(memory.begin(), memory.begin() + 5), Hex("43 46 47 20 01"));
  }
  EXPECT_NE(rows[sims[2].link.port].find("no-device"), std::string::npos);
  EXPECT_NE(rows[sims[2].link.port].find("连接设备失败"), std::string::npos);
  EXPECT_NE(rows[sims[3].link.port].find("write-failed"), std::string::npos);
  EXPECT_NE(rows[sims[3].link.port].find(zotpx::kWriteFailedLogLine), std::string::npos);
  // Into a pipe each port's result stands on standard error once, also when one device's
  // scan ends long after the other's result was drawn.
  auto slow = StartSim({.model = zotpx::DeviceModel::PA, .baud = 9600});
  const auto scan = RunZotpx({"-p", sims[0].link.port + "," + slow.link.port, "connect"});
  std::map<std::string, int> results;
  std::istringstream progress(scan.err);
  while (std::getline(progress, line))
    if (!line.empty() && line.back() != '%') ++results[line.substr(0, line.find(' '))];
  EXPECT_EQ(results[sims[0].link.port], 1) << scan.err;
  EXPECT_EQ(results[slow.link.port], 1) << scan.err;

  const auto json = RunZotpx({"-p", ports, "-b", "115200", "--json", "-q", "connect"});
  EXPECT_EQ(json.status, 1);
  std::istringstream objects(json.out);
  int count = 0;
  while (std::getline(objects, line)) {
    const nlohmann::json j = nlohmann::json::parse(line);
    EXPECT_EQ(j["command"], "connect");
    EXPECT_EQ(j["result"], j["port"] == sims[2].link.port ? "no-device" : "ok");
    ++count;
  }
  EXPECT_EQ(count, 4);
  std::remove(text.c_str());
}

}  // namespace
