// One table of what the options and layout keys take, run through both faces: the command
// line's FillValues and a layout's key. Numbers name items exactly as --help says (an on/off
// choice by its state), a flag's false is the list's other item, contradictory flags and
// years the device's clock cannot hold are refused.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <ostream>

#include "cli/commands.h"
#include "command/codec.h"
#include "layout/layout_reader.h"
#include "support/bmp_writer.h"

namespace {

using zotpx::Bytes;
using zotpx::cli::FindCommand;
using Pairs = std::vector<std::pair<std::string, std::string>>;  // key, value as TOML writes it

struct Word {
  std::string name;
  std::string command;
  Pairs given;
  Pairs same_as;        // keywords that send the same frames; empty when refused
  std::string refusal;  // part of the refusal, in both faces' wording
};

// Test names and failures show the row by its name, not its bytes.
void PrintTo(const Word& word, std::ostream* out) {
  *out << word.name;
}

// A bitmap for the bitmap rows, written once.
std::string Picture() {
  static const std::string path = [] {
    const std::string p = testing::TempDir() + "zotpx_vocab_" + std::to_string(getpid()) + ".bmp";
    zotpx::test::WriteFileBytes(p, zotpx::test::MakeBmp({.width = 16, .height = 16}));
    return p;
  }();
  return path;
}

std::vector<Word> Words() {
  const std::string file = "\"" + Picture() + "\"";
  return {
      // An on/off choice: a number is its state, whatever the device receives for it.
      {"OverlayZeroIsOff", "params", {{"overlay", "0"}}, {{"overlay", "\"off\""}}, ""},
      {"OverlayOneIsOn", "params", {{"overlay", "1"}}, {{"overlay", "\"on\""}}, ""},
      {"OverlayFalseIsOff", "params", {{"overlay", "false"}}, {{"overlay", "\"off\""}}, ""},
      {"OverlayTwoIsNothing", "params", {{"overlay", "2"}}, {}, "on|off, also 1|0 or true|false"},
      {"CrossZeroIsOff", "cross set", {{"enable", "0"}}, {{"enable", "\"off\""}}, ""},
      {"CrossOneIsOn", "cross set", {{"enable", "1"}}, {{"enable", "\"on\""}}, ""},
      {"CrossTrueIsOn", "cross set", {{"enable", "true"}}, {{"enable", "\"on\""}}, ""},
      // Other lists: the code the device receives, exactly the codes --help lists.
      {"LayerByBit", "area", {{"layer", "4"}}, {{"layer", "\"transparent\""}}, ""},
      {"LayerAllBits", "area", {{"layer", "7"}}, {{"layer", "\"all\""}}, ""},
      {"LayerThreeIsNoLayer", "area", {{"layer", "3"}}, {}, "or 1|2|4|7 in that order"},
      {"LayerIndexIsNoLayer", "area", {{"layer", "0"}}, {}, "or 1|2|4|7 in that order"},
      {"ColourCode", "text", {{"colour", "7"}}, {{"colour", "\"fg-on-transparent\""}}, ""},
      {"ColourPastTheList", "text", {{"colour", "8"}}, {}, "or 0-7 in that order"},
      {"ColourIsNoState", "text", {{"colour", "true"}}, {}, "or 0-7 in that order"},
      {"FontCode", "time", {{"font", "1"}}, {{"font", "\"large\""}}, ""},
      {"KeyLevelCode", "params", {{"key3", "1"}}, {{"key3", "\"high\""}}, ""},
      {"FlashZeroIsNone",
       "bitmap flashing",
       {{"file", file}, {"flash", "0"}},
       {{"file", file}, {"flash", "\"none\""}},
       ""},
      // Keywords that are numbers take no code: "1" is normal size, never double.
      {"SizeOneIsNormal", "date", {{"size", "1"}}, {}, ""},
      {"SizeTwoIsDouble",
       "date",
       {{"size", "2"}, {"hide", "true"}},
       {{"size", "\"2\""}, {"hide", "true"}},
       ""},
      {"SizeZeroIsNoSize", "date", {{"size", "0"}}, {}, "magnification: 1|2 (default 1)"},
      {"ThicknessAsShown", "rect", {{"thickness", "2"}}, {}, ""},
      {"ThicknessZeroIsNone", "rect", {{"thickness", "0"}}, {}, "1|2|3|4"},
      // Flags: false is the list's other item; 1 and 0 are states too.
      {"ClearFalseFills", "area", {{"clear", "false"}}, {{"fill", "true"}}, ""},
      {"FillFalseClears",
       "area",
       {{"fill", "false"}, {"layer", "\"bg\""}},
       {{"clear", "true"}, {"layer", "\"bg\""}},
       ""},
      {"FillOneFills", "area", {{"fill", "1"}}, {{"fill", "true"}}, ""},
      {"FillZeroClears", "area", {{"fill", "0"}}, {{"clear", "true"}}, ""},
      {"FillFalseClearTrueAgree",
       "area",
       {{"fill", "false"}, {"clear", "true"}},
       {{"clear", "true"}},
       ""},
      {"FillAndClear", "area", {{"fill", "true"}, {"clear", "true"}}, {}, "contradict each other"},
      {"NeitherFillNorClear",
       "area",
       {{"fill", "false"}, {"clear", "false"}},
       {},
       "contradict each other"},
      {"FlagTwo", "area", {{"fill", "2"}}, {}, "a flag is true or false (1 or 0)"},
      {"FilledFalseIsOutline", "rect", {{"filled", "false"}, {"left", "3"}}, {{"left", "3"}}, ""},
      {"VerticalOne", "line", {{"vertical", "1"}}, {{"vertical", "true"}}, ""},
      {"DeleteZeroShows", "circle", {{"delete", "0"}}, {{"delete", "false"}}, ""},
      {"HideFalseShows", "cross set", {{"text-hide", "false"}}, {}, ""},
      {"ControlOnlyOne",
       "bitmap oversized",
       {{"file", file}, {"control-only", "1"}},
       {{"file", file}, {"control-only", "true"}},
       ""},
      // The clock's years: the ones its year byte holds.
      {"LastYear",
       "clock",
       {{"at", "2255-12-31 23:59:59"}},
       {{"at", "\"2255-12-31 23:59:59\""}},
       ""},
      {"FirstYear",
       "clock",
       {{"at", "\"2000-01-01 00:00:00\""}},
       {{"at", "2000-01-01 00:00:00"}},
       ""},
      {"YearBefore", "clock", {{"at", "1999-12-31 23:59:59"}}, {}, "years 2000 to 2255"},
      // A moment as written, and nothing looser.
      {"MomentUnpadded", "clock", {{"at", "\"2026-1-7 2:4:5\""}}, {}, "YYYY-MM-DD HH:MM:SS"},
      {"MomentSigned", "clock", {{"at", "\"2026-01-07 -0:45:00\""}}, {}, "YYYY-MM-DD HH:MM:SS"},
      {"MomentTwoSpaces", "clock", {{"at", "\"2026-01-07  02:45:00\""}}, {}, "YYYY-MM-DD"},
      // Leading zeros of a code are decimal ones, however many.
      {"LayerZeros", "area", {{"layer", "\"00007\""}}, {{"layer", "\"all\""}}, ""},
      {"YearAfter", "clock", {{"at", "\"2256-01-01 00:00:00\""}}, {}, "years 2000 to 2255"},
  };
}

// The value as typed on the command line.
std::string Unquoted(const std::string& toml) {
  return toml.size() >= 2 && toml.front() == '"' ? toml.substr(1, toml.size() - 2) : toml;
}

// Frames, or the message that refuses them.
struct Judged {
  std::vector<Bytes> frames;
  std::string refusal;
};

Judged FromValues(const zotpx::cli::CommandDef& command, const Pairs& pairs) {
  zotpx::cli::Given given;
  for (const auto& [key, value] : pairs) given.push_back({key, Unquoted(value)});
  const zotpx::cli::FillResult filled = zotpx::cli::FillValues(command, given);
  if (filled.error) return {{}, *filled.error};
  const zotpx::cli::Prepared prepared = zotpx::cli::PrepareFrames(command, filled.values);
  if (!prepared.build) return {{}, prepared.refusal.value_or("refused")};
  return {prepared.build(), {}};
}

Judged FromLayout(const std::string& path, const Pairs& pairs) {
  std::string table = path;
  std::string text;
  if (path.rfind("bitmap ", 0) == 0) {
    table = "bitmap";
    text = "kind = \"" + path.substr(7) + "\"\n";
  }
  if (path == "cross set") table = "cross";
  text = "[[" + table + "]]\n" + text;
  for (const auto& [key, value] : pairs) text += key + " = " + value + "\n";
  const zotpx::Layout layout = zotpx::ParseLayout(text, "v.toml", "");
  if (!layout.ok()) return {{}, layout.errors.front()};
  if (layout.objects.size() != 1) return {{}, "not one object"};
  return {zotpx::BuildFrames(layout.objects.front().values), {}};
}

class VocabularyTest : public ::testing::TestWithParam<Word> {};

TEST_P(VocabularyTest, CommandLineAndLayoutTakeTheSameWords) {
  const Word& word = GetParam();
  const zotpx::cli::CommandDef* command = FindCommand(word.command);
  ASSERT_NE(command, nullptr) << word.command;
  const Judged options = FromValues(*command, word.given);
  const Judged keys = FromLayout(word.command, word.given);
  if (!word.refusal.empty()) {
    EXPECT_NE(options.refusal.find(word.refusal), std::string::npos) << options.refusal;
    EXPECT_NE(keys.refusal.find(word.refusal), std::string::npos) << keys.refusal;
    // The line of the key at fault: the last one given.
    const std::string line = "v.toml:" + std::to_string(1 + word.given.size()) + ": ";
    EXPECT_EQ(keys.refusal.rfind(line, 0), 0u) << keys.refusal;
    return;
  }
  ASSERT_EQ(options.refusal, "");
  ASSERT_EQ(keys.refusal, "");
  const Judged expected = FromValues(*command, word.same_as);
  ASSERT_EQ(expected.refusal, "");
  EXPECT_EQ(options.frames, expected.frames);
  EXPECT_EQ(keys.frames, expected.frames);
}

INSTANTIATE_TEST_SUITE_P(Words, VocabularyTest, ::testing::ValuesIn(Words()),
                         [](const auto& info) { return info.param.name; });

// A TOML date and time with an offset is an instant: the clock gets this computer's local time
// at that instant, not the written time with its offset dropped.
TEST(VocabularyClockTest, OffsetDateTimeIsSetAsLocalTime) {
  using namespace std::chrono;
  const std::time_t instant =
      system_clock::to_time_t(sys_days{year(2026) / 12 / 7} + hours(8) + minutes(30));
  std::tm local{};
  localtime_r(&instant, &local);
  char expected[32];
  std::strftime(expected, sizeof expected, "\"%Y-%m-%d %H:%M:%S\"", &local);
  const Judged as_local = FromLayout("clock", {{"at", expected}});
  for (const char* written :
       {"2026-12-07T08:30:00Z", "2026-12-07T14:15:00+05:45", "2026-12-07 03:30:00-05:00"}) {
    const Judged judged = FromLayout("clock", {{"at", written}});
    ASSERT_EQ(judged.refusal, "") << written;
    EXPECT_EQ(judged.frames, as_local.frames) << written;
  }
  // An instant far past the clock's years is refused with its year, not wrapped or overflowed.
  for (const auto& [written, year] : {std::pair{"7035-01-01T00:00:00Z", "7035-"},
                                      std::pair{"9999-12-31T23:59:59+14:00", "9999-"}}) {
    const std::string refusal = FromLayout("clock", {{"at", written}}).refusal;
    EXPECT_NE(refusal.find(year), std::string::npos) << refusal;
    EXPECT_NE(refusal.find("holds the years 2000 to 2255 only"), std::string::npos) << refusal;
  }
}

}  // namespace
