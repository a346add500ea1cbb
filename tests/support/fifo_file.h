// A path that a reader who opened it as a file would wait on for ever: a FIFO on Linux, a
// named pipe on Windows. Gone with the object.
#pragma once

#include <string>

namespace zotpx::test {

class FifoFile {
 public:
  FifoFile();
  ~FifoFile();
  FifoFile(const FifoFile&) = delete;
  FifoFile& operator=(const FifoFile&) = delete;
  const std::string& path() const { return path_; }
  bool made() const { return made_; }

 private:
  std::string path_;
  bool made_ = false;
  void* handle_ = nullptr;  // Windows: the pipe's server end
};

}  // namespace zotpx::test
