// The static command text the tool writes, read back by the static download's own parser, and
// the records a "User.cfg" image holds at power-on.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "text/static_file.h"

using zotpx::Bytes;

namespace {

// Frames of every size a record line holds: no data, a usual command, the longest (259 bytes).
const std::vector<Bytes> kFrames = {
    zotpx::MakeFrame(0x10, {0x00}),
    zotpx::MakeFrame(0x14, {0x22, 0x00, 0x05, 0x00, 0x32, 0x41, 0x42, 0x43}),
    zotpx::MakeFrame(0x1F, {}), zotpx::MakeFrame(0x1D, Bytes(254, 0xAB))};

Bytes ImageOf(const std::vector<Bytes>& frames) {
  const std::string text = zotpx::FormatStaticText(frames);
  return zotpx::BuildStaticImage(Bytes(text.begin(), text.end())).image;
}

TEST(StaticTextTest, TextReadsBackToExactlyItsFramesEachWithTheTrailingByte) {
  const std::string text = zotpx::FormatStaticText(kFrames);
  // A comment line, then one record a line as the log writes bytes.
  EXPECT_EQ(text.substr(text.find("\r\n") + 2, 22), "55 AA 10 01 00 11 00\r\n");
  std::vector<Bytes> records = kFrames;
  Bytes expected(zotpx::kStaticImageSize, 0);
  std::copy_n("CFG \x04", 5, expected.begin());
  auto at = expected.begin() + 5;
  for (Bytes& record : records) {
    record.push_back(zotpx::kStaticTrailingByte);
    at = std::copy(record.begin(), record.end(), at);
  }
  EXPECT_EQ(ImageOf(kFrames), expected);
  EXPECT_EQ(zotpx::StaticImageRecords(expected), records);
}

TEST(StaticImageRecordsTest, AnImageRunsWholeOrNotAtAll) {
  const Bytes good = ImageOf(kFrames);
  const std::size_t second = 5 + kFrames[0].size() + 1;  // where the second record starts
  const std::pair<const char*, std::function<void(Bytes&)>> cases[] = {
      {"erased memory", [](Bytes& image) { std::fill(image.begin(), image.end(), 0xFF); }},
      {"bad tag", [](Bytes& image) { image[3] = '!'; }},
      {"shorter than its tag", [](Bytes& image) { image.resize(4); }},
      {"count below the records", [](Bytes& image) { image[4] = 2; }},
      {"count beyond the records", [](Bytes& image) { image[4] = 9; }},
      {"second record erased",
       [&](Bytes& image) { std::fill(image.begin() + second, image.end(), 0xFF); }},
      {"second record's command above 0x1F", [&](Bytes& image) { image[second + 2] = 0x20; }},
      {"cut inside the last record", [](Bytes& image) { image.resize(291); }},
  };
  const std::size_t expected[] = {0, 0, 0, 2, 0, 0, 0, 0};
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    Bytes image = good;
    cases[i].second(image);
    EXPECT_EQ(zotpx::StaticImageRecords(image).size(), expected[i]) << cases[i].first;
  }
}

TEST(StaticTextTest, FramesTheDownloadWouldRefuseAreNamed) {
  const Bytes small = zotpx::MakeFrame(0x10, {0x00});
  const std::vector<Bytes> over_the_area(64, zotpx::MakeFrame(0x1D, Bytes(254, 0)));
  const std::pair<std::vector<Bytes>, std::optional<std::string>> cases[] = {
      {std::vector<Bytes>(255, small), std::nullopt},
      {std::vector<Bytes>(256, small), zotpx::kStaticTooManyText},
      {over_the_area, zotpx::kStaticTooBigText},
      {{small, zotpx::MakeFrame(0x1D, Bytes(255, 0))}, zotpx::kStaticFrameTooLongText},
      {{small, Bytes{0x55, 0xAA, 0x10}}, zotpx::kStaticFrameTooLongText},
  };
  for (const auto& [frames, failure] : cases)
    EXPECT_EQ(zotpx::CheckStaticFrames(frames), failure) << frames.size();
}

}  // namespace
