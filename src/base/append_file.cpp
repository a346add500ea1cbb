// Appending on POSIX systems: O_APPEND puts every write at the end, atomically.
#include "base/append_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace zotpx {

AppendFile::~AppendFile() {
  if (handle_ >= 0) close(static_cast<int>(handle_));
}

bool AppendFile::Open(const std::string& path) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOCTTY, 0666);
  if (fd < 0) {
    error_ = std::strerror(errno);
    return false;
  }
  handle_ = fd;
  return true;
}

bool AppendFile::Append(std::string_view text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(static_cast<int>(handle_), text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace zotpx
