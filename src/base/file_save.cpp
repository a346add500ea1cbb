// The POSIX side of the whole-file save (Linux: fallocate).
#include "base/file_save.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>

namespace zotpx {

namespace {

constexpr int kMaxLinks = 40;  // the kernel's own limit on a chain

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool WriteAll(int fd, std::span<const std::uint8_t> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n =
        pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// The replaced file's owner, group and mode, as far as the user may set them.
bool TakeOver(int fd, const struct stat& old) {
  if (fchown(fd, old.st_uid, old.st_gid) != 0)
    (void)!fchown(fd, static_cast<uid_t>(-1), old.st_gid);
  struct stat now {};
  if (fstat(fd, &now) != 0) return false;
  mode_t mode = old.st_mode & 07777;
  if (now.st_uid != old.st_uid) mode &= ~S_ISUID;
  if (now.st_gid != old.st_gid) mode &= ~S_ISGID;
  return fchmod(fd, mode) == 0;
}

// Several names share the file: it is written in place, so that all of them see the new bytes.
bool Overwrite(const std::string& target, const struct stat& old,
               std::span<const std::uint8_t> bytes, SaveSync sync) {
  const int fd = open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return false;
  struct stat now {};
  bool ok = fstat(fd, &now) == 0 && S_ISREG(now.st_mode) && now.st_dev == old.st_dev &&
            now.st_ino == old.st_ino;
  // The room first: a full disk refuses here, with the file as it was. Some file systems
  // cannot reserve; they are written as they are.
  if (ok && !bytes.empty() &&
      fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(bytes.size())) != 0)
    ok = errno == EOPNOTSUPP || errno == ENOSYS;
  ok = ok && WriteAll(fd, bytes) && ftruncate(fd, static_cast<off_t>(bytes.size())) == 0 &&
       (sync == SaveSync::Quick || fsync(fd) == 0);
  return close(fd) == 0 && ok;
}

void SyncFolder(const std::string& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  (void)!fsync(fd);  // the rename is done; some file systems cannot sync a folder
  close(fd);
}

}  // namespace

std::string SaveTarget(const std::string& path) {
  std::string target = path;
  for (int hops = 0; hops <= kMaxLinks; ++hops) {
    struct stat st {};
    if (lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return target;
    std::string link(PATH_MAX, '\0');
    const ssize_t n = readlink(target.c_str(), link.data(), link.size());
    // Gone or changed meanwhile: the save finds a link there and refuses.
    if (n <= 0 || static_cast<std::size_t>(n) >= link.size()) return target;
    link.resize(static_cast<std::size_t>(n));
    target = link.front() == '/' ? link : FolderOf(target) + "/" + link;
  }
  return {};
}

bool WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes, SaveSync sync) {
  const std::string target = SaveTarget(path);
  if (target.empty()) return false;
  struct stat old {};
  const bool exists = lstat(target.c_str(), &old) == 0;
  if (!exists && errno != ENOENT) return false;
  if (exists &&
      (!S_ISREG(old.st_mode) || faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0))
    return false;
  if (exists && old.st_nlink > 1) return Overwrite(target, old, bytes, sync);

  // A name of our own beside the target; the kernel gives a new file the mode the umask allows.
  static std::atomic<unsigned> counter{0};
  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temp = target + ".tmp-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
    fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0 && errno != EEXIST) return false;
  }
  if (fd < 0) return false;
  bool ok = WriteAll(fd, bytes) && (!exists || TakeOver(fd, old)) &&
            (sync == SaveSync::Quick || fsync(fd) == 0);
  ok = close(fd) == 0 && ok;
  ok = ok && rename(temp.c_str(), target.c_str()) == 0;
  if (!ok) {
    unlink(temp.c_str());
    return false;
  }
  if (sync == SaveSync::Durable) SyncFolder(FolderOf(target));
  return true;
}

}  // namespace zotpx
