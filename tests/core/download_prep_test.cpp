// Preparing the three downloads from the chosen file without the window: each refusal with its
// message in the window's order (open, size, then content), and what an accepted file yields.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>

#include "crosshair/cross_download.h"
#include "support/bmp_writer.h"
#include "support/temp_folder.h"
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

Prepare FontFor(zotpx::DeviceModel model) {
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
        (std::filesystem::path(zotpx::test::TestFolder()) /
         ("download_prep_" + std::to_string(getpid()) + "_" + std::to_string(++files_)))
            .string();
    EXPECT_TRUE(zotpx::test::WriteFileBytes(path, bytes));
    return path;
  }
  int files_ = 0;
};

TEST_F(DownloadPrep, EachFileIsRefusedWithTheFirstCheckItFails) {
  // The checks themselves have their own tests; here their order and the file handling.
  const std::string kFontInvalid = "失败：无效的字库文件";
  const std::string kCrossInvalid = "失败：无效的十字线文件";
  struct Case {
    const char* name;
    Prepare prepare;
    std::string path;
    std::optional<std::string> failure;
  } cases[] = {
      {"font: missing", FontFor(zotpx::DeviceModel::PA), "/nonexistent/a.font",
       "失败：打开字库文件失败"},
      {"font: size before header", FontFor(zotpx::DeviceModel::PA), Write(Font(0x74001, 1, 2)),
       kFontInvalid},
      {"font: model before header", FontFor(zotpx::DeviceModel::PB), Write(Font(0x34001, 1, 2)),
       "失败：当前型号的产品不支持此字库"},
      {"font: shorter than its header", FontFor(zotpx::DeviceModel::PA), Write(Font(10)),
       kFontInvalid},
      {"static: missing", Static, "/nonexistent/a.txt", "失败：打开命令文件失败"},
      {"static: empty", Static, Write({}), "失败：无效的命令文件"},
      {"static: 1 MiB", Static, Write(Bytes(1048576, ' ')), "失败：无效的命令文件"},
      {"cross: missing", Cross, "/nonexistent/Cross.bin", "失败：打开十字线文件失败"},
      {"cross: one byte short", Cross, Write(Bytes(0x3FFFF)), kCrossInvalid},
      {"cross: one byte over", Cross, Write(Bytes(0x40001)), kCrossInvalid},
  };
  for (const Case& c : cases) EXPECT_EQ(c.prepare(c.path), c.failure) << c.name;
}

TEST_F(DownloadPrep, AcceptedFilesGiveWhatTheTransferSends) {
  const Bytes font = Font(0x34000, 0x18, 0x18);
  zotpx::FontFile opened = zotpx::OpenFontFile(Write(font), zotpx::DeviceModel::PB);
  ASSERT_TRUE(opened.file && opened.file->is_open());
  // The header has been read; the transfer starts again from the first byte.
  ASSERT_TRUE(opened.file->Rewind());
  Bytes sent(font.size());
  ASSERT_TRUE(opened.file->ReadNext(sent.data(), sent.size()));
  EXPECT_EQ(sent, font);

  const std::string text = "55 AA 10 03 01 00 69 7D 00\r\n";
  const zotpx::StaticImage image = zotpx::ReadStaticImage(Write(Bytes(text.begin(), text.end())));
  EXPECT_FALSE(image.failure);
  EXPECT_EQ(image.records, 1u);
  EXPECT_EQ(image.image.size(), 16384u);

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
