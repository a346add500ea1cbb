// Appending on POSIX systems: O_APPEND puts every write at the end, atomically.
#include "base/append_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace zotpx {

AppendFile::~AppendFile() {
  if (handle_ >= 0) close(static_cast<int>(handle_));
}

bool AppendFile::Open(const std::string& path) {
  // Without waiting: a FIFO with no reader would hold the opening for ever (ENXIO instead).
  const int fd =
      open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666);
  struct stat st {};
  if (fd < 0 && errno != ENXIO) {
    error_ = std::strerror(errno);
    return false;
  }
  if (fd < 0 || fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    if (fd >= 0) close(fd);
    error_ = "not a regular file";
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
    if (n <= 0) {
      error_ = std::strerror(n < 0 ? errno : EIO);
      failed_ = true;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace zotpx
