// The reader on POSIX systems: plain descriptors, opened without waiting.
#include "base/input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace zotpx {

namespace {

ReadProblem ProblemOf(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return ReadProblem::NotFound;
    case EACCES:
    case EPERM:
      return ReadProblem::NoPermission;
    case EISDIR:
    case ENXIO:
    case ENODEV:
      return ReadProblem::NotRegularFile;
    default:
      return ReadProblem::Failed;
  }
}

}  // namespace

InputFile::InputFile(const std::string& path, bool write) {
  // Without waiting: opening a FIFO would otherwise block until a writer comes. Reads of a
  // regular file ignore the flag.
  const int fd =
      open(path.c_str(), (write ? O_RDWR : O_RDONLY) | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    problem_ = ProblemOf(errno);
    return;
  }
  struct stat st {};
  // Only a regular file has a size worth trusting, and an end.
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    problem_ = ReadProblem::NotRegularFile;
    return;
  }
  handle_ = fd;
  size_ = static_cast<std::size_t>(st.st_size);
}

void InputFile::Close() {
  if (handle_ >= 0) close(static_cast<int>(handle_));
  handle_ = -1;
}

bool InputFile::Rewind() {
  return handle_ >= 0 && lseek(static_cast<int>(handle_), 0, SEEK_SET) == 0;
}

bool InputFile::ReadNext(std::uint8_t* out, std::size_t count) {
  if (handle_ < 0) return false;
  std::size_t got = 0;
  while (got < count) {
    const ssize_t r = read(static_cast<int>(handle_), out + got, count - got);
    if (r > 0) {
      got += static_cast<std::size_t>(r);
    } else if (r == 0 || errno != EINTR) {
      return false;
    }
  }
  return true;
}

}  // namespace zotpx
