// A layout's bitmap path by the system's own rules: what starts at a root, and the folder a file
// is in, on Linux ('/' alone) and on Windows (both separators, drives, \\server\share).
#include "base/paths.h"

#include <gtest/gtest.h>

#include <filesystem>

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
    EXPECT_EQ(zotpx::FolderOfPath(c.path), windows ? c.folder_windows : c.folder_linux);
  }
}

}  // namespace
