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

  // Opens `path`, made when missing. False when it cannot be, or is no regular file (a FIFO,
  // which would hold the opening until a reader came, a device, a folder): error() says why in
  // the system's words ("Permission denied").
  bool Open(const std::string& path);
  const std::string& error() const { return error_; }
  // Writes all of `text` at the end of the file, in one piece. False when it could not (a full
  // disk): error() says why, and failed() stays true.
  bool Append(std::string_view text);
  bool failed() const { return failed_; }

 private:
  std::intptr_t handle_ = -1;  // a descriptor, or a Windows HANDLE
  std::string error_;
  bool failed_ = false;
};

}  // namespace zotpx
