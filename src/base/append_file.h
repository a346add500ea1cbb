// A file that text is appended to, which several processes may share (station mode's workers
// write one communication log): each Append lands whole at the end, never over another's.
// Bytes go in as they are. No program started meanwhile inherits it. One file per platform.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zotpx {

class AppendFile {
 public:
  AppendFile() = default;
  ~AppendFile();
  AppendFile(const AppendFile&) = delete;
  AppendFile& operator=(const AppendFile&) = delete;

  // Opens `path`, made when missing. False when it cannot be: error() says why in the
  // system's words ("Permission denied").
  bool Open(const std::string& path);
  const std::string& error() const { return error_; }
  // Writes all of `text` at the end of the file, in one piece.
  bool Append(std::string_view text);

 private:
  std::intptr_t handle_ = -1;  // a descriptor, or a Windows HANDLE
  std::string error_;
};

}  // namespace zotpx
