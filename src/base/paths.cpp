#include "base/paths.h"

namespace zotpx {

// Through char8_t, so that no locale or code page has a say in how the bytes are read. Bytes
// that are no UTF-8 name nothing on Windows (the conversion throws): an empty name, which
// every call refuses.
std::filesystem::path SystemPath(const std::string& path) {
  try {
    return std::filesystem::path(
        std::u8string(reinterpret_cast<const char8_t*>(path.data()), path.size()));
  } catch (const std::exception&) {
    return {};
  }
}

std::string PathText(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

bool IsRootedPath(const std::string& path) {
  const std::filesystem::path p = SystemPath(path);
  return p.is_absolute() || p.has_root_directory();
}

std::string FolderOfPath(const std::string& path) {
  return path.substr(0, path.size() - FileOfPath(path).size());
}

std::string FileOfPath(const std::string& path) {
  const std::filesystem::path p = SystemPath(path);
  // The text as given: its separators stay as the user wrote them.
  return p.has_filename() && p.has_parent_path() ? PathText(p.filename())
         : p.has_filename()                      ? path
                                                 : "";
}

std::string PathInFolder(const std::string& folder, const std::string& name) {
  return PathText(SystemPath(folder) / SystemPath(name));
}

bool IsSameFile(const std::string& a, const std::string& b) {
  std::error_code error;
  return std::filesystem::equivalent(SystemPath(a), SystemPath(b), error) && !error;
}

}  // namespace zotpx
