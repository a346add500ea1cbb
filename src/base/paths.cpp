#include "base/paths.h"

#include <filesystem>

namespace zotpx {

// Through char8_t, so that no locale has a say in how the bytes are read.
std::filesystem::path PathOf(const std::string& text) {
  return std::filesystem::path(
      std::u8string(reinterpret_cast<const char8_t*>(text.data()), text.size()));
}

namespace {

std::string TextOf(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

}  // namespace

bool IsRootedPath(const std::string& path) {
  const std::filesystem::path p = PathOf(path);
  return p.is_absolute() || p.has_root_directory();
}

std::string FolderOfPath(const std::string& path) {
  const std::filesystem::path p = PathOf(path);
  if (!p.has_filename() || !p.has_parent_path()) return p.has_filename() ? "" : path;
  // The text as given up to the file's name: its separators stay as the user wrote them.
  const std::string name = TextOf(p.filename());
  return path.substr(0, path.size() - name.size());
}

bool IsSameFile(const std::string& a, const std::string& b) {
  std::error_code error;
  return std::filesystem::equivalent(PathOf(a), PathOf(b), error) && !error;
}

}  // namespace zotpx
