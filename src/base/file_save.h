// Writing a file whole or not at all, without a window toolkit.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace zotpx {

// After a command's title, when a file it writes cannot be saved.
inline constexpr const char* kSaveFailedText = "失败：无法保存文件";

// Through a temporary file beside `path`, synced and renamed over it only once every byte is
// on disk: a failed save (a full disk, no permission) leaves no half-written file, and an
// existing one as it was. The new file gets the permissions the umask allows.
bool WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes);

}  // namespace zotpx
