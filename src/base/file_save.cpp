// The POSIX side of the whole-file save (Linux: fallocate).
#include "base/file_save.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <optional>
#include <vector>

namespace zotpx {

namespace {

constexpr int kMaxLinks = 40;  // the kernel's own limit on a chain

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

SaveProblem ProblemOf(int error) {
  switch (error) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return SaveProblem::NoSpace;
    case EROFS:
      return SaveProblem::ReadOnlyFileSystem;
    case EACCES:
    case EPERM:
      return SaveProblem::NoPermission;
    case ENOENT:
    case ENOTDIR:
      return SaveProblem::NoFolder;
    case ENAMETOOLONG:
      return SaveProblem::NameTooLong;
    case ELOOP:
      return SaveProblem::LinkLoop;
    case EISDIR:
    case ENXIO:
    case ENODEV:
      return SaveProblem::NotRegularFile;
    default:
      return SaveProblem::Failed;
  }
}

// A name of our own beside `target` that no other save in this or another process uses,
// its start cut (at a character's boundary) so that it fits the folder's limit on a name.
std::string TemporaryName(const std::string& target) {
  static std::atomic<unsigned> counter{0};
  const std::string suffix = ".tmp-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
  const std::string name = NameOf(target);
  const long limit = pathconf(FolderOf(target).c_str(), _PC_NAME_MAX);
  const std::size_t room = static_cast<std::size_t>(limit > 0 ? limit : NAME_MAX);
  std::size_t keep = std::min(name.size(), room > suffix.size() ? room - suffix.size() : 0);
  while (keep > 0 && keep < name.size() && (name[keep] & 0xC0) == 0x80) --keep;
  return target.substr(0, target.size() - name.size()) + name.substr(0, keep) + suffix;
}

SaveProblem WriteAll(int fd, std::span<const std::uint8_t> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n =
        pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return ProblemOf(errno);
    if (n == 0) return SaveProblem::Failed;
    done += static_cast<std::size_t>(n);
  }
  return SaveProblem::None;
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

void SyncFolder(const std::string& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  (void)!fsync(fd);  // the rename is done; some file systems cannot sync a folder
  close(fd);
}

// What a file is, for telling whether two names lead to one: the file itself, or, for a name
// with no file yet, its folder and the name in it.
struct FileKey {
  dev_t device = 0;
  ino_t inode = 0;
  std::string name;
  bool operator==(const FileKey&) const = default;
};

std::optional<FileKey> KeyOf(const std::string& path, bool may_be_missing) {
  struct stat st {};
  if (stat(path.c_str(), &st) == 0) return FileKey{st.st_dev, st.st_ino, {}};
  if (errno != ENOENT || !may_be_missing) return std::nullopt;
  const std::string target = LinkTarget(path);
  if (target.empty() || stat(FolderOf(target).c_str(), &st) != 0) return std::nullopt;
  return FileKey{st.st_dev, st.st_ino, NameOf(target)};
}

// One file of a save, from its temporary file to its place.
struct Pending {
  std::string target;
  bool exists = false;
  struct stat old {};
  std::string temp;     // renamed over the target
  int in_place = -1;    // or, with several hard links, the file itself, open for writing
  std::string backup;   // the old file under a second name while several files are committed
  bool placed = false;  // renamed or written into place
  SaveSync sync = SaveSync::Durable;
  std::span<const std::uint8_t> bytes;

