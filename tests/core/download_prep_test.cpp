// Preparing the three downloads from the chosen file without the window: each refusal with its
// message in the window's order (open, size, then content), and what an accepted file yields.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>

#include "crosshair/cross_download.h"
#include "support/bmp_writer.h"
#include "text/font_library.h"
#include "text/static_download.h"

namespace {

using zotpx::Bytes;
using Prepare = std::function<std::optional<std::string>(const std::string& path)>;

Bytes Font(std::size_t size, std::uint8_t code11 = 0x10, std::uint8_t code15 = 0x10) {
  Bytes font(size, 0x3C);
  if (size > 15) font[15] = code15;
  if (size > 11) font[11] = code11;
  return font;
}

Prepare FontFor(const std::string& model) {
  return [model](const std::string& path) { return zotpx::OpenFontFile(path, model).failure; };
}

std::optional<std::string> Static(const std::string& path) {
  return zotpx::ReadStaticImage(path).failure;
}

std::optional<std::string> Cross(const std::string& path) {
  return zotpx::ReadCrossDownloadFile(path).failure;
}

class DownloadPrep : public ::testing::Test {
 protected:
  std::string Write(const Bytes& bytes) {
    const std::string path =
        (std::filesystem::path(::testing::TempDir()) /
         ("download_prep_" + std::to_string(getpid()) + "_" + std::to_string(++files_)))
            .string();
    EXPECT_TRUE(zotpx::test::WriteFileBytes(path, bytes));
    return path;
  }
  int files_ = 0;
};

TEST_F(DownloadPrep, EachFileIsRefusedWithTheFirstCheckItFails) {
  const std::string fifo = (std::filesystem::path(::testing::TempDir()) /
                            ("download_prep_fifo_" + std::to_string(getpid())))
                               .string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string kFontOpen = "失败：打开字库文件失败";
  const std::string kFontInvalid = "失败：无效的字库文件";
  const std::string kFontUnsupported = "失败：当前型号的产品不支持此字库";
  const std::string kStaticOpen = "失败：打开命令文件失败";
  const std::string kCrossOpen = "失败：打开十字线文件失败";
  const std::string kCrossInvalid = "失败：无效的十字线文件";
  struct Case {
    const char* name;
    Prepare prepare;
    std::string path;
    std::optional<std::string> failure;
  } cases[] = {
      {"font: missing", FontFor("ZOT-PA"), "/nonexistent/a.font", kFontOpen},
      {"font: a FIFO", FontFor("ZOT-PA"), fifo, kFontOpen},
      {"font: 0x74001 bytes, header bad too", FontFor("ZOT-PA"), Write(Font(0x74001, 1, 2)),
       kFontInvalid},
      {"font: 0x80000 bytes on ZOT-PB is invalid, not unsupported", FontFor("ZOT-PB"),
       Write(Font(0x80000)), kFontInvalid},
      {"font: 0x34001 bytes on ZOT-PB, header bad too", FontFor("ZOT-PB"),
       Write(Font(0x34001, 1, 2)), kFontUnsupported},
      {"font: 0x34001 bytes on ZOT-PA", FontFor("ZOT-PA"), Write(Font(0x34001)), std::nullopt},
      {"font: 10 bytes", FontFor("ZOT-PA"), Write(Font(10)), kFontInvalid},
      {"font: size codes 16 and 24", FontFor("ZOT-PA"), Write(Font(64, 0x10, 0x18)), kFontInvalid},
      {"font: size codes both 32", FontFor("ZOT-PA"), Write(Font(64, 0x20, 0x20)), kFontInvalid},
      {"font: size codes both 24", FontFor("ZOT-PB"), Write(Font(64, 0x18, 0x18)), std::nullopt},
      {"static: missing", Static, "/nonexistent/a.txt", kStaticOpen},
      {"static: a FIFO", Static, fifo, kStaticOpen},
      {"static: empty", Static, Write({}), "失败：无效的命令文件"},
      {"static: 1 MiB", Static, Write(Bytes(1048576, ' ')), "失败：无效的命令文件"},
      {"static: one byte", Static, Write({'5'}), std::nullopt},
      {"cross: missing", Cross, "/nonexistent/Cross.bin", kCrossOpen},
      {"cross: a FIFO", Cross, fifo, kCrossOpen},
      {"cross: one byte short", Cross, Write(Bytes(0x3FFFF)), kCrossInvalid},
      {"cross: one byte over", Cross, Write(Bytes(0x40001)), kCrossInvalid},
      {"cross: any content of the size", Cross, Write(Bytes(0x40000, 0xA5)), std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(c.prepare(c.path), c.failure) << c.name;
  unlink(fifo.c_str());
}

TEST_F(DownloadPrep, AcceptedFilesGiveWhatTheTransferSends) {
  const Bytes font = Font(0x34000, 0x18, 0x18);
  zotpx::FontFile opened = zotpx::OpenFontFile(Write(font), "ZOT-PB");
  ASSERT_TRUE(opened.file && opened.file->is_open());
  // The header has been read; the transfer starts again from the first byte.
  ASSERT_TRUE(opened.file->Rewind());
  Bytes sent(font.size());
  ASSERT_TRUE(opened.file->ReadNext(sent.data(), sent.size()));
  EXPECT_EQ(sent, font);

  // The worked static text: one record taken, the line whose length byte lies dropped.
  const std::string text =
      "0x55,0xAA,0x14,0x08,0x22,0x00,0x05,0x00,0x32,0x41,0x42,0x43,0x3B,0x00\r\n"
      "55 AA 16 09 87 00 00 00 00 01 7F 00 FF 25\r\n";
  const zotpx::StaticImage image = zotpx::ReadStaticImage(Write(Bytes(text.begin(), text.end())));
  ASSERT_FALSE(image.failure);
  Bytes expected(16384, 0);
  const Bytes head = {0x43, 0x46, 0x47, 0x20, 0x01, 0x55, 0xAA, 0x14, 0x08, 0x22,
                      0x00, 0x05, 0x00, 0x32, 0x41, 0x42, 0x43, 0x3B, 0x00};
  std::copy(head.begin(), head.end(), expected.begin());
  EXPECT_EQ(image.image, expected);

  Bytes cross(0x40000, 0);
  cross[0x3C00F] = 0x11;  // last byte sent
  cross[0x3C010] = 0x22;  // first byte kept back
  const zotpx::CrossDownloadFile file = zotpx::ReadCrossDownloadFile(Write(cross));
  ASSERT_FALSE(file.failure);
  const auto part = zotpx::CrossDownloadPart(file.bytes);
  EXPECT_EQ(part.size(), 0x3C010u);
  EXPECT_EQ(part.back(), 0x11);
}

}  // namespace
