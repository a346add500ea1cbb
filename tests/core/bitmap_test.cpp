// Bitmap files and the bitmap commands' frames: the 64-byte header check through every slot's
// limits on generated files, pure-black row packing, and the oversized and single-colour
// pictures in numbered blocks with zero padding (their checks: command_checks_test).
#include "graphics/bitmap.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "command/codec.h"
#include "support/bmp_writer.h"
#include "support/hex.h"
#include "support/temp_folder.h"

namespace {

using zotpx::BitmapFileStatus;
using zotpx::Bytes;
using zotpx::test::BmpLayout;
using zotpx::test::MakeBmp;

constexpr auto kOk = BitmapFileStatus::Ok;
constexpr auto kBad = BitmapFileStatus::Invalid;

using zotpx::test::Hex;

class BitmapFiles : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const Bytes& bytes) {
    const std::string path = (std::filesystem::path(zotpx::test::TestFolder()) / name).string();
    EXPECT_TRUE(zotpx::test::WriteFileBytes(path, bytes));
    return path;
  }
  BitmapFileStatus Check(const Bytes& bytes, const zotpx::BitmapLimits& limits) {
    // CTest runs the cases in parallel processes: each needs a file of its own.
    const std::string name = std::string("bitmap_test_") +
                             ::testing::UnitTest::GetInstance()->current_test_info()->name() + "_" +
                             std::to_string(getpid()) + ".bmp";
    return zotpx::CheckBitmapFile(Write(name, bytes), limits).status;
  }
};

TEST_F(BitmapFiles, SizesPassOnlyTheSlotsThatHoldThem) {
  struct Case {
    int width, height;
    BitmapFileStatus flashing, oversized, single;
  } cases[] = {
      {8, 8, kOk, kOk, kOk},      {40, 48, kOk, kOk, kOk},     {48, 40, kOk, kOk, kOk},
      {48, 48, kBad, kOk, kOk},   {8, 12, kBad, kBad, kBad},   {12, 8, kBad, kBad, kBad},
      {56, 8, kBad, kOk, kOk},    {128, 128, kBad, kOk, kOk},  {136, 8, kBad, kBad, kOk},
      {8, 136, kBad, kBad, kBad}, {192, 128, kBad, kBad, kOk}, {200, 8, kBad, kBad, kBad},
  };
  for (const Case& c : cases) {
    const Bytes file = MakeBmp({.width = c.width, .height = c.height});
    EXPECT_EQ(Check(file, zotpx::kFlashingBitmapLimits), c.flashing) << c.width << "x" << c.height;
    EXPECT_EQ(Check(file, zotpx::kOversizedBitmapLimits), c.oversized)
        << c.width << "x" << c.height;
    EXPECT_EQ(Check(file, zotpx::kSingleColourBitmapLimits), c.single)
        << c.width << "x" << c.height;
  }
}

TEST_F(BitmapFiles, HeadersThatAreNotOneBitBottomUpBitmapsAreRefused) {
  Bytes not_bm = MakeBmp({.width = 16, .height = 16});
  not_bm[0] = 'P';
  Bytes short_file = MakeBmp({.width = 16, .height = 16});
  short_file.resize(63);
  Bytes zero_width = MakeBmp({.width = 16, .height = 16});
  zero_width[18] = 0;
  struct Case {
    const char* name;
    Bytes file;
    BitmapFileStatus expected;
  } cases[] = {
      {"1 bit", MakeBmp({.width = 16, .height = 16}), kOk},
      {"4 bit", MakeBmp({.width = 16, .height = 16, .bits_per_pixel = 4}), kBad},
      {"8 bit", MakeBmp({.width = 16, .height = 16, .bits_per_pixel = 8}), kBad},
      {"24 bit", MakeBmp({.width = 16, .height = 16, .bits_per_pixel = 24}), kBad},
      {"top-down", MakeBmp({.width = 16, .height = 16, .top_down = true}), kBad},
      {"not BM", not_bm, kBad},
      {"63 bytes", short_file, kBad},
      {"zero width", zero_width, kBad},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Check(c.file, zotpx::kOversizedBitmapLimits), c.expected) << c.name;
}

