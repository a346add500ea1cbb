// Building the crosshair file from shape paths and an origin without the window: the worked
// two-shape file byte for byte, the refusals in the order the window gives them, and a list
// given all at once checked as the add button checks each file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "crosshair/cross_file.h"
#include "support/bmp_writer.h"
#include "support/temp_folder.h"

namespace {

using zotpx::Bytes;
using zotpx::CrossShapeList;
using zotpx::test::BmpLayout;
using zotpx::test::MakeBmp;

class CrossFileBuild : public ::testing::Test {
 protected:
  std::string Shape(const std::string& name, const BmpLayout& layout,
                    const zotpx::test::DarkPixel& dark = nullptr) {
    const std::string path = (std::filesystem::path(zotpx::test::TestFolder()) /
                              ("cross_build_" + std::to_string(getpid()) + "_" + name))
                                 .string();
    EXPECT_TRUE(zotpx::test::WriteFileBytes(path, MakeBmp(layout, dark)));
    return path;
  }
  static constexpr BmpLayout kScreen{.width = 384, .height = 256};
};

TEST_F(CrossFileBuild, TwoShapesAtTheDefaultOriginGiveTheWorkedFile) {
  const std::vector<std::string> shapes = {
      Shape("first.bmp", kScreen, [](int x, int y) { return x == 10 && y == 0; }),
      Shape("second.bmp", kScreen, [](int x, int y) { return x == 383 && y == 255; })};
  for (const CrossShapeList list : {CrossShapeList::Listed, CrossShapeList::Given}) {
    const zotpx::CrossFileBuild built = zotpx::BuildCrossFile(shapes, "192", "128", list);
    ASSERT_TRUE(built.ok());
    Bytes expected(0x40000, 0);
    expected[0x00001] = 0x04;
    expected[0x5FFF] = 0x80;
    const Bytes header = {0x50, 0x49, 0x43, 0x20, 0x02, 0x00, 0xC0, 0x00, 0x80};
    std::copy(header.begin(), header.end(), expected.begin() + 0x3C000);
    EXPECT_EQ(built.image, expected);
    EXPECT_EQ(built.last_read.pixels.back(), 0xFF000000u);  // the second picture
  }
}

TEST_F(CrossFileBuild, RefusalsComeInTheWindowsOrder) {
  const std::string good = Shape("good.bmp", kScreen);
  const std::string deep = Shape("deep.bmp", {.width = 384, .height = 256, .bits_per_pixel = 8});
  const std::string small = Shape("small.bmp", {.width = 384, .height = 248});
  const std::vector<std::string> too_many(21, good);
  struct Case {
    const char* name;
    std::vector<std::string> shapes;
    const char* x;
    CrossShapeList list;
    const char* failure;  // nullptr: the file is built
    std::optional<std::size_t> failed_shape;
  } cases[] = {
      {"origin before the list",
       {},
       "384",
       CrossShapeList::Listed,
       "失败：不合法的十字线原点坐标值",
       {}},
      {"integer rule on the origin", {good}, "$C0", CrossShapeList::Given, nullptr, {}},
      {"empty list", {}, "0", CrossShapeList::Listed, "失败：没有添加位图文件", {}},
      {"21 shapes", too_many, "0", CrossShapeList::Given, "失败：最多只能添加20个位图文件", {}},
      {"missing file",
       {good, "/nonexistent/x.bmp"},
       "0",
       CrossShapeList::Given,
       "失败：无法访问位图文件",
       1},
      {"8-bit header given", {good, deep}, "0", CrossShapeList::Given, "失败：不合法的位图文件", 1},
      {"8-bit file listed: by colour", {good, deep}, "0", CrossShapeList::Listed, nullptr, {}},
      {"same path twice", {good, good}, "0", CrossShapeList::Given, "失败：重复添加位图文件", 1},
      {"listed file now 384 x 248",
       {good, small},
       "0",
       CrossShapeList::Listed,
       "失败：发现不合法的位图文件",
       1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const zotpx::CrossFileBuild built = zotpx::BuildCrossFile(c.shapes, c.x, "128", c.list);
    EXPECT_FALSE(built.undecodable);
    EXPECT_EQ(built.failed_shape, c.failed_shape);
    if (!c.failure) {
      EXPECT_TRUE(built.ok());
      EXPECT_EQ(built.image.size(), 0x40000u);
      continue;
    }
    EXPECT_EQ(built.failure, std::optional<std::string>(c.failure));
    EXPECT_TRUE(built.image.empty());
  }
  // The offending picture is the one left for the preview.
  EXPECT_EQ(zotpx::BuildCrossFile(std::vector{good, small}, "0", "0").last_read.height, 248u);
}

TEST_F(CrossFileBuild, ListedFileThatNoLongerDecodesIsReportedForTheErrorDisplay) {
  const std::string good = Shape("kept.bmp", kScreen);
  const std::string gone = Shape("gone.bmp", kScreen);
  std::filesystem::remove(gone);
  const zotpx::CrossFileBuild built = zotpx::BuildCrossFile(std::vector{good, gone}, "1", "2");
  EXPECT_TRUE(built.undecodable);
  EXPECT_FALSE(built.failure);
  EXPECT_EQ(built.failed_shape, std::optional<std::size_t>(1));
  EXPECT_TRUE(built.image.empty());
  EXPECT_EQ(built.last_read.width, 384u);  // the first, which was read
}

}  // namespace
