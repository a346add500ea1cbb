// FileData on Windows: C run-time descriptors in binary mode (text mode would turn 0D 0A into
// 0A and stop at 1A), names in UTF-8, not inherited by programs started meanwhile.
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <algorithm>

#include "base/utf16_win32.h"
#include "serial/memory_transfer.h"

namespace zotpx {

std::optional<FileData> FileData::Open(const std::string& path) {
  const int fd = _wopen(WideFromUtf8(path).c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
  if (fd < 0) return std::nullopt;
  struct _stat64 st {};
  // Only a plain file has a size worth trusting; a pipe or a device would stall the download.
  if (_fstat64(fd, &st) != 0 || !(st.st_mode & _S_IFREG)) {
    _close(fd);
    return std::nullopt;
  }
  return FileData(fd, static_cast<std::size_t>(st.st_size));
}

void FileData::Close() {
  if (fd_ >= 0) _close(fd_);
  fd_ = -1;
}

bool FileData::Rewind() {
  return fd_ >= 0 && _lseeki64(fd_, 0, SEEK_SET) == 0;
}

bool FileData::ReadNext(std::uint8_t* out, std::size_t count) {
  if (fd_ < 0) return false;
  std::size_t got = 0;
  while (got < count) {
    const unsigned chunk = static_cast<unsigned>(std::min<std::size_t>(count - got, 1u << 30));
    const int r = _read(fd_, out + got, chunk);
    if (r <= 0) return false;
    got += static_cast<std::size_t>(r);
  }
  return true;
}

}  // namespace zotpx
