// The real zotpx program in either language: --lang, ZOTPX_LANG and the locale choose it; a
// success, failures (a check, a missing port, a silent device in station mode) and a usage
// error read English with no Chinese character in it, and Chinese where nothing asks for
// English; --json keys and result words are the same in both.
#include <gtest/gtest.h>

#include <cstdlib>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "cli/zotpx_run.h"
#include "support/sim_fixture.h"

namespace {

using zotpx::test::RunZotpx;
using zotpx::test::StartSim;

// Whether `text` holds a CJK ideograph or full-width punctuation.
bool HasChinese(const std::string& text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if ((byte & 0xF0) != 0xE0 || i + 2 >= text.size()) continue;
    const unsigned point = ((byte & 0x0Fu) << 12) |
                           ((static_cast<unsigned char>(text[i + 1]) & 0x3Fu) << 6) |
                           (static_cast<unsigned char>(text[i + 2]) & 0x3Fu);
    if ((point >= 0x3000 && point <= 0x303F) || (point >= 0x4E00 && point <= 0x9FFF) ||
        (point >= 0xFF00 && point <= 0xFFEF))
      return true;
  }
  return false;
}

// How a run asks for its language: arguments before the command, and the environment.
struct Face {
  const char* name;
  std::vector<std::string> before;
  std::vector<std::pair<const char*, const char*>> environment;
  bool english;
};

const Face kFaces[] = {
    {"LangFlag", {"--lang", "en"}, {{"LANG", "zh_CN.UTF-8"}}, true},
    {"ZotpxLang", {}, {{"ZOTPX_LANG", "en"}, {"LANG", "zh_CN.UTF-8"}}, true},
    {"Locale", {}, {{"LANG", "en_US.UTF-8"}}, true},
    {"LocaleC", {}, {{"LANG", "C"}}, false},
    {"LangFlagOverLocale", {"--lang=zh"}, {{"LANG", "en_US.UTF-8"}}, false},
};

constexpr const char* kLanguageVariables[] = {"ZOTPX_LANG", "LANGUAGE", "LC_ALL", "LC_MESSAGES",
                                              "LANG"};

// Only the face's variables name a language in the program's environment.
void UseEnvironment(const Face& face) {
  for (const char* name : kLanguageVariables) unsetenv(name);
  for (const auto& [name, value] : face.environment) setenv(name, value, 1);
}

class LanguageCliTest : public ::testing::TestWithParam<Face> {
 protected:
  void SetUp() override {
    for (const char* name : kLanguageVariables)
      if (const char* value = std::getenv(name)) saved_.emplace_back(name, value);
    // Where the locale names neither language, Windows goes by its display language instead.
    if (zotpx::test::TestsWindowsProgram() && GetParam().name == std::string("LocaleC"))
      GTEST_SKIP() << "the Windows display language decides";
    UseEnvironment(GetParam());
  }
  // The suite may run in one process (the Windows stage does): the next test speaks as before.
  void TearDown() override {
    for (const char* name : kLanguageVariables) unsetenv(name);
    for (const auto& [name, value] : saved_) setenv(name.c_str(), value.c_str(), 1);
  }
  // Runs with the face's arguments first; what was printed must be in the face's language,
  // with `english` or `chinese` in it.
  zotpx::test::ZotpxRun Run(const std::vector<std::string>& args, int status,
                            const std::string& english, const std::string& chinese) {
    std::vector<std::string> all = GetParam().before;
    all.insert(all.end(), args.begin(), args.end());
    const auto run = RunZotpx(all);
    const std::string printed = run.out + run.err;
    EXPECT_EQ(run.status, status) << printed;
    EXPECT_NE(printed.find(GetParam().english ? english : chinese), std::string::npos) << printed;
    if (GetParam().english) {
      EXPECT_FALSE(HasChinese(printed)) << printed;
    }
    return run;
  }

 private:
  std::vector<std::pair<std::string, std::string>> saved_;
};

TEST_P(LanguageCliTest, SuccessFailuresAndUsageErrors) {
  auto sim = StartSim({.model = zotpx::DeviceModel::PB, .baud = 115200});
  Run({"-p", sim.link.port, "connect"}, 0,
      "Connect device succeeded: device model and baud rate matched automatically",
      "连接设备成功：产品型号和通信速率已自动匹配");
  Run({"-p", "/dev/zotpx-no-such-port", "connect"}, 3,
      "Communication failed: check that the port exists",
      "通信失败：请检查串口是否存在或被其他程序占用（设备 /dev/zotpx-no-such-port 不存在）");
  Run({"-p", sim.link.port, "rect", "--left", "500"}, 2,
      "Rectangle failed: enter valid coordinates", "矩形控制命令失败：请输入合法的坐标数值");
  Run({"cross-file", "--origin", "999,999", "-o", "unused.bin", "unused.bmp"}, 2,
      "Make crosshair file failed: the crosshair origin is not a valid coordinate",
      "生成十字线文件失败：不合法的十字线原点坐标值");
  // Usage errors are English in both.
  Run({"connect", "--no-such-option"}, 2, "--no-such-option", "--no-such-option");
}

// A station's workers speak as their parent: the summary holds each port's status.
TEST_P(LanguageCliTest, StationWorkers) {
  auto answering = StartSim({.model = zotpx::DeviceModel::PB, .baud = 9600});
  auto silent = StartSim({.model = zotpx::DeviceModel::PB, .baud = 9600});
  silent->AddFault({.fault = zotpx::sim::Fault::Silence});
  Run({"-p", answering.link.port + "," + silent.link.port, "connect"}, 1,
      "Connect device failed: check that the device is connected", "连接设备失败：");
}

INSTANTIATE_TEST_SUITE_P(Faces, LanguageCliTest, ::testing::ValuesIn(kFaces),
                         [](const auto& info) { return std::string(info.param.name); });

// Scripts read --json alike in both languages: the same keys and result words.
TEST(LanguageJsonTest, KeysAndResultsStay) {
  auto sim = StartSim({.model = zotpx::DeviceModel::PB, .baud = 115200});
  std::vector<nlohmann::json> objects;
  for (const char* language : {"zh", "en"})
    for (const std::string& port : {sim.link.port, std::string("/dev/zotpx-no-such-port")}) {
      const auto run = RunZotpx({"--json", "--lang", language, "-p", port, "connect"});
      objects.push_back(nlohmann::json::parse(run.out));
    }
  for (std::size_t i = 0; i < 2; ++i) {
    std::set<std::string> chinese_keys, english_keys;
    for (const auto& [key, value] : objects[i].items()) chinese_keys.insert(key);
    for (const auto& [key, value] : objects[i + 2].items()) english_keys.insert(key);
    EXPECT_EQ(chinese_keys, english_keys);
    EXPECT_EQ(objects[i]["result"], objects[i + 2]["result"]);
    EXPECT_NE(objects[i]["status"], objects[i + 2]["status"]);
  }
}

}  // namespace
