// The downloads' pure parts: memory requests and their acknowledgement, the progress rule, the
// font library's erase plan and checks, the crosshair download checks, and the static command
// text parser with the "User.cfg" image it builds.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "crosshair/cross_download.h"
#include "serial/memory_transfer.h"
#include "text/font_library.h"
#include "text/static_file.h"

using zotpx::Bytes;

namespace {

Bytes Erase(std::uint32_t address) {
  Bytes frame(10);
  zotpx::BuildEraseRequest(frame.data(), address);
  frame.back() = zotpx::FrameChecksum(frame.data(), frame.size());
  return frame;
}

Bytes WriteHead(std::uint32_t address, std::size_t n) {
  Bytes frame(n + 10, 0);
  zotpx::BuildWriteRequest(frame.data(), address, n);
  frame.resize(9);
  return frame;
}

// ---- requests and acknowledgement ----

TEST(MemoryRequestTest, EraseRequestsMatchTheDevicesFrames) {
  EXPECT_EQ(Erase(0x0), (Bytes{0x55, 0xAA, 0x02, 0x05, 0x40, 0x00, 0x00, 0x00, 0x00, 0x47}));
  EXPECT_EQ(Erase(0x4000), (Bytes{0x55, 0xAA, 0x02, 0x05, 0x40, 0x00, 0x00, 0x40, 0x00, 0x87}));
  EXPECT_EQ(Erase(0x8000), (Bytes{0x55, 0xAA, 0x02, 0x05, 0x40, 0x00, 0x00, 0x80, 0x00, 0xC7}));
  EXPECT_EQ(Erase(0x18000), (Bytes{0x55, 0xAA, 0x02, 0x05, 0x40, 0x00, 0x01, 0x80, 0x00, 0xC8}));
  EXPECT_EQ(Erase(0x38000), (Bytes{0x55, 0xAA, 0x02, 0x05, 0x40, 0x00, 0x03, 0x80, 0x00, 0xCA}));
  EXPECT_EQ(Erase(0x58000), (Bytes{0x55, 0xAA, 0x02, 0x05, 0x40, 0x00, 0x05, 0x80, 0x00, 0xCC}));
}

TEST(MemoryRequestTest, WriteRequestsCarryCountAndAddressHighByteFirst) {
  EXPECT_EQ(WriteHead(0x18000, 240), (Bytes{0x55, 0xAA, 0x02, 0xF5, 0x80, 0xF0, 0x01, 0x80, 0x00}));
  EXPECT_EQ(WriteHead(0x4000, 240), (Bytes{0x55, 0xAA, 0x02, 0xF5, 0x80, 0xF0, 0x00, 0x40, 0x00}));
  EXPECT_EQ(WriteHead(0x77F50, 176), (Bytes{0x55, 0xAA, 0x02, 0xB5, 0x80, 0xB0, 0x07, 0x7F, 0x50}));
  EXPECT_EQ(zotpx::BuildWriteRequest(Bytes(250).data(), 0, 240), 250u);
}

TEST(MemoryRequestTest, LastCrosshairRequestMatchesTheWorkedFrame) {
  const Bytes data{0x50, 0x49, 0x43, 0x20, 0x02, 0x00, 0xC0, 0x00, 0x80, 0, 0, 0, 0, 0, 0, 0};
  Bytes frame(26);
  zotpx::BuildWriteRequest(frame.data(), 0x74000, data.size());
  std::copy(data.begin(), data.end(), frame.begin() + 9);
  frame.back() = zotpx::FrameChecksum(frame.data(), frame.size());
  EXPECT_EQ(frame,
            (Bytes{0x55, 0xAA, 0x02, 0x15, 0x80, 0x10, 0x07, 0x40, 0x00, 0x50, 0x49, 0x43, 0x20,
                   0x02, 0x00, 0xC0, 0x00, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x2C}));
}

TEST(MemoryRequestTest, OnlyTheExactAcknowledgementIsAccepted) {
  struct Case {
    Bytes reply;
    bool accepted;
  };
  const Case cases[] = {
      {{0x55, 0xAA, 0x02, 0x01, 0x01, 0x04}, true},
      {{0x55, 0xAA, 0x02, 0x01, 0x00, 0x03}, false},  // refused
      {{0x55, 0xAA, 0x10, 0x01, 0x01, 0x12}, false},  // another command's echo
      {{0x55, 0xAA, 0x02, 0x00, 0x02}, false},        // no data byte
      {{0x55, 0xAA, 0x02, 0x02, 0x01, 0x01, 0x06}, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(zotpx::IsMemoryAck(c.reply.data(), c.reply.size()), c.accepted)
        << ::testing::PrintToString(c.reply);
}

// ---- progress rule ----

// Every status text a transfer of `total` bytes shows after its blocks.
std::vector<std::string> ProgressTexts(std::size_t total) {
  std::vector<std::string> texts;
  for (std::size_t offset = 0; offset < total;) {
    const std::size_t n = std::min<std::size_t>(240, total - offset);
    offset += n;
    if (auto text = zotpx::ProgressText("P ", offset, n, total)) texts.push_back(*text);
  }
  return texts;
}

TEST(ProgressRuleTest, EveryTenthFullBlockShowsThePercentage) {
  const std::vector<std::string> texts = ProgressTexts(24000);
  ASSERT_EQ(texts.size(), 10u);
  EXPECT_EQ(texts.front(), "P 10%");
  EXPECT_EQ(texts.back(), "P 100%");
}

TEST(ProgressRuleTest, ShortTransferShowsNoPercentage) {
  EXPECT_TRUE(ProgressTexts(250).empty());
}

TEST(ProgressRuleTest, CrosshairProgressStopsAt99AfterThe102ndText) {
  const std::vector<std::string> texts = ProgressTexts(zotpx::kCrossDownloadSize);
  ASSERT_EQ(texts.size(), 102u);
  EXPECT_EQ(texts.front(), "P 0%");
  EXPECT_EQ(texts.back(), "P 99%");
}

TEST(ProgressRuleTest, CallersWithoutPrefixShowNothing) {
  EXPECT_EQ(zotpx::ProgressText("", 2400, 240, 24000), std::nullopt);
}

// ---- font library ----

struct FontPlanCase {
  std::size_t size;
  std::vector<std::uint32_t> erase;
};

class FontErasePlanTest : public ::testing::TestWithParam<FontPlanCase> {};

TEST_P(FontErasePlanTest, ErasesTheRegionsTheFileReaches) {
  EXPECT_EQ(zotpx::FontErasePlan(GetParam().size), GetParam().erase);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, FontErasePlanTest,
    ::testing::Values(FontPlanCase{16, {0x4000}}, FontPlanCase{0x4000, {0x4000}},
                      FontPlanCase{0x4001, {0x4000, 0x8000}},
                      FontPlanCase{0x14000, {0x4000, 0x8000}},
                      FontPlanCase{0x14001, {0x4000, 0x8000, 0x18000}},
                      FontPlanCase{0x34000, {0x4000, 0x8000, 0x18000}},
                      FontPlanCase{0x74000, {0x4000, 0x8000, 0x18000, 0x38000, 0x58000}}));

TEST(FontLibraryTest, ModelAndRateAreCheckedInThatOrder) {
  EXPECT_EQ(zotpx::CheckFontRequest(zotpx::DeviceModel::Unknown, 0), zotpx::kFontNoModelText);
  EXPECT_EQ(zotpx::CheckFontRequest(zotpx::DeviceModel::Unknown, 7), zotpx::kFontNoModelText);
  EXPECT_EQ(zotpx::CheckFontRequest(zotpx::DeviceModel::PA, 3), zotpx::kFontSlowRateText);
  EXPECT_EQ(zotpx::CheckFontRequest(zotpx::DeviceModel::PB, 4), std::nullopt);
  EXPECT_EQ(zotpx::CheckFontRequest(zotpx::DeviceModel::PA, 7), std::nullopt);
}

TEST(FontLibraryTest, SizeIsCheckedAgainstTheModel) {
  struct Case {
    std::size_t size;
    zotpx::DeviceModel model;
    std::optional<std::string> failure;
  };
  const Case cases[] = {
      {0x74000, zotpx::DeviceModel::PA, std::nullopt},
      {0x74001, zotpx::DeviceModel::PA, zotpx::kFontInvalidText},
      {0x74001, zotpx::DeviceModel::PB, zotpx::kFontInvalidText},
      {0x80000, zotpx::DeviceModel::PB,
       zotpx::kFontInvalidText},  // invalid, not merely unsupported
      {0x34001, zotpx::DeviceModel::PB, zotpx::kFontUnsupportedText},
      {0x34001, zotpx::DeviceModel::PA, std::nullopt},
      {0x34000, zotpx::DeviceModel::PB, std::nullopt},
  };
  for (const Case& c : cases)
    EXPECT_EQ(zotpx::CheckFontSize(c.size, c.model), c.failure)
        << c.size << " " << zotpx::ModelName(c.model);
}

TEST(FontLibraryTest, HeaderNeedsTheSameSizeCodeTwice) {
  struct Case {
    std::uint8_t at11, at15;
    bool ok;
  };
  const Case cases[] = {{16, 16, true},  {24, 24, true},  {16, 24, false},
                        {24, 16, false}, {32, 32, false}, {0, 0, false}};
  for (const Case& c : cases) {
    Bytes header(16, 0);
    header[11] = c.at11;
    header[15] = c.at15;
    EXPECT_EQ(zotpx::CheckFontHeader(header) == std::nullopt, c.ok)
        << int(c.at11) << "/" << int(c.at15);
  }
  Bytes ten(10, 16);
  EXPECT_EQ(zotpx::CheckFontHeader(ten), zotpx::kFontInvalidText);
}

TEST(FontLibraryTest, TransferGoesFromTheFontBaseWithProgress) {
  const zotpx::TransferPlan plan = zotpx::FontTransferPlan("内部字库下载", 0x34000);
  EXPECT_EQ(plan.base, 0x4000u);
  EXPECT_EQ(plan.erase.size(), 3u);
  EXPECT_EQ(plan.announcement, "正在进行字库下载... 0%");
  EXPECT_EQ(plan.log_title, "【内部字库下载】");
  EXPECT_TRUE(plan.disable_form);
  EXPECT_TRUE(plan.report_result);
}

// ---- crosshair ----

TEST(CrossDownloadTest, ModelIsCheckedBeforeTheRate) {
  EXPECT_EQ(zotpx::CheckCrossDownloadRequest(zotpx::DeviceModel::Unknown, 0),
            zotpx::kCrossWrongModelText);
  EXPECT_EQ(zotpx::CheckCrossDownloadRequest(zotpx::DeviceModel::PA, 7),
            zotpx::kCrossWrongModelText);
  EXPECT_EQ(zotpx::CheckCrossDownloadRequest(zotpx::DeviceModel::PB, 3), zotpx::kCrossSlowRateText);
  EXPECT_EQ(zotpx::CheckCrossDownloadRequest(zotpx::DeviceModel::PB, 4), std::nullopt);
  EXPECT_EQ(zotpx::CheckCrossDownloadFile(262143), zotpx::kCrossInvalidFileText);
  EXPECT_EQ(zotpx::CheckCrossDownloadFile(262145), zotpx::kCrossInvalidFileText);
  EXPECT_EQ(zotpx::CheckCrossDownloadFile(262144), std::nullopt);
}

// ---- static command text ----

Bytes Text(const std::string& s) {
  return Bytes(s.begin(), s.end());
}

// The image's records: everything between the count and the trailing zeros.
Bytes Records(const zotpx::StaticImage& built, std::size_t length) {
  return Bytes(built.image.begin() + 5,
               built.image.begin() + 5 + static_cast<std::ptrdiff_t>(length));
}

// A record of `j` bytes (a frame with length byte j - 6 and one trailing byte) in plain hex.
std::string RecordLine(std::size_t j, std::uint8_t fill = 0x11) {
  std::string line = "55AA14";
  char hex[4];
  std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned>(j - 6));
  line += hex;
  for (std::size_t k = 4; k < j; ++k) {
    std::snprintf(hex, sizeof hex, "%02X", fill);
    line += hex;
  }
  return line;
}

const Bytes kExampleRecord = {0x55, 0xAA, 0x14, 0x08, 0x22, 0x00, 0x05,
                              0x00, 0x32, 0x41, 0x42, 0x43, 0x3B, 0x00};

TEST(StaticImageTest, WorkedExampleGivesItsImage) {
  const Bytes text = Text(
      "0x55,0xAA,0x14,0x08,0x22,0x00,0x05,0x00,0x32,0x41,0x42,0x43,0x3B,0x00\r\n"
      "55 AA 16 09 87 00 00 00 00 01 7F 00 FF 25\r\n");
  const zotpx::StaticImage built = zotpx::BuildStaticImage(text);
  ASSERT_EQ(built.failure, std::nullopt);
  Bytes expected(16384, 0);
  const Bytes head = {0x43, 0x46, 0x47, 0x20, 0x01};
  std::copy(head.begin(), head.end(), expected.begin());
  std::copy(kExampleRecord.begin(), kExampleRecord.end(), expected.begin() + 5);
  EXPECT_EQ(built.image, expected);
  EXPECT_EQ(built.records, 1u);
}

TEST(StaticImageTest, NotationsGiveTheSameRecord) {
  const char* notations[] = {
      "55AA140822000500324142433B00",
      "0x55 0xAA 0x14 0x08 0x22 0x00 0x05 0x00 0x32 0x41 0x42 0x43 0x3B 0x00",
      "0x55,0xAA,0x14,0x08,0x22,0x00,0x05,0x00,0x32,0x41,0x42,0x43,0x3B,0x00",
      "55 aa 14 08 22 00 05 00 32 41 42 43 3b 00",
      "\t55:AA:14:08:22:00:05:00:32:41:42:43:3B:00  ",
  };
  for (const char* notation : notations) {
    const zotpx::StaticImage built = zotpx::BuildStaticImage(Text(std::string(notation) + "\r\n"));
    ASSERT_EQ(built.records, 1u) << notation;
    Bytes expected = kExampleRecord;
    expected.push_back(0);  // nothing after the record
    EXPECT_EQ(Records(built, 15), expected) << notation;
  }
}

TEST(StaticImageTest, RecordTestsDropIllMadeLines) {
  struct Case {
    const char* line;
    bool accepted;
  };
  const Case cases[] = {
      {"55 AA 10 01 00 11 00", true},      // b3 + 6 bytes
      {"55 AA 10 01 00 11", false},        // the frame without its trailing byte
      {"55 AA 10 01 00 11 00 00", false},  // one byte too many
      {"55 AA 20 01 00 21 00", false},     // command 0x20
      {"55 AB 10 01 00 11 00", false},     // sync
      {"AA 55 10 01 00 11 00", false},
      {"0x5 0x55 AA 10 01 00 11 00", true},    // "0x5" yields no byte
      {"555 AA 10 01 00 11 00", true},         // three digits: the third is skipped
      {"55 AA 10 01 00 11 00 ; face", false},  // a comment with hex pairs spoils the line
      {"55 AA 10 01 00 11 00 ; note", true},   // one that has none does not
      {"add a bead", false},                   // a comment line of letters a-f
  };
  for (const Case& c : cases) {
    const zotpx::StaticImage built = zotpx::BuildStaticImage(Text(std::string(c.line) + "\r\n"));
    ASSERT_EQ(built.failure, std::nullopt) << c.line;
    EXPECT_EQ(built.records, c.accepted ? 1u : 0u) << c.line;
  }
}

TEST(StaticImageTest, CommentsAndBlankLinesBetweenRecordsAreSkipped) {
  const std::string gbk_comment = "\xD7\xD6\xB7\xFB";  // "字符" in code page 936
  const std::string text = "; start-up commands\r\n\r\n" + gbk_comment + "\r\n" +
                           "55 AA 10 01 00 11 00\r\n" + "# the clock\r\n" +
                           "55 AA 12 01 00 13 07\r\n";
  const zotpx::StaticImage built = zotpx::BuildStaticImage(Text(text));
  ASSERT_EQ(built.records, 2u);
  EXPECT_EQ(Records(built, 15), (Bytes{0x55, 0xAA, 0x10, 0x01, 0x00, 0x11, 0x00, 0x55, 0xAA, 0x12,
                                       0x01, 0x00, 0x13, 0x07, 0x00}));
  EXPECT_EQ(built.image[4], 2);
}

TEST(StaticImageTest, EveryLineEndGivesTheSameImage) {
  const std::string a = "55 AA 10 01 00 11 00", b = "55AA12010013 07";
  const zotpx::StaticImage crlf = zotpx::BuildStaticImage(Text(a + "\r\n" + b + "\r\n"));
  ASSERT_EQ(crlf.records, 2u);
  const std::string variants[] = {
      a + "\n" + b + "\n",              // written on Linux
      a + "\r" + b + "\r",              // carriage returns only
      a + "\r\n" + b,                   // last line without a line end
      a + "\n" + b,                     //
      a + "\r\n\r\n\n\r" + b + "\r\n",  // blank lines of every kind
      a + "\r\r\n" + b + "\n\r",
  };
  for (const std::string& text : variants) {
    const zotpx::StaticImage built = zotpx::BuildStaticImage(Text(text));
    EXPECT_EQ(built.image, crlf.image) << ::testing::PrintToString(text);
  }
}

TEST(StaticImageTest, LongLinesStartCollectingAgain) {
  // The longest record: length byte 254, 260 bytes.
  EXPECT_EQ(zotpx::BuildStaticImage(Text(RecordLine(260) + "\r\n")).records, 1u);
  // One byte more and the 261st starts the line again, leaving one byte.
  EXPECT_EQ(zotpx::BuildStaticImage(Text(RecordLine(260) + "00\r\n")).records, 0u);
  // What comes after 260 bytes of noise is collected as a line of its own.
  EXPECT_EQ(zotpx::BuildStaticImage(Text(std::string(520, 'F') + "55AA10010011 00\r\n")).records,
            1u);
}

// 62 records of 260 bytes and one of `last` bytes: records end at 5 + 16120 + last.
std::string NearlyFull(std::size_t last) {
  std::string text;
  for (int k = 0; k < 62; ++k) text += RecordLine(260) + "\r\n";
  return text + RecordLine(last);
}

TEST(StaticImageTest, RecordsMayFillTheImageUpTo0x3FFE) {
  for (const char* end : {"\r\n", ""}) {
    const zotpx::StaticImage built = zotpx::BuildStaticImage(Text(NearlyFull(258) + end));
    ASSERT_EQ(built.failure, std::nullopt);
    EXPECT_EQ(built.records, 63u);
    EXPECT_NE(built.image[0x3FFE], 0);  // the last record's trailing byte
    EXPECT_EQ(built.image[0x3FFF], 0);
  }
}

TEST(StaticImageTest, RecordBeyond0x3FFEIsRefusedWithOrWithoutLineEnd) {
  for (const char* end : {"\r\n", "", "\n"}) {
    const zotpx::StaticImage built = zotpx::BuildStaticImage(Text(NearlyFull(259) + end));
    EXPECT_EQ(built.failure, zotpx::kStaticTooBigText)
        << ::testing::PrintToString(std::string(end));
    EXPECT_TRUE(built.image.empty());
  }
}

TEST(StaticImageTest, MoreThan255RecordsAreRefused) {
  std::string text;
  for (int k = 0; k < 255; ++k) text += "55 AA 10 01 00 11 00\r\n";
  const zotpx::StaticImage full = zotpx::BuildStaticImage(Text(text));
  ASSERT_EQ(full.failure, std::nullopt);
  EXPECT_EQ(full.image[4], 255);
  const zotpx::StaticImage over = zotpx::BuildStaticImage(Text(text + "55 AA 10 01 00 11 00"));
  EXPECT_EQ(over.failure, zotpx::kStaticTooManyText);
  EXPECT_TRUE(over.image.empty());
}

TEST(StaticImageTest, TextWithoutRecordsGivesAnEmptyImage) {
  for (const std::string text : {"5", "\r", "no commands here"}) {
    const zotpx::StaticImage built = zotpx::BuildStaticImage(Text(text));
    ASSERT_EQ(built.failure, std::nullopt);
    EXPECT_EQ(built.image.size(), 16384u);
    EXPECT_EQ(built.image[4], 0);
    EXPECT_EQ(std::string(built.image.begin(), built.image.begin() + 4), "CFG ");
  }
}

TEST(StaticImageTest, FileSizeAndModelChecks) {
  EXPECT_EQ(zotpx::CheckStaticFileSize(0), zotpx::kStaticInvalidText);
  EXPECT_EQ(zotpx::CheckStaticFileSize(1), std::nullopt);
  EXPECT_EQ(zotpx::CheckStaticFileSize(1048575), std::nullopt);
  EXPECT_EQ(zotpx::CheckStaticFileSize(1048576), zotpx::kStaticInvalidText);
  EXPECT_EQ(zotpx::CheckStaticRequest(zotpx::DeviceModel::Unknown), zotpx::kStaticNoModelText);
  EXPECT_EQ(zotpx::CheckStaticRequest(zotpx::DeviceModel::PB), std::nullopt);
}

}  // namespace
