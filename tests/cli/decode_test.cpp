// zotpx decode as a user runs it: hex on the command line and on standard input, a
// communication log (a station's labels, a failed reply, a download's phases, times), a static
// command text with CR line ends; unsafe text; what a memory transfer did; the options that
// filter and sum up; --json values that zotpx takes back to send the same frames; and a
// session's log turned into a layout that apply replays to the same frames.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "base/log_time.h"
#include "cli/zotpx_run.h"
#include "command/table.h"
#include "graphics/bitmap_decode.h"
#include "scratch_files.h"
#include "serial/reporter.h"
#include "support/bmp_writer.h"
#include "support/frame_table.h"
#include "support/hex.h"
#include "support/sim_fixture.h"
#include "text/cp936.h"

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

// The cases' expected lines against what zotpx printed, FILE standing for the case's file.
void RunCases(const std::string& suite, const std::vector<DecodeCase>& cases) {
  const std::string dir = Folder(suite);
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
  std::filesystem::remove_all(dir);
}

// A frame by the frame rules: 55 AA, code, length, data, the sum of code..data.
std::string FrameHex(std::uint8_t code, Bytes data) {
  Bytes frame = {0x55, 0xAA, code, static_cast<std::uint8_t>(data.size())};
  frame.insert(frame.end(), data.begin(), data.end());
  std::uint8_t sum = 0;
  for (std::size_t i = 2; i < frame.size(); ++i) sum = static_cast<std::uint8_t>(sum + frame[i]);
  frame.push_back(sum);
  return HexOf(frame);
}

TEST(DecodeTest, EveryKindOfInputIsExplainedLineByLine) {
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
        "stdin #2 reply to 擦除存储器: done; checksum ok",
        "stdin #3 写入存储器 write address=0x000010 3 bytes; checksum ok",
        "stdin #4 reply to 写入存储器: done; checksum ok",
        "stdin #4 memory transfer: erased 0x000000; wrote 0x000010-0x000012, 3 bytes; 1 erase "
        "request, 1 write request; completed"}},
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
        "FILE:12 memory transfer 十字线文件下载: erased 0x038000 0x058000; 2 erase requests; a "
        "write failed"}},
      {"a static command text with CR line ends",
       {"FILE"},
       "0x55,0xAA,0x14,0x08,0x22,0x00,0x05,0x00,0x32,0x41,0x42,0x43,0x3B,0x00\r"
       "55 AA 16 09 87 00 00 00 00 01 7F 00 FF 25\r",
       {"FILE:1 record 文本字符串命令 text colour=fg-bg-edge spacing=1 font=large size=1 x=5 y=50 "
        "text=\"ABC\"; checksum ok; trailing byte 00",
        "FILE:2 skipped 字符区域命令 area layer=all clear left=0 top=0 right=383 bottom=255; "
        "checksum ok; a frame without its trailing byte: the download skips this line"}},
      {"neither hex nor a file", {"zz"}, "", {}, 2},
      {"a log an editor began with a byte order mark",
       {"FILE"},
       "\xEF\xBB\xBF【矩形控制命令】\n发送：55 AA 1B 09 08 00 00 00 00 01 7F 00 FF AB \n",
       {"FILE:1 【矩形控制命令】",
        "FILE:2 sent 矩形控制命令 rect colour=fg thickness=2 left=0 top=0 right=383 bottom=255; "
        "checksum ok; no accepted reply logged"}},
  };
  RunCases("inputs", cases);
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
  std::filesystem::remove_all(dir);
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
  std::filesystem::remove_all(dir);
}

}  // namespace

