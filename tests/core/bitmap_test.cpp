// Bitmap files and the bitmap commands as bytes: the 64-byte header check through every slot's
// limits on generated files, pure-black row packing, and the flashing, oversized and
// single-colour frames with their block numbering, zero padding and checks.
#include "graphics/bitmap.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "support/hex.h"

#include <filesystem>
#include <sstream>
#include <string>

#include "graphics/bitmap_cmd.h"
#include "support/bmp_writer.h"

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
    const std::string path = (std::filesystem::path(::testing::TempDir()) / name).string();
    EXPECT_TRUE(zotpx::test::WriteFileBytes(path, bytes));
    return path;
  }
  BitmapFileStatus Check(const Bytes& bytes, const zotpx::BitmapLimits& limits) {
    // CTest runs the cases in parallel processes: each needs a file of its own.
    const std::string name = std::string("bitmap_test_") +
                             ::testing::UnitTest::GetInstance()->current_test_info()->name() +
                             "_" + std::to_string(getpid()) + ".bmp";
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

zotpx::BlockBitmapValues SuperDefaults() {
  return {"55", "100", 7, 0, false};
}
zotpx::BlockBitmapValues SingleDefaults() {
  return {"185", "100", 0, 0, false};
}

TEST(BitmapFrames, FlashingDefaultsGiveTheWorkedFrame) {
  zotpx::LoadedBitmap picture = Picture(16, 8);
  picture.packed[0] = 0x01;
  picture.packed[1] = 0x02;
  const Bytes frame = zotpx::FlashBitmapFrame({}, picture);
  EXPECT_EQ(frame, Hex("55 AA 15 17 0B 00 05 00 64 10 08 01 02 00 00 00 00 00 00 00 00 00 00 00 "
                       "00 00 00 BB"));
  const Bytes largest = zotpx::FlashBitmapFrame({}, Picture(40, 48));
  EXPECT_EQ(largest.size(), 252u);
  EXPECT_EQ(largest[3], 247);
}

TEST(BitmapFrames, FlashingAttributeByteCarriesEachField) {
  zotpx::FlashBitmapValues v;
  v.colour = 7;
  v.flash = 3;
  v.cycle = 1;
  v.show = 1;
  EXPECT_EQ(zotpx::FlashAttributeByte(v), 0xDF);
  v = {};
  v.colour = 0;
  v.flash = 0;
  v.cycle = 1;
  EXPECT_EQ(zotpx::FlashAttributeByte(v), 0x40);
}

TEST(BitmapFrames, OversizedDefaultsGiveTheWorkedFrames) {
  const zotpx::LoadedBitmap picture = CountingPicture(16, 16);
  const std::vector<Bytes> frames =
      zotpx::BlockBitmapFrames(zotpx::kSuperBitmapCommand, SuperDefaults(), picture);
  ASSERT_EQ(frames.size(), 2u);
  Bytes data = Hex("55 AA 17 F7 0F 00 37 00 64 10 10");
  data.insert(data.end(), picture.packed.begin(), picture.packed.end());
  data.resize(251, 0);
  data.push_back(zotpx::FrameChecksum(data.data(), 252));
  EXPECT_EQ(frames[0], data);
  EXPECT_EQ(frames[1], Hex("55 AA 17 07 07 00 37 00 64 10 10 E0"));
}

TEST(BitmapFrames, ControlOnlySendsJustTheControlFrame) {
  zotpx::BlockBitmapValues values = SingleDefaults();
  values.control_only = true;
  const std::vector<Bytes> frames =
      zotpx::BlockBitmapFrames(zotpx::kSingleBitmapCommand, values, Picture(192, 128));
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0], Hex("55 AA 1D 07 00 00 B9 00 64 C0 80 81"));
}

