#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <random>

namespace zotpx::test {
namespace {

std::filesystem::path& Made() {
  static std::filesystem::path folder;
  return folder;
}

// After the last test of the process, in that process only: a forked child that exits never
// reaches it.
class RemoveTestFolder : public ::testing::Environment {
 public:
  void TearDown() override {
    if (Made().empty()) return;
    std::error_code error;
    std::filesystem::remove_all(Made(), error);
  }
};

[[maybe_unused]] const ::testing::Environment* const kRemover =
    ::testing::AddGlobalTestEnvironment(new RemoveTestFolder);

}  // namespace

const std::string& TestFolder() {
  static const std::string folder = [] {
    std::random_device random;
    for (;;) {
      const std::filesystem::path path =
          std::filesystem::temp_directory_path() / ("zotpx-test-" + std::to_string(random()));
      if (std::filesystem::create_directory(path)) {
        Made() = path;
        return (path / "").string();
      }
    }
  }();
  return folder;
}

const std::string& UseTestRuntimeFolder() {
  static std::string entry = [] {
    const char* session = std::getenv("XDG_RUNTIME_DIR");
    if (session && *session) return "XDG_RUNTIME_DIR=" + std::string(session);
    const std::filesystem::path folder = TestFolder() + "runtime";
    std::filesystem::create_directory(folder);
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all);
    return "XDG_RUNTIME_DIR=" + folder.string();
  }();
  putenv(entry.data());
  return entry;
}

}  // namespace zotpx::test
