#include "support/file_kinds.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/temp_folder.h"

namespace zotpx::test::files {

namespace {

mode_t ModeOf(const fs::path& file) {
  struct stat st {};
  lstat(file.c_str(), &st);
  return st.st_mode & 07777;
}

mode_t Umask() {
  const mode_t mask = umask(0);
  umask(mask);
  return mask;
}

}  // namespace

bool Mark(const fs::path& file) {
  return chmod(file.c_str(), 0751) == 0;
}

bool Marked(const fs::path& file) {
  return ModeOf(file) == 0751;
}

bool LooksNew(const fs::path& file) {
  return ModeOf(file) == (0666 & ~Umask());
}

void MakeReadOnly(const fs::path& file) {
  chmod(file.c_str(), 0444);
}

bool LockFolder(const fs::path& folder) {
  return chmod(folder.c_str(), 0555) == 0;
}

void UnlockFolder(const fs::path& folder) {
  chmod(folder.c_str(), 0755);
}

std::string MakeDevice(const fs::path& dir) {
  // Of /dev/null's kind, so that a fault here can never touch the real one.
  return mknod((dir / "null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0 ? "null" : "";
}

bool IsDevice(const fs::path& path) {
  return fs::is_character_file(path);
}

std::string MakeSocket(const fs::path& dir) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string path = (dir / "sock").string();
  if (path.size() >= sizeof address.sun_path) return "";
  path.copy(address.sun_path, path.size());
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  const bool bound = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  close(fd);
  return bound ? "sock" : "";
}

bool MakeLink(const std::string& target, const fs::path& link) {
  std::error_code error;
  fs::create_symlink(target, link, error);
  return !error;
}

bool IsLink(const fs::path& path) {
  return fs::is_symlink(path);
}

namespace {

// `save` in a child process made ready by `setup` (false: it could not be); its result.
int SaveInChild(const std::function<bool()>& setup, const std::function<int()>& save) {
  const pid_t child = fork();
  if (child == 0) _exit(setup() ? save() : 101);
  int status = -1;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) <= 100) << "the child could not be set up";
  return WIFEXITED(status) ? WEXITSTATUS(status) : 101;
}

}  // namespace

int SaveAsNobody(const std::function<int()>& save) {
  if (geteuid() != 0) return save();
  return SaveInChild(
      [] {
        const gid_t groups[] = {kOtherGroup};
        return setgroups(1, groups) == 0 && setgid(kNoGroup) == 0 && setuid(kNobody) == 0;
      },
      save);
}

int SaveOnASmallDisk(std::size_t bytes, const std::function<int()>& save) {
  return SaveInChild(
      [bytes] {
        const rlimit limit{bytes, bytes};
        signal(SIGXFSZ, SIG_IGN);  // the write fails with EFBIG instead
        return setrlimit(RLIMIT_FSIZE, &limit) == 0;
      },
      save);
}

bool SetOwnerAndMode(const fs::path& file, std::uint32_t owner, std::uint32_t group,
                     std::uint32_t mode) {
  return chown(file.c_str(), owner, group) == 0 && chmod(file.c_str(), mode) == 0;
}

Ownership OwnershipOf(const fs::path& file) {
  struct stat st {};
  lstat(file.c_str(), &st);
  return {st.st_uid, st.st_gid, static_cast<std::uint32_t>(st.st_mode & 07777)};
}

fs::path MakeTemporaryFolder() {
  std::string name = TestFolder() + "zotpx_save_XXXXXX";
  return mkdtemp(name.data());
}

void RemoveFolder(const fs::path& folder) {
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder))
    if (fs::is_directory(entry.symlink_status())) chmod(entry.path().c_str(), 0755);
  chmod(folder.c_str(), 0755);
  fs::remove_all(folder);
}

}  // namespace zotpx::test::files