namespace {

TEST(DecodeTest, TextFromOutsideNeverDrivesTheTerminalAndTheLineKeepsItsVerdict) {
  const std::string identification = "\x13ZOT-PB V2\x1B[31mRED\x07!";
  const Bytes id_bytes(identification.begin(), identification.end());
  const std::vector<DecodeCase> cases = {
      {"NUL in a text",
       {"55 AA 14 08 22 00 05 00 32 41 00 42 F8"},
       "",
       {"arguments #1 文本字符串命令 text colour=fg-bg-edge spacing=1 font=large size=1 x=5 y=50 "
        "text=\"A\\x00B\"; checksum ok"}},
      {"ESC in a text",
       {"55 AA 14 09 22 00 05 00 32 1B 5B 32 4A 68"},
       "",
       {"arguments #1 文本字符串命令 text colour=fg-bg-edge spacing=1 font=large size=1 x=5 y=50 "
        "text=\"\\x1B[2J\"; checksum ok"}},
      {"no code page 936",
       {"55 AA 14 06 22 00 05 00 32 BA 2D"},
       "",
       {"arguments #1 文本字符串命令 text colour=fg-bg-edge spacing=1 font=large size=1 x=5 y=50 "
        "text=\"\xEF\xBF\xBD\"; text: BA at byte 0 is no code page 936 character; checksum ok"}},
      {"BEL in a date format",
       {FrameHex(0x12, {0x00, 0x00, 0,   0,   0,   0x01, 0x24, 0,   0,   0,   0,   0, 0,
                        10,   0x07, 'y', 'y', 'y', '/',  'm',  'm', '/', 'd', 'd', 0})},
       "",
       {"arguments #1 日期控制命令 date colour=fg spacing=1 font=small size=1 x=292 y=0 "
        "format=\"\\x07yyy/mm/dd\"; checksum ok; refused: 日期控制命令失败：不合法的日期格式"}},
      {"ESC and BEL in the identification",
       {HexOf(id_bytes) + "00 00"},
       "",
       {"arguments #1 identification: model ZOT-PB, version \"V2\\x1B[31mRED\\x07!\""}},
      {"ESC and a reordering mark in a log's title",
       {"FILE"},
       "【A\x1B[2J\u202EB】\n发送：55 AA 1B 09 08 00 00 00 00 01 7F 00 FF AB \n",
       {"FILE:1 【A\\x1B[2J\\u202EB】",
        "FILE:2 sent 矩形控制命令 rect colour=fg thickness=2 left=0 top=0 right=383 bottom=255; "
        "checksum ok; no accepted reply logged"}},
  };
  RunCases("unsafe", cases);

  // A device's own identification text, as connect shows it.
  auto sim = StartSim({.model = zotpx::DeviceModel::PB, .baud = 115200, .version = "V1\x1B[2J"});
  const auto connected = RunZotpx({"-p", sim.link.port, "connect"});
  EXPECT_EQ(connected.out.find('\x1B'), std::string::npos) << connected.out;
  EXPECT_NE(connected.out.find("V1\\x1B[2J"), std::string::npos) << connected.out;
}

// What the device acknowledged, never more: from frames (hand-made by the memory requests'
// layout) and from download logs, the window's and the command line's.
TEST(DecodeTest, ATransferIsSummedUpAsTheDeviceAcknowledgedIt) {
  const std::string erase = "55 AA 02 05 40 00 00 00 00 47";
  const std::string ack = "55 AA 02 01 01 04";
  const std::string refused = "55 AA 02 01 00 03";
  const std::string write3 = "55 AA 02 08 80 03 00 00 10 01 02 03 A3";  // 3 bytes at 0x10
  const std::string write2 = "55 AA 02 07 80 02 00 00 13 04 05 A7";     // 2 bytes at 0x13
  const std::string write0 = "55 AA 02 05 80 00 00 00 20 A7";           // none at 0x20
  const std::string font =
      "【内部字库下载】\n数据：20000 字节，地址 0x004000\n正在擦除存储器...\n"
      "正在写入存储器...\n";
  struct Case {
    std::string name;
    std::vector<std::string> args;
    std::string file;
    std::string transfer;  // the last line
  };
  const std::vector<Case> cases = {
      {"all acknowledged",
       {erase, ack, write3, ack, write2, ack},
       "",
       "arguments #6 memory transfer: erased 0x000000; wrote 0x000010-0x000014, 5 bytes; 1 erase "
       "request, 2 write requests; completed"},
      {"a refused erase erased nothing",
       {erase, refused},
       "",
       "arguments #2 memory transfer: 1 erase request, 0 write requests; the erase failed"},
      {"the range ends at the last acknowledged byte",
       {erase, ack, write3, ack, write2, refused},
       "",
       "arguments #6 memory transfer: erased 0x000000; wrote 0x000010-0x000012, 3 bytes; 1 erase "
       "request, 2 write requests; a write failed"},
      {"a write of no bytes",
       {write0, ack},
       "",
       "arguments #2 memory transfer: 0 erase requests, 1 write request; completed"},
      {"no reply in sight",
       {erase, write3},
       "",
       "arguments #2 memory transfer: asked to erase 0x000000; asked to write 0x000010-0x000012, "
       "3 bytes; 1 erase request, 1 write request; no reply in sight: whether it completed is "
       "not known"},
      {"the command line's log, with times: the erases were slow",
       {"FILE"},
       "2026-01-07T10:00:00.000000+08:00 【内部字库下载】\n"
       "2026-01-07T10:00:00.000000+08:00 数据：20000 字节，地址 0x004000\n"
       "2026-01-07T10:00:00.000000+08:00 正在擦除存储器...\n"
       "2026-01-07T10:00:12.000000+08:00 正在写入存储器...\n"
       "2026-01-07T10:00:14.000000+08:00 写入存储器成功\n"
       "2026-01-07T10:00:14.000000+08:00\n",
       "FILE:1 memory transfer 内部字库下载: erased 0x004000 0x008000; wrote 0x004000-0x008E1F, "
       "20000 bytes; 2 erase requests, 84 write requests; erasing took 12.000 s; writing took "
       "2.000 s (10000 bytes/s); the erase requests took 6.000 s each on average; the device "
       "answers within 5000 ms; completed"},
      {"stopped by the user",
       {"FILE"},
       font + "用户中断，已写入 2400 字节\n\n",
       "FILE:1 memory transfer 内部字库下载: erased 0x004000 0x008000; wrote 0x004000-0x00495F, "
       "2400 bytes; 2 erase requests, 10 write requests; stopped by the user"},
      {"the window's log does not tell the font's size",
       {"FILE"},
       "【内部字库下载】\n正在擦除存储器...\n正在写入存储器...\n写入存储器成功\n\n",
       "FILE:1 memory transfer 内部字库下载: completed"},
  };
  const std::string dir = Folder("transfers");
  for (const Case& c : cases) {
    const std::string file = dir + "log.txt";
    WriteText(file, c.file);
    std::vector<std::string> args = {"decode"};
    for (const std::string& arg : c.args) args.push_back(arg == "FILE" ? file : arg);
    const auto run = RunZotpx(args);
    EXPECT_EQ(run.status, 0) << c.name << "\n" << run.err;
    std::string last = run.out.substr(0, run.out.empty() ? 0 : run.out.size() - 1);
    last = last.substr(last.rfind('\n') + 1);
    std::string expected = c.transfer;
    if (expected.rfind("FILE", 0) == 0) expected = file + expected.substr(4);
    EXPECT_EQ(last, expected) << c.name;
  }
  std::filesystem::remove_all(dir);
}

TEST(DecodeTest, ADownloadLoggedByZotpxGivesItsBytesRegionsAndRangeInTextAndJson) {
  const std::string dir = Folder("download");
  Bytes font(20000);
  for (std::size_t i = 0; i < font.size(); ++i) font[i] = static_cast<std::uint8_t>(i * 7);
  font[11] = font[15] = 0x18;
  zotpx::test::WriteFileBytes(dir + "font.bin", font);
  auto sim = StartSim({.model = zotpx::DeviceModel::PA, .baud = 115200});
  const auto download = RunZotpx({"-q", "-p", sim.link.port, "-b", "115200", "--log",
                                  dir + "log.txt", "download", "font", dir + "font.bin"});
  ASSERT_EQ(download.status, 0) << download.err;

  const auto text = RunZotpx({"decode", dir + "log.txt"});
  EXPECT_NE(text.out.find("memory transfer 内部字库下载: erased 0x004000 0x008000; wrote "
                          "0x004000-0x008E1F, 20000 bytes; 2 erase requests, 84 write requests; "
                          "completed"),
            std::string::npos)
      << text.out;
  const auto json = RunZotpx({"--json", "decode", dir + "log.txt"});
  const nlohmann::json transfer = nlohmann::json::parse(json.out.substr(json.out.rfind("{\"")));
  EXPECT_EQ(transfer["erased"], nlohmann::json::array({0x4000, 0x8000}));
  EXPECT_EQ(transfer["first"], 0x4000);
  EXPECT_EQ(transfer["end"], 0x4000 + 20000);
  EXPECT_EQ(transfer["bytes"], 20000);
  EXPECT_EQ(transfer["erase_requests"], 2);
  EXPECT_EQ(transfer["write_requests"], 84);
  EXPECT_EQ(transfer["result"], "done");
  std::filesystem::remove_all(dir);
}

// A log with times: a reply in time, a request left unanswered, a reply after the device's
// limit.
const char* const kTimedLog =
    "2026-01-07T10:00:00.000000+08:00 【矩形控制命令】\n"
    "2026-01-07T10:00:00.001000+08:00 发送：55 AA 1B 09 08 00 00 00 00 01 7F 00 FF AB \n"
    "2026-01-07T10:00:00.004000+08:00 接收：55 AA 1B 01 00 1C \n"
    "2026-01-07T10:00:00.005000+08:00\n"
    "2026-01-07T10:00:01.000000+08:00 【直线控制命令】\n"
    "2026-01-07T10:00:01.001000+08:00 发送：55 AA 1A 07 09 00 05 00 14 00 C8 0B \n"
    "2026-01-07T10:00:02.002000+08:00\n"
    "2026-01-07T10:00:03.000000+08:00 【十字线移动命令】\n"
    "2026-01-07T10:00:03.001000+08:00 发送：55 AA 1F 04 01 2C 00 FF 4F \n"
    "2026-01-07T10:00:04.501000+08:00 接收：55 AA 1F 01 00 20 \n"
    "2026-01-07T10:00:04.502000+08:00\n";

TEST(DecodeTest, TimesFiltersAndTheSummaryAsAUserAsksForThem) {
  const std::string rect_sent =
      "sent 矩形控制命令 rect colour=fg thickness=2 left=0 top=0 right=383 bottom=255; checksum ok";
  const std::string rect_reply =
      "FILE:3 received reply to 矩形控制命令: acknowledged (status 00); checksum ok; latency "
      "3.000 ms";
  const std::string line_sent =
      "FILE:6 sent 直线控制命令 line colour=bg thickness=2 x=5 y=20 length=200; checksum ok; "
      "996.0 ms since the previous command ended; no accepted reply logged (the command ended "
      "1.001 s after it)";
  const std::string move_reply =
      "FILE:10 received reply to 十字线移动命令: acknowledged (status 00); checksum ok; latency "
      "1.500 s; its first byte came after 1.500 s; the device has 1000 ms";
  const std::vector<DecodeCase> cases = {
      {"every line with its times",
       {"FILE"},
       kTimedLog,
       {"FILE:1 【矩形控制命令】", "FILE:2 " + rect_sent, rect_reply, "FILE:5 【直线控制命令】",
        line_sent, "FILE:8 【十字线移动命令】",
        "FILE:9 sent 十字线移动命令 cross move x=300 y=255; checksum ok; 999.0 ms since the "
        "previous command ended",
        move_reply}},
      {"one command",
       {"--only", "rect", "FILE"},
       kTimedLog,
       {"FILE:1 【矩形控制命令】", "FILE:2 " + rect_sent, rect_reply}},
      {"what is wrong, exit status 1",
       {"--errors", "FILE"},
       kTimedLog,
       {"FILE:5 【直线控制命令】", line_sent, "FILE:8 【十字线移动命令】", move_reply},
       1},
      {"a group and a name with a dash",
       {"--only", "cross-move,line", "--errors", "FILE"},
       kTimedLog,
       {"FILE:5 【直线控制命令】", line_sent, "FILE:8 【十字线移动命令】", move_reply},
       1},
      {"the summary",
       {"--stats", "FILE"},
       kTimedLog,
       {"command            frames  failed       sent   received       median        worst",
        "line                    1       1         12          0            -            -",
        "rect                    1       0         14          6     3.000 ms     3.000 ms",
        "cross move              1       1          9          6      1.500 s      1.500 s",
        "all                     3       2         35         12     3.000 ms      1.500 s"}},
      {"no such command", {"--only", "square", "FILE"}, kTimedLog, {}, 2},
      {"-o without --layout", {"-o", "x.toml", "FILE"}, kTimedLog, {}, 2},
      {"--layout with a filter", {"--layout", "--stats", "-o", "x.toml", "FILE"}, kTimedLog, {}, 2},
      {"bytes that are no text", {"FILE"}, std::string("55 AA \xFF\xFE\x80 1B\n"), {}, 2},
  };
  RunCases("options", cases);

  // The same in JSON: the late reply's latency and problem, and the summary as one object.
  const std::string dir = Folder("options_json");
  WriteText(dir + "log.txt", kTimedLog);
  const auto reply = RunZotpx({"--json", "decode", "--only", "cross-move", dir + "log.txt"});
  const nlohmann::json late = nlohmann::json::parse(reply.out.substr(reply.out.rfind("{\"")));
  EXPECT_EQ(late["latency_ms"], 1500.0);
  EXPECT_EQ(late["problems"],
            nlohmann::json::array({"its first byte came after 1.500 s; the device has 1000 ms"}));
  const auto stats = RunZotpx({"--json", "decode", "--stats", dir + "log.txt"});
  const nlohmann::json summary = nlohmann::json::parse(stats.out);
  EXPECT_EQ(summary["all"]["frames"], 3);
  EXPECT_EQ(summary["all"]["failed"], 2);
  EXPECT_EQ(summary["all"]["latency_worst_ms"], 1500.0);
  EXPECT_EQ(summary["commands"][1]["command"], "rect");
  std::filesystem::remove_all(dir);
}

TEST(DecodeTest, ALogSavedAsGbkReadsAsTheSameLog) {
  const std::string dir = Folder("gbk");
  for (const std::string& log :
       {std::string(kTimedLog),
        std::string("【矩形控制命令】\r\n发送：55 AA 1B 09 08 00 00 00 00 "
                    "01 7F 00 FF AB \r\n接收：55 AA 1B 01 00 1C \r\n\r\n")}) {
    const zotpx::Cp936Text gbk = zotpx::Utf8ToCp936(log);
    ASSERT_TRUE(gbk.ok());
    zotpx::test::WriteFileBytes(dir + "gbk.log", gbk.bytes);
    WriteText(dir + "utf8.log", log);
    const auto from_gbk = RunZotpx({"decode", dir + "gbk.log"});
    const auto from_utf8 = RunZotpx({"decode", dir + "utf8.log"});
    ASSERT_EQ(from_gbk.status, 0) << from_gbk.err;
    std::string expected = from_utf8.out;
    for (std::size_t at; (at = expected.find("utf8.log")) != std::string::npos;)
      expected.replace(at, 8, "gbk.log");
    EXPECT_EQ(from_gbk.out, expected);
  }
  std::filesystem::remove_all(dir);
}

TEST(DecodeTest, ZotpxLogsEachLineWithItsTimeAndDecodeShowsTheReplysLatency) {
  const std::string dir = Folder("log_time");
  auto sim = StartSim({.model = zotpx::DeviceModel::PB, .baud = 115200});
  sim->AddFault({.fault = zotpx::sim::Fault::Late, .command = 0x1B, .delay_ms = 300});
  const auto sent = RunZotpx(
      {"-p", sim.link.port, "-b", "115200", "--log", dir + "log.txt", "--log-time", "rect"});
  ASSERT_EQ(sent.status, 0) << sent.err;
  std::ifstream log(dir + "log.txt");
  for (std::string line; std::getline(log, line);) {
    std::string_view rest = line;
    EXPECT_TRUE(zotpx::TakeLogTime(rest)) << line;
  }
  const auto decoded = RunZotpx({"decode", dir + "log.txt"});
  const std::size_t at = decoded.out.find("; latency ");
  ASSERT_NE(at, std::string::npos) << decoded.out;
  // The reply's first byte came 300 ms after the request (less the moment between the write and
  // its time being taken), well within the limit.
  const double ms = std::stod(decoded.out.substr(at + 10));
  EXPECT_GE(ms, 295.0) << decoded.out;
  EXPECT_EQ(decoded.out.find("the device has"), std::string::npos) << decoded.out;
  std::filesystem::remove_all(dir);
}

}  // namespace

