// zotpx decode as a user runs it: hex on the command line and on standard input, a
// communication log (a station's labels, a failed reply, a download's phases), a static command
// text with CR line ends; --json values that zotpx takes back to send the same frames; and a
// session's log turned into a layout that apply replays to the same frames.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/zotpx_run.h"
#include "command/table.h"
#include "scratch_files.h"
#include "serial/reporter.h"
#include "support/bmp_writer.h"
#include "support/frame_table.h"
#include "support/hex.h"
#include "support/sim_fixture.h"

namespace {

using zotpx::test::WriteText;

using zotpx::Bytes;
using zotpx::test::Hex;
using zotpx::test::RunZotpx;
using zotpx::test::StartSim;

std::string Folder(const std::string& name) {
  return zotpx::test::ScratchFolder("decode", name);
}

std::string HexOf(const Bytes& frame) {
  return zotpx::FormatLogLine("", frame.size(), frame.data());
}

struct DecodeCase {
  std::string name;
  std::vector<std::string> args;   // after "decode"; "FILE" stands for the case's file
  std::string file;                // written to FILE, or given on standard input without FILE
  std::vector<std::string> lines;  // each a line of the output, in this order
  int status = 0;
};

TEST(DecodeTest, EveryKindOfInputIsExplainedLineByLine) {
  const std::string dir = Folder("inputs");
  const Bytes area_reversed = zotpx::MakeFrame(0x16, {0x87, 0, 10, 0, 0, 0, 5, 0, 0xFF});
  const std::string identification = "\x19ZOT-PB V2.1 build 2026-11";
  const std::vector<DecodeCase> cases = {
      {"hex arguments",
       {"55 AA 1B 09 08 00 00 00 00 01 7F 00 FF AB", "55AA1B01001C", "5A", "A5",
        "55 AA 16 09 03 00 00 00 00 00 64 00 64 EA"},
       "",
       {"arguments #1 矩形控制命令 rect colour=fg thickness=2 left=0 top=0 right=383 bottom=255; "
        "checksum ok",
        "arguments #2 reply to 矩形控制命令: acknowledged (status 00); checksum ok",
        "arguments #3 probe 5A: the connect scan asks whether a device listens at this rate",
        "arguments #4 probe answer A5: a device listens at this rate",
        "arguments #5 字符区域命令 area layer=3 fill left=0 top=0 right=100 bottom=100; layer: "
        "code 3 is no item of its list; checksum ok"}},
      {"refused, wrong checksum, identification on standard input",
       {},
       HexOf(area_reversed) + "\n55 AA 1B 09 08 00 00 00 00 01 7F 00 FF AC\n" +
           HexOf(zotpx::MakeFrame(0x00, {0xFF})) +
           HexOf(Bytes(identification.begin(), identification.end())) + "00 00\n",
       {"stdin #1 字符区域命令 area layer=all clear left=10 top=0 right=5 bottom=255; checksum ok; "
        "refused: 字符区域命令失败：请输入合法的坐标数值",
        "stdin #2 矩形控制命令 rect colour=fg thickness=2 left=0 top=0 right=383 bottom=255; "
        "checksum wrong (should be AB): dropped",
        "stdin #3 连接设备 identify; checksum ok",
        "stdin #4 identification: model ZOT-PB, version \"V2.1 build 2026-11\""}},
      {"a memory transfer's frames",
       {"-"},
       "55 AA 02 05 40 00 00 00 00 47 55 AA 02 01 01 04 " +
           HexOf(zotpx::MakeFrame(0x02, {0x80, 3, 0, 0, 0x10, 1, 2, 3})) + "55 AA 02 01 01 04",
       {"stdin #1 擦除存储器 erase address=0x000000; checksum ok",
        "stdin #2 reply to 擦除存储器/写入存储器: done; checksum ok",
        "stdin #3 写入存储器 write address=0x000010 3 bytes; checksum ok",
        "stdin #4 reply to 擦除存储器/写入存储器: done; checksum ok",
        "stdin #4 memory transfer: erased 0x000000; wrote 0x000010-0x000012, 3 bytes in 2 "
        "requests; completed"}},
      {"a log: a reply, none, a station's label, a failed download",
       {"FILE"},
       "【矩形控制命令】\n发送：55 AA 1B 09 08 00 00 00 00 01 7F 00 FF AB \n"
       "接收：55 AA 1B 01 00 1C \n\n【直线控制命令】\n发送：55 AA 1A 07 09 00 05 00 14 00 C8 0B "
       "\n\n"
       "[COM3] 【十字线移动命令】\n[COM3] 发送：55 AA 1F 04 01 2C 00 FF 4F \n"
       "[COM3] 接收：55 AA 1F 01 00 20 \n\n【十字线文件下载】\n正在擦除存储器...\n"
       "正在写入存储器...\n写入存储器失败\n\n",
       {"FILE:1 【矩形控制命令】",
        "FILE:2 sent 矩形控制命令 rect colour=fg thickness=2 left=0 top=0 right=383 bottom=255; "
        "checksum ok",
        "FILE:3 received reply to 矩形控制命令: acknowledged (status 00); checksum ok",
        "FILE:5 【直线控制命令】",
        "FILE:6 sent 直线控制命令 line colour=bg thickness=2 x=5 y=20 length=200; checksum ok; no "
        "accepted reply logged",
        "FILE:8 [COM3] 【十字线移动命令】",
        "FILE:9 [COM3] sent 十字线移动命令 cross move x=300 y=255; checksum ok",
        "FILE:10 [COM3] received reply to 十字线移动命令: acknowledged (status 00); checksum ok",
        "FILE:12 【十字线文件下载】",
        "FILE:12 memory transfer 十字线文件下载: erased 0x038000 0x058000; a write failed"}},
      {"a static command text with CR line ends",
       {"FILE"},
       "0x55,0xAA,0x14,0x08,0x22,0x00,0x05,0x00,0x32,0x41,0x42,0x43,0x3B,0x00\r"
       "55 AA 16 09 87 00 00 00 00 01 7F 00 FF 25\r",
       {"FILE:1 record 文本字符串命令 text colour=fg-bg-edge spacing=1 font=large size=1 x=5 y=50 "
        "text=\"ABC\"; checksum ok; trailing byte 00",
        "FILE:2 skipped 字符区域命令 area layer=all clear left=0 top=0 right=383 bottom=255; "
        "checksum ok; a frame without its trailing byte: the download skips this line"}},
      {"neither hex nor a file", {"zz"}, "", {}, 2},
  };
  for (const DecodeCase& c : cases) {
    const std::string file = dir + "input.txt";
    WriteText(file, c.file);
    std::vector<std::string> args = {"decode"};
    for (const std::string& arg : c.args) args.push_back(arg == "FILE" ? file : arg);
    const auto run = RunZotpx(args, std::chrono::seconds(30), {}, file);
    EXPECT_EQ(run.status, c.status) << c.name << "\n" << run.err;
    std::string expected;
    for (std::string line : c.lines) {
      if (line.rfind("FILE", 0) == 0) line = file + line.substr(4);
      expected += line + "\n";
    }
    EXPECT_EQ(run.out, expected) << c.name;
  }
}

// A command object of --json as zotpx's own arguments: flags when true (the other item's flag
// when it has one), positional texts in their places.
std::vector<std::string> ArgumentsOf(const nlohmann::json& object) {
  const std::string name = object["command"];
  std::vector<std::string> args;
  std::istringstream words(name);
  for (std::string word; words >> word;) args.push_back(word);
  const zotpx::CommandRow& row = *zotpx::FindRow(name);
  std::vector<std::string> positional;
  for (const auto& [key, value] : object["values"].items()) {
    const zotpx::FieldDef& field = *row.Field(key);
    const std::string text = value.is_string() ? value.get<std::string>() : value.dump();
    if (value.is_boolean()) {
      if (value.get<bool>()) args.push_back("--" + key);
      if (!value.get<bool>() && !field.off_name.empty())
        args.push_back("--" + std::string(field.off_name));
    } else if (field.positional) {
      positional.push_back(text);
    } else {
      args.insert(args.end(), {"--" + key, text});
    }
  }
  args.insert(args.end(), positional.begin(), positional.end());
  return args;
}

TEST(DecodeTest, JsonValuesAreWhatZotpxTakesToSendTheSameFrame) {
  const std::string dir = Folder("json");
  std::string input;
  for (const zotpx::test::FrameRow& row : zotpx::test::FrameRows()) input += row.frame + "\n";
  WriteText(dir + "frames.txt", input);
  const auto run = RunZotpx({"--json", "decode"}, std::chrono::seconds(30), {}, dir + "frames.txt");
  ASSERT_EQ(run.status, 0) << run.err;

  auto sim = StartSim({.model = zotpx::DeviceModel::PB, .baud = 115200});
  std::istringstream lines(run.out);
  std::size_t n = 0;
  for (std::string line; std::getline(lines, line); ++n) {
    const nlohmann::json object = nlohmann::json::parse(line);
    const zotpx::test::FrameRow& row = zotpx::test::FrameRows().at(n);
    EXPECT_EQ(object["kind"], "command");
    EXPECT_EQ(object["title"], row.title);
    EXPECT_EQ(object["checksum"], "ok");
    EXPECT_TRUE(object["refusal"].is_null() && object["problems"].empty()) << line;
    std::vector<std::string> args = {"-p", sim.link.port, "-b", "115200"};
    for (const std::string& arg : ArgumentsOf(object)) args.push_back(arg);
    sim->ClearReceived();
    const auto sent = RunZotpx(args);
    EXPECT_EQ(sent.status, 0) << sent.err;
    ASSERT_EQ(sim->ReceivedFrames().size(), 1u) << row.name;
    EXPECT_EQ(sim->ReceivedFrames().front(), Hex(row.frame)) << row.name << ": " << line;
  }
  EXPECT_EQ(n, zotpx::test::FrameRows().size());

  // A code that names no item of a list without keywords (a radius of 200) is that code.
  const auto odd = RunZotpx({"decode", "--json", "55 AA 1C 06 08 00 1E 00 C8 C8 D8"});
  ASSERT_EQ(odd.status, 0) << odd.err;
  const nlohmann::json object = nlohmann::json::parse(odd.out);
  EXPECT_EQ(object["values"]["radius"], 200);
  EXPECT_EQ(object["problems"], nlohmann::json::array({"radius: code 200 is no item of its list"}));
}

TEST(DecodeTest, ASessionsLogBecomesALayoutThatApplySendsAsTheSameFrames) {
  const std::string dir = Folder("layout");
  zotpx::test::WriteFileBytes(dir + "ring.bmp", zotpx::test::MakeBmp({32, 32}, [](int x, int y) {
                                return (x - 15) * (x - 15) + (y - 15) * (y - 15) < 150;
                              }));
  zotpx::test::WriteFileBytes(dir + "badge.bmp", zotpx::test::MakeBmp({64, 48}, [](int x, int y) {
                                return (x / 8 + y / 8) % 2 == 0;
                              }));
  const std::vector<std::vector<std::string>> session = {
      {"connect"},
      {"text", "导出ABC", "--x", "10"},
      {"rect", "--left", "$0A", "--filled", "--delete"},
      {"clock"},
      {"line"},  // the device answers with another code: not acknowledged
      {"area", "--fill", "--layer", "bg"},
      {"bitmap", "flashing", dir + "ring.bmp", "--x", "200"},
      {"bitmap", "oversized", dir + "badge.bmp", "--x", "20", "--y", "150"},
      {"bitmap", "single", dir + "badge.bmp", "--control-only"},
      {"date", "--format", "yy-mm-dd", "--hide"},
      {"params", "--overlay", "off", "--key3", "high"},
  };
  auto sim = StartSim({.model = zotpx::DeviceModel::PA, .baud = 115200});
  sim->AddFault({.fault = zotpx::sim::Fault::WrongEcho, .command = 0x1A});
  for (const std::vector<std::string>& command : session) {
    std::vector<std::string> args = {"-p", sim.link.port, "-b", "115200", "--log", dir + "log.txt"};
    args.insert(args.end(), command.begin(), command.end());
    RunZotpx(args);
  }
  std::vector<Bytes> overlay;  // what the device took but the identification and the clock
  for (const Bytes& frame : sim->ReceivedFrames())
    if (frame[2] != 0x00 && frame[2] != 0x11 && frame[2] != 0x1A) overlay.push_back(frame);
  ASSERT_EQ(overlay.size(), 10u);

  const auto decoded = RunZotpx({"decode", "--layout", dir + "log.txt", "-o", dir + "s.toml"});
  ASSERT_EQ(decoded.status, 0) << decoded.err;
  EXPECT_NE(decoded.err.find("the clock setting is left out"), std::string::npos) << decoded.err;

  auto replay = StartSim({.model = zotpx::DeviceModel::PA, .baud = 115200});
  const auto applied = RunZotpx({"-p", replay.link.port, "-b", "115200", "apply", dir + "s.toml"});
  ASSERT_EQ(applied.status, 0) << applied.err;
  EXPECT_EQ(replay->ReceivedFrames(), overlay);
}

}  // namespace
