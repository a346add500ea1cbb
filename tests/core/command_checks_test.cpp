// Every command's check through the table, one matrix: edit boxes as typed at their edges, the
// checks in the window's order (the first failure's message wins), a text's and a format's
// limits, shapes and pictures wholly on the screen, a picture's blocks.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "command/checks.h"
#include "command/codec.h"

namespace {

using zotpx::Values;

struct CheckCase {
  const char* command;
  std::vector<std::pair<std::string, std::string>> words;  // field, word (edit boxes as typed)
  const char* message;                                     // nullptr: accepted
  std::uint32_t width = 0;                                 // the bitmap slot's picture, if any
  std::uint32_t height = 0;
};

void PrintTo(const CheckCase& c, std::ostream* out) {
  *out << c.command;
  for (const auto& [field, word] : c.words) *out << " " << field << "='" << word << "'";
  if (c.width) *out << " picture " << c.width << "x" << c.height;
}

class CommandChecks : public ::testing::TestWithParam<CheckCase> {};

TEST_P(CommandChecks, GiveTheFirstFailingMessage) {
  const CheckCase& c = GetParam();
  Values values(*zotpx::FindRow(c.command));
  for (const auto& [field, word] : c.words)
    ASSERT_FALSE(zotpx::SetFieldWord(*values.row().Field(field), values[field], word)) << field;
  if (c.width)
    values["file"].picture =
        zotpx::LoadedBitmap{c.width, c.height, zotpx::Bytes(c.width / 8 * c.height)};
  const std::optional<std::string> failure = values.row().check(values);
  if (c.message)
    EXPECT_EQ(failure, std::string(c.message));
  else
    EXPECT_EQ(failure, std::nullopt);
}

const char* const kCoord = zotpx::kInvalidCoordinateText.data();
const char* const kDate = zotpx::kInvalidDateFormatText.data();
const char* const kTime = zotpx::kInvalidTimeFormatText.data();

INSTANTIATE_TEST_SUITE_P(
    DateAndTime, CommandChecks,
    ::testing::Values(
        CheckCase{"date", {}, nullptr}, CheckCase{"time", {}, nullptr},
        CheckCase{"date", {{"x", "383"}, {"y", "255"}}, nullptr},
        CheckCase{"date", {{"x", "$FF"}}, nullptr},
        CheckCase{"date", {{"format", "yy/mm/dd"}}, nullptr},
        CheckCase{"time", {{"format", "!}!}!}!}"}}, nullptr},
        CheckCase{"date", {{"x", "384"}}, kCoord}, CheckCase{"date", {{"y", "256"}}, kCoord},
        CheckCase{"time", {{"x", "-1"}}, kCoord}, CheckCase{"date", {{"x", ""}}, kCoord},
        CheckCase{"time", {{"y", ""}}, kCoord}, CheckCase{"date", {{"x", "12 "}}, kCoord},
        CheckCase{"date", {{"x", "abc"}}, kCoord},
        CheckCase{"date", {{"x", "x"}, {"format", "bad"}}, kCoord},  // the position first
        CheckCase{"time", {{"y", "999"}, {"format", ""}}, kCoord},
        CheckCase{"date", {{"format", "yyyy/mm/d"}}, kDate},
        CheckCase{"date", {{"format", ""}}, kDate},
        CheckCase{"time", {{"format", "yyyy/mm/dd"}}, kTime},
        CheckCase{"time", {{"format", "hh:mm:s"}}, kTime},
        CheckCase{"time", {{"format", "hh mm ss"}}, kTime},
        CheckCase{"date", {{"format", "yyyy~mm~dd"}}, kDate},
        CheckCase{"time", {{"format", "hh:mm:s\x7f"}}, kTime},
        CheckCase{"time", {{"format", "hh:mm:s\t"}}, kTime},
        CheckCase{"date", {{"format", "yyyy年mm月"}}, kDate},  // 8 characters, not ASCII
        CheckCase{"date", {{"format", "yyyy年mm月dd"}}, kDate},
        CheckCase{"clock", {{"at", "2026-12-07 20:45:00"}}, nullptr},
        CheckCase{"clock", {{"at", ""}}, nullptr}));

INSTANTIATE_TEST_SUITE_P(
    TextAndArea, CommandChecks,
    ::testing::Values(
        CheckCase{"text", {{"text", "A"}, {"x", "383"}, {"y", "255"}}, nullptr},
        CheckCase{"text", {{"text", "  "}}, nullptr},  // blanks are a text
        CheckCase{"text", {{"text", std::string(200, 'x')}}, nullptr},
        CheckCase{"text", {{"text", "A"}, {"x", "384"}}, kCoord},
        CheckCase{"text", {{"text", "A"}, {"y", "256"}}, kCoord},
        CheckCase{"text", {{"text", "A"}, {"x", "-1"}}, kCoord},
        CheckCase{"text", {{"text", "A"}, {"y", "5a"}}, kCoord},
        CheckCase{"text", {{"text", ""}}, zotpx::kEmptyStringText.data()},
        CheckCase{"text", {{"text", ""}, {"x", "abc"}, {"y", "999"}}, zotpx::kEmptyStringText.data()},
        CheckCase{
            "text", {{"text", std::string(201, 'x')}, {"x", "abc"}}, zotpx::kStringTooLongText.data()},
        CheckCase{"area",
                  {{"left", "10"}, {"top", "20"}, {"right", "10"}, {"bottom", "20"}},
                  nullptr},  // one pixel
        CheckCase{"area", {{"left", "10"}, {"right", "9"}}, zotpx::kEnterCoordinatesText.data()},
        CheckCase{"area", {{"top", "20"}, {"bottom", "19"}}, zotpx::kEnterCoordinatesText.data()},
        CheckCase{"area", {{"right", "384"}}, zotpx::kEnterCoordinatesText.data()},
        CheckCase{"area", {{"bottom", "256"}}, zotpx::kEnterCoordinatesText.data()},
        CheckCase{"area", {{"left", "-1"}}, zotpx::kEnterCoordinatesText.data()},
        CheckCase{"area", {{"top", ""}}, zotpx::kEnterCoordinatesText.data()},
        CheckCase{"area", {{"bottom", "25 5"}}, zotpx::kEnterCoordinatesText.data()}));

const char* const kLine = zotpx::kEnterCoordinatesAndLengthText.data();
const char* const kShape = zotpx::kEnterCoordinatesText.data();

// The line's length is checked against 384 whatever its direction, its end not at all; a
// circle must lie wholly on the screen.
INSTANTIATE_TEST_SUITE_P(
    Shapes, CommandChecks,
    ::testing::Values(
        CheckCase{"line", {{"x", "383"}, {"y", "0"}, {"length", "384"}}, nullptr},
        CheckCase{"line", {{"length", "385"}}, kLine}, CheckCase{"line", {{"length", "-1"}}, kLine},
        CheckCase{"line", {{"length", "0"}}, nullptr},
        CheckCase{"line", {{"length", "300"}, {"vertical", "true"}}, nullptr},
        CheckCase{"line", {{"x", "384"}}, kLine}, CheckCase{"line", {{"y", "256"}}, kLine},
        CheckCase{"line", {{"x", "0x17F"}, {"y", "$FF"}, {"length", "x180"}}, nullptr},
        CheckCase{"line", {{"length", ""}}, kLine}, CheckCase{"line", {{"x", " "}}, kLine},
        CheckCase{
            "rect", {{"left", "10"}, {"top", "10"}, {"right", "10"}, {"bottom", "10"}}, nullptr},
        CheckCase{"rect", {{"left", "10"}, {"right", "9"}}, kShape},
        CheckCase{"rect", {{"top", "11"}, {"bottom", "10"}}, kShape},
        CheckCase{"rect", {{"right", "384"}}, kShape}, CheckCase{"rect", {{"bottom", ""}}, kShape},
        CheckCase{"circle", {{"x", "24"}, {"y", "100"}, {"radius", "25"}}, kShape},
        CheckCase{"circle", {{"x", "25"}, {"y", "100"}, {"radius", "25"}}, nullptr},
        CheckCase{"circle", {{"x", "358"}, {"y", "100"}, {"radius", "25"}}, nullptr},
        CheckCase{"circle", {{"x", "359"}, {"y", "100"}, {"radius", "25"}}, kShape},
        CheckCase{"circle", {{"x", "200"}, {"y", "126"}, {"radius", "127"}}, kShape},
        CheckCase{"circle", {{"x", "200"}, {"y", "128"}, {"radius", "127"}}, nullptr},
        CheckCase{"circle", {{"x", "200"}, {"y", "129"}, {"radius", "127"}}, kShape},
        CheckCase{"circle", {{"x", "5"}, {"y", "5"}, {"radius", "5"}}, nullptr},
        CheckCase{"circle", {{"x", "2147483647"}, {"radius", "25"}}, kShape},  // no wrap
        CheckCase{"circle", {{"y", ""}}, kShape}));

// Loaded first, then the position with the whole picture on the screen, then its blocks.
INSTANTIATE_TEST_SUITE_P(
    Bitmaps, CommandChecks,
    ::testing::Values(
        CheckCase{"bitmap flashing", {{"x", "x"}}, zotpx::kBitmapNotLoadedText.data()},
        CheckCase{"bitmap flashing", {{"x", "336"}, {"y", "216"}}, nullptr, 48, 40},
        CheckCase{"bitmap flashing", {{"x", "337"}, {"y", "0"}}, kCoord, 48, 40},
        CheckCase{"bitmap flashing", {{"x", "0"}, {"y", "217"}}, kCoord, 48, 40},
        CheckCase{"bitmap flashing", {{"x", ""}}, kCoord, 48, 40},
        CheckCase{"bitmap flashing", {{"x", "2147483647"}}, kCoord, 48, 40},
        CheckCase{"bitmap flashing", {}, zotpx::kBitmapBlocksText.data(), 48, 48},  // over one frame
        CheckCase{"bitmap single", {{"x", "192"}}, zotpx::kBitmapNotLoadedText.data()},
        CheckCase{"bitmap single", {{"x", "192"}, {"y", "128"}}, nullptr, 192, 128},
        CheckCase{"bitmap single", {{"x", "193"}, {"y", "128"}}, kCoord, 192, 128},
        CheckCase{"bitmap oversized",
                  {{"x", "0"}, {"y", "0"}},
                  zotpx::kBitmapBlocksText.data(),
                  192,
                  128}));  // 13 blocks, the oversized command carries 9

}  // namespace