TEST_F(BitmapFiles, OnlyTheFirst64BytesAreJudged) {
  // A header alone passes: decoding is the next step's business.
  Bytes header_only = MakeBmp({.width = 16, .height = 16});
  header_only.resize(64);
  EXPECT_EQ(Check(header_only, zotpx::kOversizedBitmapLimits), kOk);
  const zotpx::BitmapFileCheck check =
      zotpx::CheckBitmapFile(Write("header.bmp", header_only), zotpx::kOversizedBitmapLimits);
  EXPECT_EQ(check.header.width, 16u);
  EXPECT_EQ(check.header.height, 16u);
  EXPECT_EQ(check.header.bits_per_pixel, 1);
}

TEST_F(BitmapFiles, MissingFileCannotBeOpenedAndSaysSo) {
  const auto check = zotpx::CheckBitmapFile("/nonexistent/dir/a.bmp", zotpx::kFlashingBitmapLimits);
  EXPECT_EQ(check.status, BitmapFileStatus::CannotOpen);
  EXPECT_STREQ(zotpx::BitmapFileMessage(check.status), "失败：无法访问位图文件");
  EXPECT_STREQ(zotpx::BitmapFileMessage(kBad), "失败：不合法的位图文件");
}

TEST_F(BitmapFiles, CrosshairShapesMustCoverTheScreenExactly) {
  EXPECT_EQ(Check(MakeBmp({.width = 384, .height = 256}), zotpx::kScreenBitmapLimits), kOk);
  EXPECT_EQ(Check(MakeBmp({.width = 376, .height = 256}), zotpx::kScreenBitmapLimits), kBad);
  EXPECT_EQ(Check(MakeBmp({.width = 384, .height = 264}), zotpx::kScreenBitmapLimits), kBad);
}

TEST(BitmapHeader, WidthAndHeightReadUnsigned) {
  Bytes file = MakeBmp({.width = 16, .height = 16, .top_down = true});
  const auto header = zotpx::ReadBitmapHeader(file, file.size());
  ASSERT_TRUE(header);
  EXPECT_EQ(header->height, 0xFFFFFFF0u);
  EXPECT_FALSE(zotpx::ReadBitmapHeader(file, 63));
}

TEST(BitmapPacking, OnlyPureBlackSetsBitsLeftmostInBit0) {
  // The 16 x 8 example: black at x 0 and x 9 of the top row.
  std::vector<std::uint32_t> row(16, 0xFFFFFFFF);
  row[0] = 0xFF000000;
  row[9] = 0x00000000;  // alpha does not matter
  Bytes out(2, 0xEE);
  zotpx::PackBlackRow(row, out);
  EXPECT_EQ(out, Hex("01 02"));

  std::vector<std::uint32_t> near_black(8, 0xFF010101);
  near_black[7] = 0xFF000100;
  Bytes near(1, 0xFF);
  zotpx::PackBlackRow(near_black, near);
  EXPECT_EQ(near, Hex("00"));

  std::vector<std::uint32_t> last(8, 0xFFFFFFFF);
  last[7] = 0xFF000000;
  zotpx::PackBlackRow(last, near);
  EXPECT_EQ(near, Hex("80"));
}

zotpx::LoadedBitmap Picture(std::uint32_t width, std::uint32_t height, std::uint8_t fill = 0) {
  return {width, height, Bytes(zotpx::PackedSize(width, height), fill)};
}

// Picture bytes numbered 0, 1, 2, ... so a block's bytes show where they came from.
zotpx::LoadedBitmap CountingPicture(std::uint32_t width, std::uint32_t height) {
  zotpx::LoadedBitmap picture = Picture(width, height);
  for (std::size_t i = 0; i < picture.packed.size(); ++i)
    picture.packed[i] = static_cast<std::uint8_t>(i);
  return picture;
}

// A bitmap command's values with the page's defaults and that picture.
zotpx::Values Command(const char* name, zotpx::LoadedBitmap picture) {
  zotpx::Values values(*zotpx::FindRow(name));
  values["file"].picture = std::move(picture);
  return values;
}

