// The reader on Windows: C run-time descriptors in binary mode (text mode would turn 0D 0A into
// 0A and stop at 1A), names in UTF-8, not inherited by programs started meanwhile.
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

#include "base/input_file.h"
#include "base/utf16_win32.h"

namespace zotpx {

InputFile::InputFile(const std::string& path, bool write) {
  const int fd =
      _wopen(WideFromUtf8(path).c_str(), (write ? _O_RDWR : _O_RDONLY) | _O_BINARY | _O_NOINHERIT);
  if (fd < 0) {
    problem_ = errno == ENOENT   ? ReadProblem::NotFound
               : errno == EACCES ? ReadProblem::NoPermission
                                 : ReadProblem::Failed;
    return;
  }
  struct _stat64 st {};
  // Only a regular file has a size worth trusting; a pipe or a device would stall the reader.
  if (_fstat64(fd, &st) != 0 || !(st.st_mode & _S_IFREG)) {
    _close(fd);
    problem_ = ReadProblem::NotRegularFile;
    return;
  }
  handle_ = fd;
  size_ = static_cast<std::size_t>(st.st_size);
}

void InputFile::Close() {
  if (handle_ >= 0) _close(static_cast<int>(handle_));
  handle_ = -1;
}

bool InputFile::Rewind() {
  return handle_ >= 0 && _lseeki64(static_cast<int>(handle_), 0, SEEK_SET) == 0;
}

bool InputFile::ReadNext(std::uint8_t* out, std::size_t count) {
  if (handle_ < 0) return false;
  std::size_t got = 0;
  while (got < count) {
    const unsigned chunk = static_cast<unsigned>(std::min<std::size_t>(count - got, 1u << 30));
    const int r = _read(static_cast<int>(handle_), out + got, chunk);
    if (r <= 0) return false;
    got += static_cast<std::size_t>(r);
  }
  return true;
}

}  // namespace zotpx
