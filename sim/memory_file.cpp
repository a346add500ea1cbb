#include "memory_file.h"

#include <fcntl.h>
#include <libgen.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "base/file_save.h"
#include "base/input_file.h"
#include "serial/memory_transfer.h"
#include "sim_device.h"

namespace zotpx::sim {
namespace {

std::string SystemText() {
  return std::strerror(errno);
}

bool WriteAll(int fd, std::size_t offset, std::span<const std::uint8_t> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n =
        pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool ReadAll(int fd, Bytes& out) {
  std::size_t done = 0;
  while (done < out.size()) {
    const ssize_t n = pread(fd, out.data() + done, out.size() - done, static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// A new file appears whole or not at all: it is written and flushed under a temporary name,
// then linked to its name (which fails rather than replace a file made meanwhile).
int CreateErased(const std::string& path, std::string& error) {
  // A short name beside it: the path's own name may already be near the system's limit.
  std::string temp = path.substr(0, path.rfind('/') + 1) + ".zotpx-sim-XXXXXX";
  const int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) {
    error = "cannot create memory file " + path + ": " + SystemText();
    return -1;
  }
  const Bytes erased(kDeviceMemorySize, 0xFF);
  const bool made =
      WriteAll(fd, 0, erased) && fsync(fd) == 0 && link(temp.c_str(), path.c_str()) == 0;
  const int saved = errno;
  unlink(temp.c_str());
  if (!made) {
    close(fd);
    errno = saved;
    error = "cannot create memory file " + path + ": " + SystemText();
    return -1;
  }
  std::string folder = path;
  const int dir = open(dirname(folder.data()), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    fsync(dir);
    close(dir);
  }
  return fd;
}

}  // namespace

std::unique_ptr<MemoryFile> MemoryFile::Open(const std::string& path, Bytes& memory,
                                             std::string& error) {
  // The reader every user's file goes through: a FIFO named by mistake must not hang the start.
  InputFile opened(path, true);
  int fd = -1;
  struct stat st {};
  if (opened.problem() == ReadProblem::NotFound) {
    // A link that names no file yet: the file it names is made, as an editor would.
    const std::string target = LinkTarget(path);
    fd = CreateErased(target, error);
    if (fd < 0 && target != path) error += " (named by the link " + path + ")";
    if (fd < 0) return nullptr;
  } else if (!opened.is_open()) {
    error = "cannot open memory file " + path +
            " for reading and writing: " + ReadProblemText(opened.problem());
    return nullptr;
  } else {
    fd = opened.Release();
  }
  std::unique_ptr<MemoryFile> file(new MemoryFile(fd, path));
  if (fstat(fd, &st) != 0) {
    error = "cannot read memory file " + path + ": " + SystemText();
    return nullptr;
  }
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    error = "memory file " + path + " is in use by another simulator";
    return nullptr;
  }
  if (static_cast<std::size_t>(st.st_size) != kDeviceMemorySize) {
    error = "memory file " + path + " is " + std::to_string(st.st_size) +
            " bytes long, not 491520 (0x78000) like the device's memory; it is left as it is";
    return nullptr;
  }
  Bytes contents(kDeviceMemorySize);
  if (!ReadAll(fd, contents)) {
    error = "cannot read memory file " + path + ": " + SystemText();
    return nullptr;
  }
  memory.assign(contents.begin(), contents.end());  // in place: the screen reads it
  return file;
}

MemoryFile::~MemoryFile() {
  fdatasync(static_cast<int>(file_));
  close(static_cast<int>(file_));
}

bool MemoryFile::Store(std::size_t address, std::span<const std::uint8_t> bytes) {
  if (WriteAll(static_cast<int>(file_), address, bytes)) return true;
  error_ = "cannot write memory file " + path_ + ": " + SystemText();
  return false;
}

}  // namespace zotpx::sim