  Pending() = default;
  Pending(const Pending&) = delete;
  Pending& operator=(const Pending&) = delete;
  ~Pending() {
    if (in_place >= 0) close(in_place);
    if (!temp.empty() && !placed) unlink(temp.c_str());
    if (!backup.empty()) unlink(backup.c_str());
  }
};

// Several names share the file: it will be written in place, so that all of them see the new
// bytes. The room first: a full disk refuses here, with the file as it was. Some file systems
// cannot reserve; they are written as they are.
SaveProblem ReserveInPlace(Pending& p) {
  p.in_place = open(p.target.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
  if (p.in_place < 0) return ProblemOf(errno);
  struct stat now {};
  if (fstat(p.in_place, &now) != 0 || !S_ISREG(now.st_mode) || now.st_dev != p.old.st_dev ||
      now.st_ino != p.old.st_ino)
    return SaveProblem::Failed;  // changed meanwhile
  if (!p.bytes.empty() &&
      fallocate(p.in_place, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(p.bytes.size())) != 0 &&
      errno != EOPNOTSUPP && errno != ENOSYS)
    return ProblemOf(errno);
  return SaveProblem::None;
}

SaveProblem WriteInPlace(Pending& p) {
  SaveProblem problem = WriteAll(p.in_place, p.bytes);
  if (problem == SaveProblem::None &&
      (ftruncate(p.in_place, static_cast<off_t>(p.bytes.size())) != 0 ||
       (p.sync == SaveSync::Durable && fsync(p.in_place) != 0)))
    problem = ProblemOf(errno);
  const int fd = p.in_place;
  p.in_place = -1;
  if (close(fd) != 0 && problem == SaveProblem::None) problem = ProblemOf(errno);
  return problem;
}

// The new bytes under a temporary name beside the target, flushed.
SaveProblem WriteTemporary(Pending& p) {
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    p.temp = TemporaryName(p.target);
    // The kernel gives a new file the mode the umask allows.
    fd = open(p.temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0 && errno != EEXIST) {
      const int error = errno;
      p.temp.clear();
      return ProblemOf(error);
    }
  }
  if (fd < 0) {
    p.temp.clear();
    return SaveProblem::Failed;
  }
  SaveProblem problem = WriteAll(fd, p.bytes);
  if (problem == SaveProblem::None && p.exists && !TakeOver(fd, p.old)) problem = ProblemOf(errno);
  if (problem == SaveProblem::None && p.sync == SaveSync::Durable && fsync(fd) != 0)
    problem = ProblemOf(errno);
  if (close(fd) != 0 && problem == SaveProblem::None) problem = ProblemOf(errno);
  return problem;
}

SaveProblem Prepare(Pending& p, const FileToSave& file) {
  p.bytes = file.bytes;
  p.target = LinkTarget(file.path);
  if (p.target.empty()) return SaveProblem::LinkLoop;
  p.exists = lstat(p.target.c_str(), &p.old) == 0;
  if (!p.exists && errno != ENOENT) return ProblemOf(errno);
  if (p.exists && !S_ISREG(p.old.st_mode)) return SaveProblem::NotRegularFile;
  if (p.exists && faccessat(AT_FDCWD, p.target.c_str(), W_OK, AT_EACCESS) != 0)
    return errno == EROFS ? SaveProblem::ReadOnlyFileSystem : SaveProblem::ReadOnly;
  if (p.exists && p.old.st_nlink > 1) return ReserveInPlace(p);
  return WriteTemporary(p);
}

// Keeps the old file under a second name, so that it can be put back; nothing where the file
// system has no hard links.
void KeepOld(Pending& p) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string backup = TemporaryName(p.target);
    if (link(p.target.c_str(), backup.c_str()) == 0) {
      p.backup = backup;
      return;
    }
    if (errno != EEXIST) return;
  }
}

// Puts a placed file back as it was, as far as it can be.
void PutBack(Pending& p) {
  if (!p.backup.empty()) {
    if (rename(p.backup.c_str(), p.target.c_str()) == 0) p.backup.clear();
  } else if (!p.exists) {
    unlink(p.target.c_str());
  }
}

SaveResult Commit(std::vector<Pending>& pending) {
  if (pending.size() > 1)
    for (Pending& p : pending)
      if (p.exists && p.in_place < 0) KeepOld(p);
  // Renames first: a file written in place cannot be put back.
  std::vector<std::size_t> order(pending.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_partition(order.begin(), order.end(),
                        [&pending](std::size_t i) { return pending[i].in_place < 0; });
  for (std::size_t n = 0; n < order.size(); ++n) {
    Pending& p = pending[order[n]];
    SaveProblem problem = SaveProblem::None;
    if (p.in_place >= 0)
      problem = WriteInPlace(p);
    else if (rename(p.temp.c_str(), p.target.c_str()) != 0)
      problem = ProblemOf(errno);
    if (problem != SaveProblem::None) {
      for (std::size_t back = 0; back < n; ++back) PutBack(pending[order[back]]);
      return {problem, order[n]};
    }
    p.placed = true;
  }
  std::vector<std::string> folders;
  for (Pending& p : pending) {
    if (p.sync == SaveSync::Durable) folders.push_back(FolderOf(p.target));
  }
  std::sort(folders.begin(), folders.end());
  folders.erase(std::unique(folders.begin(), folders.end()), folders.end());
  for (const std::string& folder : folders) SyncFolder(folder);
  return {};
}

}  // namespace

std::string LinkTarget(const std::string& path) {
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

SaveResult WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes,
                          SaveSync sync) {
  const FileToSave file{path, bytes};
  return WriteWholeFiles({&file, 1}, {}, sync);
}

SaveResult WriteWholeFiles(std::span<const FileToSave> files, std::span<const std::string> inputs,
                           SaveSync sync) {
  // Before anything is written: no file saved over what it is made from, nor over another.
  std::vector<FileKey> read;
  for (const std::string& input : inputs)
    if (std::optional<FileKey> key = KeyOf(input, false)) read.push_back(*key);
  std::vector<FileKey> written;
  for (std::size_t i = 0; i < files.size(); ++i) {
    const std::optional<FileKey> key = KeyOf(files[i].path, true);
    if (!key) continue;  // the save says why
    if (std::find(read.begin(), read.end(), *key) != read.end())
      return {SaveProblem::SameAsInput, i};
    if (std::find(written.begin(), written.end(), *key) != written.end())
      return {SaveProblem::SameAsOther, i};
    written.push_back(*key);
  }
  std::vector<Pending> pending(files.size());
  for (std::size_t i = 0; i < files.size(); ++i) {
    pending[i].sync = sync;
    if (const SaveProblem problem = Prepare(pending[i], files[i]); problem != SaveProblem::None)
      return {problem, i};
  }
  return Commit(pending);
}

}  // namespace zotpx