TEST(BitmapFrames, TheFlashingPictureRidesInItsOneFrame) {
  zotpx::Values values = Command("bitmap flashing", Picture(40, 48));
  const std::vector<Bytes> largest = zotpx::BuildFrames(values);
  ASSERT_EQ(largest.size(), 1u);
  EXPECT_EQ(largest[0].size(), 252u);
  EXPECT_EQ(largest[0][3], 247);
  // colour | flash * 8 | cycle * 64 | delete * 128
  for (const char* field : {"colour", "flash", "cycle", "delete"})
    values[field].index = static_cast<int>(values.row().Field(field)->list->items->size()) - 1;
  EXPECT_EQ(zotpx::BuildFrame(values)[4], 0xDF);
}

TEST(BitmapFrames, OversizedDefaultsGiveTheWorkedFrames) {
  const zotpx::LoadedBitmap picture = CountingPicture(16, 16);
  const std::vector<Bytes> frames = zotpx::BuildFrames(Command("bitmap oversized", picture));
  ASSERT_EQ(frames.size(), 2u);
  Bytes data = Hex("55 AA 17 F7 0F 00 37 00 64 10 10");
  data.insert(data.end(), picture.packed.begin(), picture.packed.end());
  data.resize(251, 0);
  data.push_back(zotpx::FrameChecksum(data.data(), 252));
  EXPECT_EQ(frames[0], data);
  EXPECT_EQ(frames[1], Hex("55 AA 17 07 07 00 37 00 64 10 10 E0"));
}

TEST(BitmapFrames, ControlOnlySendsJustTheControlFrame) {
  zotpx::Values values = Command("bitmap single", Picture(192, 128));
  values["control-only"].index = 1;
  EXPECT_EQ(zotpx::BuildFrames(values),
            std::vector<Bytes>{Hex("55 AA 1D 07 00 00 B9 00 64 C0 80 81")});
}

TEST(BitmapFrames, DataFramesAreNumberedOneToNThenControlZero) {
  struct Case {
    const char* command;
    std::uint32_t width, height;
    std::size_t blocks;
  } cases[] = {
      {"bitmap oversized", 128, 128, 9},
      {"bitmap single", 192, 128, 13},
      {"bitmap oversized", 120, 16, 1},
      {"bitmap oversized", 128, 16, 2},
  };
  for (const Case& c : cases) {
    const zotpx::Values values = Command(c.command, CountingPicture(c.width, c.height));
    const zotpx::LoadedBitmap& picture = *values["file"].picture;
    const auto frames = zotpx::BuildFrames(values);
    ASSERT_EQ(frames.size(), c.blocks + 1) << c.width << "x" << c.height;
    for (std::size_t k = 1; k <= c.blocks; ++k) {
      const Bytes& frame = frames[k - 1];
      ASSERT_EQ(frame.size(), 252u);
      EXPECT_EQ(frame[2], values.row().command);
      EXPECT_EQ((frame[4] >> 3) & 15, static_cast<int>(k));
      EXPECT_EQ(frame[4] & 0x87, frames.back()[4]);
      const std::size_t first = (k - 1) * 240;
      const std::size_t count = std::min<std::size_t>(240, picture.packed.size() - first);
      EXPECT_TRUE(std::equal(frame.begin() + 11, frame.begin() + 11 + count,
                             picture.packed.begin() + first));
    }
    EXPECT_EQ(frames.back().size(), 12u);
    EXPECT_EQ((frames.back()[4] >> 3) & 15, 0);
  }
}

TEST(BitmapFrames, LastBlockIsPaddedWithZerosNotEarlierPictureBytes) {
  // A 128 x 16 picture in a buffer that still holds an earlier, larger picture beyond it.
  zotpx::LoadedBitmap picture = Picture(128, 16, 0x5A);
  picture.packed.resize(2048, 0xA5);
  const Bytes second = zotpx::BuildFrame(Command("bitmap oversized", picture), 2);
  EXPECT_TRUE(std::all_of(second.begin() + 11, second.begin() + 27,
                          [](std::uint8_t b) { return b == 0x5A; }));
  EXPECT_TRUE(std::all_of(second.begin() + 27, second.begin() + 251,
                          [](std::uint8_t b) { return b == 0; }));
}

TEST(BitmapFrames, DeletingSetsBit7OnEveryFrame) {
  zotpx::Values values = Command("bitmap oversized", Picture(128, 16));
  values["delete"].index = 1;
  for (const Bytes& frame : zotpx::BuildFrames(values)) EXPECT_EQ(frame[4] & 0x80, 0x80);
}

}  // namespace
