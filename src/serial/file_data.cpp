// FileData on Linux: plain POSIX descriptors, opened without waiting (a FIFO would block).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "serial/memory_transfer.h"

namespace zotpx {

std::optional<FileData> FileData::Open(const std::string& path) {
  // Without waiting: opening a FIFO for reading would otherwise block until a writer comes.
  // Reads of a plain file ignore the flag.
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat st {};
  // Only a plain file has a size worth trusting; a fifo or a device would stall the download.
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return std::nullopt;
  }
  return FileData(fd, static_cast<std::size_t>(st.st_size));
}

void FileData::Close() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

bool FileData::Rewind() {
  return fd_ >= 0 && lseek(fd_, 0, SEEK_SET) == 0;
}

bool FileData::ReadNext(std::uint8_t* out, std::size_t count) {
  if (fd_ < 0) return false;
  std::size_t got = 0;
  while (got < count) {
    const ssize_t r = read(fd_, out + got, count - got);
    if (r > 0) {
      got += static_cast<std::size_t>(r);
    } else if (r == 0 || errno != EINTR) {
      return false;
    }
  }
  return true;
}

}  // namespace zotpx