TEST(BitmapFrames, DataFramesAreNumberedOneToNThenControlZero) {
  struct Case {
    zotpx::BlockBitmapCommand command;
    zotpx::BlockBitmapValues values;
    std::uint32_t width, height;
    std::size_t blocks;
  } cases[] = {
      {zotpx::kSuperBitmapCommand, SuperDefaults(), 128, 128, 9},
      {zotpx::kSingleBitmapCommand, SingleDefaults(), 192, 128, 13},
      {zotpx::kSuperBitmapCommand, SuperDefaults(), 120, 16, 1},
      {zotpx::kSuperBitmapCommand, SuperDefaults(), 128, 16, 2},
  };
  for (const Case& c : cases) {
    const zotpx::LoadedBitmap picture = CountingPicture(c.width, c.height);
    const auto frames = zotpx::BlockBitmapFrames(c.command, c.values, picture);
    ASSERT_EQ(frames.size(), c.blocks + 1) << c.width << "x" << c.height;
    for (std::size_t k = 1; k <= c.blocks; ++k) {
      const Bytes& frame = frames[k - 1];
      ASSERT_EQ(frame.size(), zotpx::kBitmapDataFrameSize);
      EXPECT_EQ(frame[2], c.command.command);
      EXPECT_EQ((frame[4] >> 3) & 15, static_cast<int>(k));
      EXPECT_EQ(frame[4] & 0x87, c.values.colour);
      const std::size_t first = (k - 1) * 240;
      const std::size_t count = std::min<std::size_t>(240, picture.packed.size() - first);
      EXPECT_TRUE(std::equal(frame.begin() + 11, frame.begin() + 11 + count,
                             picture.packed.begin() + first));
    }
    EXPECT_EQ(frames.back().size(), 12u);
    EXPECT_EQ((frames.back()[4] >> 3) & 15, 0);
  }
  const auto single =
      zotpx::BlockBitmapFrames(zotpx::kSingleBitmapCommand, SingleDefaults(), Picture(192, 128));
  EXPECT_EQ(single[0][4], 0x08);
  EXPECT_EQ(single[12][4], 0x68);
}

TEST(BitmapFrames, LastBlockIsPaddedWithZerosNotEarlierPictureBytes) {
  // A 128 x 16 picture in a buffer that still holds an earlier, larger picture beyond it.
  zotpx::LoadedBitmap picture = Picture(128, 16, 0x5A);
  picture.packed.resize(2048, 0xA5);
  const Bytes second =
      zotpx::BitmapDataFrame(zotpx::kSuperBitmapCommand, SuperDefaults(), picture, 2);
  EXPECT_TRUE(std::all_of(second.begin() + 11, second.begin() + 27,
                          [](std::uint8_t b) { return b == 0x5A; }));
  EXPECT_TRUE(std::all_of(second.begin() + 27, second.begin() + 251,
                          [](std::uint8_t b) { return b == 0; }));
}

TEST(BitmapFrames, DeletingSetsBit7OnEveryFrame) {
  zotpx::BlockBitmapValues values = SuperDefaults();
  values.show = 1;
  for (const Bytes& frame :
       zotpx::BlockBitmapFrames(zotpx::kSuperBitmapCommand, values, Picture(128, 16)))
    EXPECT_EQ(frame[4] & 0x80, 0x80);
}

TEST(BitmapChecks, ChecksRunInOrderWithTheirMessages) {
  const zotpx::LoadedBitmap wide = Picture(48, 40);
  const zotpx::LoadedBitmap big = Picture(192, 128);
  auto flash = [](const std::string& x, const std::string& y) {
    zotpx::FlashBitmapValues v;
    v.x = x;
    v.y = y;
    return v;
  };
  const std::optional<std::string> ok;
  EXPECT_EQ(zotpx::CheckFlashBitmap(flash("x", "y"), nullptr), zotpx::kBitmapNotLoadedText);
  EXPECT_EQ(zotpx::CheckFlashBitmap(flash("336", "216"), &wide), ok);
  EXPECT_EQ(zotpx::CheckFlashBitmap(flash("337", "0"), &wide), zotpx::kBitmapCoordinateText);
  EXPECT_EQ(zotpx::CheckFlashBitmap(flash("0", "217"), &wide), zotpx::kBitmapCoordinateText);
  EXPECT_EQ(zotpx::CheckFlashBitmap(flash("", "0"), &wide), zotpx::kBitmapCoordinateText);
  EXPECT_EQ(zotpx::CheckFlashBitmap(flash("-1", "0"), &wide), zotpx::kBitmapCoordinateText);
  EXPECT_EQ(zotpx::CheckFlashBitmap(flash("2147483647", "0"), &wide), zotpx::kBitmapCoordinateText);

  zotpx::BlockBitmapValues at{"192", "128", 0, 0, false};
  EXPECT_EQ(zotpx::CheckBlockBitmap(zotpx::kSingleBitmapCommand, at, nullptr),
            zotpx::kBitmapNotLoadedText);
  EXPECT_EQ(zotpx::CheckBlockBitmap(zotpx::kSingleBitmapCommand, at, &big), ok);
  at.x = "193";
  EXPECT_EQ(zotpx::CheckBlockBitmap(zotpx::kSingleBitmapCommand, at, &big),
            zotpx::kBitmapCoordinateText);
  at.x = "0";
  // 13 blocks are beyond what the oversized command carries.
  EXPECT_EQ(zotpx::CheckBlockBitmap(zotpx::kSuperBitmapCommand, at, &big),
            zotpx::kBitmapBlocksText);
}

}  // namespace
