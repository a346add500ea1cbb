// Paths by the system's own rules: what starts at a root, the folder a file is in and its own
// name, on Linux ('/' alone) and on Windows (both separators, drives, \\server\share); and
// names outside ASCII reach the system as themselves.
#include "base/paths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

struct PathCase {
  const char* path;
  bool rooted_linux;
  bool rooted_windows;
  const char* folder_linux;
  const char* folder_windows;
};

TEST(PathsTest, RootsAndFoldersByTheSystemsRules) {
  const bool windows = std::filesystem::path::preferred_separator == '\\';
  const PathCase cases[] = {
      {"a.toml", false, false, "", ""},
      {"ex/a.toml", false, false, "ex/", "ex/"},
      {"ex\\a.toml", false, false, "", "ex\\"},
      {"ex/sub\\a.bmp", false, false, "ex/", "ex/sub\\"},
      {"/work/ex/a.toml", true, true, "/work/ex/", "/work/ex/"},
      {"\\work\\a.toml", false, true, "", "\\work\\"},
      {"C:\\ex\\a.toml", false, true, "", "C:\\ex\\"},
      {"C:/ex/a.toml", false, true, "C:/ex/", "C:/ex/"},
      {"\\\\server\\share\\a.bmp", false, true, "", "\\\\server\\share\\"},
      {"图/标志.bmp", false, false, "图/", "图/"},
  };
  for (const PathCase& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(zotpx::IsRootedPath(c.path), windows ? c.rooted_windows : c.rooted_linux);
    const std::string folder = windows ? c.folder_windows : c.folder_linux;
    EXPECT_EQ(zotpx::FolderOfPath(c.path), folder);
    EXPECT_EQ(folder + zotpx::FileOfPath(c.path), c.path);
  }
  const char* const separator = windows ? "\\" : "/";
  EXPECT_EQ(zotpx::PathInFolder("logs", "COM1.log"), std::string("logs") + separator + "COM1.log");
  EXPECT_EQ(zotpx::PathInFolder("logs/", "COM1.log"), "logs/COM1.log");
  EXPECT_EQ(zotpx::PathInFolder("", "COM1.log"), "COM1.log");
}

// A folder made and a file written under Chinese names are listed by the system under the
// same names (on Windows a name handed over in the narrow code page turns into another).
TEST(PathsTest, NamesOutsideAsciiReachTheSystemAsThemselves) {
  const std::string top =
      zotpx::PathInFolder(zotpx::PathText(std::filesystem::temp_directory_path()),
                          "zotpx_路径_" + std::to_string(std::random_device()()));
  const std::string folder = zotpx::PathInFolder(top, "新目录");
  ASSERT_TRUE(std::filesystem::create_directories(zotpx::SystemPath(folder)));
  std::ofstream(zotpx::SystemPath(zotpx::PathInFolder(folder, "记录.log"))) << "x";
  std::vector<std::string> found;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(zotpx::SystemPath(top)))
    found.push_back(zotpx::PathText(entry.path().filename()));
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, (std::vector<std::string>{"新目录", "记录.log"}));
  std::filesystem::remove_all(zotpx::SystemPath(top));
}

}  // namespace
