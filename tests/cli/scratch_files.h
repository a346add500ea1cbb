// Files of a test's own under the test folder, named with the process id so that runs side by
// side never read each other's.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/temp_folder.h"

namespace zotpx::test {

// An empty folder "zotpx_SUITE_PID_NAME/" (what an earlier run left there is removed).
inline std::string ScratchFolder(const std::string& suite, const std::string& name) {
  const std::string dir = zotpx::test::TestFolder() + "zotpx_" + suite + "_" +
                          std::to_string(getpid()) + "_" + name + "/";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

inline void WriteText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

}  // namespace zotpx::test
