// The static command text the tool writes (read back by the static download's own parser), the
// records a "User.cfg" image holds at power-on, and which commands belong in a start-up list.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "text/static_file.h"

using zotpx::Bytes;

namespace {

// Frames of every size a record line holds: no data, a usual command, the longest (259 bytes).
std::vector<Bytes> SampleFrames() {
  return {zotpx::MakeFrame(0x10, {0x00}),
          zotpx::MakeFrame(0x14, {0x22, 0x00, 0x05, 0x00, 0x32, 0x41, 0x42, 0x43}),
          zotpx::MakeFrame(0x1F, {}), zotpx::MakeFrame(0x1D, Bytes(254, 0xAB))};
}

Bytes AsBytes(const std::string& text) {
  return Bytes(text.begin(), text.end());
}

// The image's records, back to back, as the text's frames with their trailing byte.
Bytes Records(const std::vector<Bytes>& frames) {
  Bytes records;
  for (const Bytes& frame : frames) {
    records.insert(records.end(), frame.begin(), frame.end());
    records.push_back(zotpx::kStaticTrailingByte);
  }
  return records;
}

TEST(StaticTextTest, OneRecordALineAfterACommentLine) {
  const std::string text =
      zotpx::FormatStaticText(std::vector<Bytes>{{0x55, 0xAA, 0x10, 0x01, 0x00, 0x11}});
  const std::size_t first_line_end = text.find("\r\n");
  ASSERT_NE(first_line_end, std::string::npos);
  EXPECT_EQ(text.substr(first_line_end + 2), "55 AA 10 01 00 11 00\r\n");
  EXPECT_EQ(text[0], ';');
  // The comment line alone gives nothing: no byte, no record.
  const zotpx::StaticImage header =
      zotpx::BuildStaticImage(AsBytes(text.substr(0, first_line_end)));
  EXPECT_EQ(header.records, 0u);
  EXPECT_EQ(header.image, zotpx::BuildStaticImage(AsBytes(" ")).image);
}

TEST(StaticTextTest, TextReadsBackToExactlyItsFrames) {
  const std::vector<Bytes> frames = SampleFrames();
  const zotpx::StaticImage built =
      zotpx::BuildStaticImage(AsBytes(zotpx::FormatStaticText(frames)));
  ASSERT_EQ(built.failure, std::nullopt);
  EXPECT_EQ(built.records, frames.size());
  const Bytes records = Records(frames);
  Bytes expected(zotpx::kStaticImageSize, 0);
  std::copy_n("CFG ", 4, expected.begin());
  expected[4] = static_cast<std::uint8_t>(frames.size());
  std::copy(records.begin(), records.end(), expected.begin() + 5);
  EXPECT_EQ(built.image, expected);
  // And the image gives the records back, as the device runs them.
  std::vector<Bytes> with_trailing;
  for (Bytes frame : frames) {
    frame.push_back(zotpx::kStaticTrailingByte);
    with_trailing.push_back(frame);
  }
  EXPECT_EQ(zotpx::StaticImageRecords(built.image), with_trailing);
}

TEST(StaticTextTest, NoFramesGiveAnEmptyImage) {
  const zotpx::StaticImage built =
      zotpx::BuildStaticImage(AsBytes(zotpx::FormatStaticText(std::vector<Bytes>{})));
  EXPECT_EQ(built.failure, std::nullopt);
  EXPECT_EQ(built.records, 0u);
  EXPECT_TRUE(zotpx::StaticImageRecords(built.image).empty());
}

TEST(StaticImageRecordsTest, TagCountAndRecordsDecideWhatRuns) {
  const std::vector<Bytes> frames = SampleFrames();
  const Bytes good = zotpx::BuildStaticImage(AsBytes(zotpx::FormatStaticText(frames))).image;
  const std::size_t second = 5 + frames[0].size() + 1;  // where the second record starts
  struct Case {
    const char* what;
    std::function<void(Bytes&)> spoil;
    std::size_t records;
  };
  const Case cases[] = {
      {"as written", [](Bytes&) {}, 4},
      {"erased memory", [](Bytes& image) { std::fill(image.begin(), image.end(), 0xFF); }, 0},
      {"bad tag", [](Bytes& image) { image[3] = '!'; }, 0},
      {"shorter than its tag", [](Bytes& image) { image.resize(4); }, 0},
      {"count 0", [](Bytes& image) { image[4] = 0; }, 0},
      {"count below the records", [](Bytes& image) { image[4] = 2; }, 2},
      {"count beyond the records", [](Bytes& image) { image[4] = 9; }, 4},
      {"second record erased",
       [&](Bytes& image) { std::fill(image.begin() + second, image.end(), 0xFF); }, 1},
      {"second record's command above 0x1F", [&](Bytes& image) { image[second + 2] = 0x20; }, 1},
      {"cut inside the last record", [](Bytes& image) { image.resize(291); }, 3},
  };
  for (const Case& c : cases) {
    Bytes image = good;
    c.spoil(image);
    EXPECT_EQ(zotpx::StaticImageRecords(image).size(), c.records) << c.what;
  }
}

TEST(StaticImageRecordsTest, ARecordMayEndJustBefore0x3FFF) {
  // 62 records of 260 bytes and one of 258 fill offsets 5 to 0x3FFE exactly.
  std::vector<Bytes> frames(62, zotpx::MakeFrame(0x1D, Bytes(254, 0x5A)));
  frames.push_back(zotpx::MakeFrame(0x1D, Bytes(252, 0x5A)));
  EXPECT_EQ(zotpx::CheckStaticFrames(frames), std::nullopt);
  const zotpx::StaticImage full = zotpx::BuildStaticImage(AsBytes(zotpx::FormatStaticText(frames)));
  ASSERT_EQ(full.failure, std::nullopt);
  EXPECT_EQ(zotpx::StaticImageRecords(full.image).size(), 63u);
  // One byte longer, the last record would reach 0x3FFF: it is not run.
  Bytes past = full.image;
  past[5 + 62 * 260 + 3] = 253;
  EXPECT_EQ(zotpx::StaticImageRecords(past).size(), 62u);
}

TEST(StaticTextTest, FramesTheDownloadWouldRefuseAreNamed) {
  const Bytes small = zotpx::MakeFrame(0x10, {0x00});
  struct Case {
    const char* what;
    std::vector<Bytes> frames;
    std::optional<std::string> failure;
  };
  const Case cases[] = {
      {"255 records", std::vector<Bytes>(255, small), std::nullopt},
      {"256 records", std::vector<Bytes>(256, small), zotpx::kStaticTooManyText},
      {"past the static area", std::vector<Bytes>(64, zotpx::MakeFrame(0x1D, Bytes(254, 0))),
       zotpx::kStaticTooBigText},
      {"a 260-byte frame",
       {small, zotpx::MakeFrame(0x1D, Bytes(255, 0))},
       zotpx::kStaticFrameTooLongText},
      {"not a frame", {small, Bytes{0x55, 0xAA, 0x10}}, zotpx::kStaticFrameTooLongText},
  };
  for (const Case& c : cases) EXPECT_EQ(zotpx::CheckStaticFrames(c.frames), c.failure) << c.what;
}

TEST(StartUpCommandTest, OnlyParametersAndOverlayObjects) {
  for (int code = 0; code < 0x100; ++code) {
    const bool expected = code == 0x10 || (code >= 0x12 && code <= 0x1F);
    EXPECT_EQ(zotpx::IsStartUpCommand(static_cast<std::uint8_t>(code)), expected) << code;
  }
}

}  // namespace