namespace {

// A bitmap's data frame as logged: 8 x 8 at (0, 0), block `block`, the picture and then 232
// bytes that should be zero, the first of them `stray`.
std::string BitmapDataFrame(std::uint8_t block, std::uint8_t stray) {
  Bytes data = {static_cast<std::uint8_t>(block << 3),
                0,
                0,
                0,
                0,
                8,
                8,
                0x81,
                0x42,
                0x24,
                0x18,
                0x18,
                0x24,
                0x42,
                0x81};
  data.resize(7 + 240, 0);
  data[15] = stray;
  return FrameHex(0x1D, data);
}

TEST(DecodeTest, ALayoutKeepsABitmapWholeOrLeavesItOutWholeAndGoesToStandardOutput) {
  const std::string dir = Folder("layouts");
  const std::string rect =
      "【矩形控制命令】\n发送：55 AA 1B 09 08 00 00 00 00 01 7F 00 FF AB \n"
      "接收：55 AA 1B 01 00 1C \n\n";
  const auto bitmap = [](const std::string& data) {
    return "【单色位图命令】\n发送：" + data + "\n接收：55 AA 1D 01 00 1E \n发送：" +
           FrameHex(0x1D, {0, 0, 0, 0, 0, 8, 8}) + "\n接收：55 AA 1D 01 00 1E \n\n";
  };
  struct Case {
    std::string name;
    std::string log;
    std::string output;  // -o
    std::vector<std::string> in_layout;
    std::vector<std::string> not_in_layout;
    std::string said;  // on standard error
  };
  const std::vector<Case> cases = {
      {"bytes past the picture: the picture is kept",
       rect + bitmap(BitmapDataFrame(1, 0x55)),
       dir + "a.toml",
       {"kind = \"single\"", "file = \"a-2.bmp\""},
       {"control-only"},
       "the bytes after the picture's end should be 0; the layout keeps the picture"},
      {"a data frame left out: so is its control frame",
       rect + bitmap(BitmapDataFrame(2, 0)),
       dir + "b.toml",
       {"[[rect]]"},
       {"[[bitmap]]"},
       "单色位图命令 left out: frames of its picture were left out"},
      {"standard output", rect, "-", {"# Made by zotpx", "[[rect]]"}, {}, "-> standard output"},
  };
  for (const Case& c : cases) {
    WriteText(dir + "log.txt", c.log);
    const auto run = RunZotpx({"decode", "--layout", dir + "log.txt", "-o", c.output});
    ASSERT_EQ(run.status, 0) << c.name << "\n" << run.err;
    std::string layout = run.out;
    if (c.output != "-") {
      std::ifstream in(c.output);
      layout.assign(std::istreambuf_iterator<char>(in), {});
    }
    for (const std::string& text : c.in_layout)
      EXPECT_NE(layout.find(text), std::string::npos) << c.name << ": " << text << "\n" << layout;
    for (const std::string& text : c.not_in_layout)
      EXPECT_EQ(layout.find(text), std::string::npos) << c.name << ": " << text << "\n" << layout;
    EXPECT_NE(run.err.find(c.said), std::string::npos) << c.name << "\n" << run.err;
  }
  // The picture written beside the layout is the logged one.
  const zotpx::BitmapLoad picture =
      zotpx::LoadBitmapFile(dir + "a-2.bmp", *zotpx::FindRow("bitmap single")->picture_limits);
  EXPECT_EQ(picture.bitmap.packed, Hex("81 42 24 18 18 24 42 81"));
  const auto refused = RunZotpx({"--json", "decode", "--layout", dir + "log.txt", "-o", "-"});
  EXPECT_EQ(refused.status, 2);
  std::filesystem::remove_all(dir);
}

}  // namespace
