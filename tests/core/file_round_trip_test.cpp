// What the tool writes it reads back byte for byte on every platform: every byte value (0D 0A
// and 1A included, which a text-mode file would change), over an existing longer file, under a
// Chinese name.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "base/file_save.h"
#include "serial/memory_transfer.h"
#include "support/temp_folder.h"

namespace {

TEST(FileRoundTrip, SavedBytesReadBackWholeOverAnOldFileAndUnderAChineseName) {
  zotpx::Bytes bytes;
  for (int i = 0; i < 256; ++i) bytes.push_back(static_cast<std::uint8_t>(i));
  for (std::uint8_t b : {0x0D, 0x0A, 0x1A, 0x0A, 0x0D}) bytes.push_back(b);
  const std::string folder = zotpx::test::TestFolder();
  for (const std::string name : {"round_trip.bin", "字库文件.bin"}) {
    SCOPED_TRACE(name);
    // TestFolder() ends in the platform's separator; the tool's names are UTF-8 everywhere.
    const std::string path = folder + name;
    const zotpx::Bytes old(4096, 0x55);
    ASSERT_TRUE(zotpx::WriteWholeFile(path, old));
    ASSERT_TRUE(zotpx::WriteWholeFile(path, bytes));
    std::optional<zotpx::FileData> file = zotpx::FileData::Open(path);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->size(), bytes.size());
    EXPECT_EQ(file->ReadAll(), bytes);
    file->Close();
    std::remove(path.c_str());
  }
}

}  // namespace
