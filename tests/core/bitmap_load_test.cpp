// Loading bitmap files without the window: what a slot takes (one bit per pixel, bottom-up,
// whole), how the decoder's pixels pack by colour whatever the depth, palette order or row
// order, and the files it must refuse rather than pack made-up pixels from.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "graphics/bitmap_decode.h"
#include "support/bmp_writer.h"
#include "support/fifo_file.h"
#include "support/hex.h"
#include "support/temp_folder.h"

namespace {

using zotpx::BitmapFileStatus;
using zotpx::Bytes;
using zotpx::test::BmpLayout;
using zotpx::test::Hex;
using zotpx::test::MakeBmp;

// The 16 x 8 example: black at x 0 and x 9 of the top row.
bool Example(int x, int y) {
  return y == 0 && (x == 0 || x == 9);
}
const Bytes kExamplePacked = Hex("01 02 00 00 00 00 00 00 00 00 00 00 00 00 00 00");

class BitmapLoad : public ::testing::Test {
 protected:
  // A file of its own per case and process: CTest runs cases side by side.
  std::string Write(const Bytes& bytes) {
    const std::string path =
        (std::filesystem::path(zotpx::test::TestFolder()) /
         ("bitmap_load_" + std::to_string(getpid()) + "_" + std::to_string(++files_) + ".bmp"))
            .string();
    EXPECT_TRUE(zotpx::test::WriteFileBytes(path, bytes));
    return path;
  }
  int files_ = 0;
};

TEST_F(BitmapLoad, SlotTakesOnlyWholeOneBitBottomUpFilesAndPacksTheExample) {
  BmpLayout white_first{.width = 16, .height = 8};
  white_first.dark_first = false;
  Bytes cut = MakeBmp({.width = 16, .height = 8}, Example);
  cut.resize(cut.size() - 1);  // the last stored row, the top one, lacks a byte
  Bytes one_colour = MakeBmp({.width = 16, .height = 8}, Example);
  one_colour[10] -= 4;  // the pixels start one palette entry early: only index 0 has a colour
  struct Case {
    const char* name;
    Bytes file;
    BitmapFileStatus status;
  } cases[] = {
      {"black at index 0", MakeBmp({.width = 16, .height = 8}, Example), BitmapFileStatus::Ok},
      {"black at index 1", MakeBmp(white_first, Example), BitmapFileStatus::Ok},
      {"4 bit", MakeBmp({.width = 16, .height = 8, .bits_per_pixel = 4}, Example),
       BitmapFileStatus::Invalid},
      {"8 bit", MakeBmp({.width = 16, .height = 8, .bits_per_pixel = 8}, Example),
       BitmapFileStatus::Invalid},
      {"24 bit", MakeBmp({.width = 16, .height = 8, .bits_per_pixel = 24}, Example),
       BitmapFileStatus::Invalid},
      {"top-down", MakeBmp({.width = 16, .height = 8, .top_down = true}, Example),
       BitmapFileStatus::Invalid},
      {"cut short by one byte", cut, BitmapFileStatus::CannotDecode},
      {"index 1 beyond a one-colour palette", one_colour, BitmapFileStatus::CannotDecode},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const zotpx::BitmapLoad load =
        zotpx::LoadBitmapFile(Write(c.file), zotpx::kFlashingBitmapLimits);
    EXPECT_EQ(load.status, c.status);
    if (c.status != BitmapFileStatus::Ok) {
      EXPECT_TRUE(load.bitmap.packed.empty());
      continue;
    }
    EXPECT_EQ(load.bitmap.width, 16u);
    EXPECT_EQ(load.bitmap.height, 8u);
    EXPECT_EQ(load.bitmap.packed, kExamplePacked);
    EXPECT_EQ(load.picture.pixels.size(), 128u);
    EXPECT_EQ(load.picture.pixels[9], 0xFF000000u);
    EXPECT_EQ(load.picture.pixels[10], 0xFFFFFFFFu);
  }
}

TEST_F(BitmapLoad, DecoderReadsEveryDepthAndRowOrderByColour) {
  // What a crosshair shape replaced after it was listed goes through: any depth of the size.
  struct Case {
    const char* name;
    BmpLayout layout;
    Bytes packed;
  } cases[] = {
      {"1 bit", {.width = 16, .height = 8}, kExamplePacked},
      {"4 bit, black at index 1",
       {.width = 16, .height = 8, .bits_per_pixel = 4, .dark_first = false},
       kExamplePacked},
      {"8 bit", {.width = 16, .height = 8, .bits_per_pixel = 8}, kExamplePacked},
      {"24 bit", {.width = 16, .height = 8, .bits_per_pixel = 24}, kExamplePacked},
      {"top-down", {.width = 16, .height = 8, .top_down = true}, kExamplePacked},
      {"almost black", {.width = 16, .height = 8, .dark = 0x010101}, Bytes(16, 0)},
      {"black as light, grey as dark",
       {.width = 16, .height = 8, .dark = 0x808080, .light = 0x000000},
       Hex("FE FD FF FF FF FF FF FF FF FF FF FF FF FF FF FF")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto picture = zotpx::DecodeBitmapFile(Write(MakeBmp(c.layout, Example)));
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->width, 16u);
    EXPECT_EQ(picture->height, 8u);
    EXPECT_EQ(zotpx::PackBlackPixels(*picture), c.packed);
  }
}

TEST_F(BitmapLoad, FilesTheDecoderMustNotReadAreRefusedWithoutWaiting) {
  const zotpx::test::FifoFile fifo_file;
  ASSERT_TRUE(fifo_file.made());
  const std::string& fifo = fifo_file.path();
  Bytes rle = MakeBmp({.width = 16, .height = 8, .bits_per_pixel = 8}, Example);
  rle[30] = 1;  // run-length compression
  Bytes old_header = MakeBmp({.width = 16, .height = 8}, Example);
  old_header[14] = 12;  // the oldest info header, whose palette the decoder mis-counts
  Bytes header_only = MakeBmp({.width = 16, .height = 8});
  header_only.resize(64);
  struct Case {
    const char* name;
    std::string path;
  } cases[] = {
      {"a FIFO, which would wait for a writer", fifo},
      {"a folder", zotpx::test::TestFolder()},
      {"a missing file", "/nonexistent/a.bmp"},
      {"run-length compressed", Write(rle)},
      {"12-byte info header", Write(old_header)},
      {"header without pixels", Write(header_only)},
  };
  for (const Case& c : cases) EXPECT_FALSE(zotpx::DecodeBitmapFile(c.path)) << c.name;
  // The header check says which: a FIFO cannot be opened as a file, the cut file is invalid
  // only to the decoder.
  EXPECT_EQ(zotpx::LoadBitmapFile(fifo, zotpx::kFlashingBitmapLimits).status,
            BitmapFileStatus::CannotOpen);
  EXPECT_EQ(zotpx::LoadBitmapFile(cases[5].path, zotpx::kFlashingBitmapLimits).status,
            BitmapFileStatus::CannotDecode);
}

}  // namespace
