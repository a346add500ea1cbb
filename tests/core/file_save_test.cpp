// The whole-file save every face writes through, against what a save may find at the name it is
// given: a regular file, links (chains, relative, dangling, a loop), things that are no regular
// file (FIFO, device, folder, socket), a folder or file the user may not write, hard links,
// and an existing file's mode, owner and group. Rows that need another user run in a child
// that drops to "nobody"; rows that need root to set up skip cleanly without it.
#include "base/file_save.h"

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

namespace {

namespace fs = std::filesystem;

constexpr uid_t kNobody = 65534;
constexpr gid_t kNoGroup = 65534;
constexpr gid_t kOtherGroup = 20;  // any group but root's and nobody's
const std::string kOld = "old bytes";
const std::string kNew = "the new bytes\n";

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Write(const fs::path& path, const std::string& text, mode_t mode = 0644) {
  std::ofstream(path, std::ios::binary) << text;
  chmod(path.c_str(), mode);
}

struct stat Lstat(const fs::path& path) {
  struct stat st {};
  lstat(path.c_str(), &st);
  return st;
}

mode_t Umask() {
  const mode_t mask = umask(0);
  umask(mask);
  return mask;
}

enum class Saver { Me, Nobody };

struct SaveCase {
  const char* name;
  bool needs_root;  // to set up (chown, mknod); skipped without it
  Saver saver;
  // Makes what the save meets in `dir`; returns the name the save is given, relative to it.
  std::function<std::string(const fs::path& dir)> make;
  bool saved;
  // What must hold afterwards (the new bytes where they belong, or nothing changed).
  std::function<void(const fs::path& dir)> check;
};

void PrintTo(const SaveCase& c, std::ostream* out) {
  *out << c.name;
}

// A refused save changed nothing: `name` still holds the old bytes.
std::function<void(const fs::path&)> Unchanged(const char* name) {
  return [name](const fs::path& dir) { EXPECT_EQ(Read(dir / name), kOld); };
}

const SaveCase kCases[] = {
    {"NewFileGetsTheUmasksMode", false, Saver::Me, [](const fs::path&) { return "out"; }, true,
     [](const fs::path& dir) {
       EXPECT_EQ(Read(dir / "out"), kNew);
       EXPECT_EQ(Lstat(dir / "out").st_mode & 07777, 0666 & ~Umask());
     }},
    {"RegularFileIsReplacedAndKeepsItsMode", false, Saver::Me,
     [](const fs::path& dir) {
       Write(dir / "out", kOld, 0751);
       return "out";
     },
     true,
     [](const fs::path& dir) {
       EXPECT_EQ(Read(dir / "out"), kNew);
       EXPECT_EQ(Lstat(dir / "out").st_mode & 07777, 0751u);
     }},
    {"LinkIsFollowedAndStays", false, Saver::Me,
     [](const fs::path& dir) {
       Write(dir / "out", kOld, 0640);
       fs::create_symlink("out", dir / "link");
       return "link";
     },
     true,
     [](const fs::path& dir) {
       EXPECT_EQ(fs::read_symlink(dir / "link"), "out");
       EXPECT_EQ(Read(dir / "out"), kNew);
       EXPECT_EQ(Lstat(dir / "out").st_mode & 07777, 0640u);
     }},
    {"ChainOfRelativeLinksEndsAtTheFileAndTheTemporaryFileSitsBesideIt", false, Saver::Me,
     [](const fs::path& dir) {
       fs::create_directories(dir / "sub" / "deep");
       Write(dir / "sub" / "deep" / "out", kOld);
       fs::create_symlink("sub/b", dir / "a");
       fs::create_symlink("deep/out", dir / "sub" / "b");
       // Beside the link the real target's folder cannot be written: the save must not care.
       chmod(dir.c_str(), 0555);
       return "a";
     },
     true,
     [](const fs::path& dir) {
       chmod(dir.c_str(), 0755);
       EXPECT_TRUE(fs::is_symlink(dir / "a") && fs::is_symlink(dir / "sub" / "b"));
       EXPECT_EQ(Read(dir / "sub" / "deep" / "out"), kNew);
     }},
    {"DanglingLinkCreatesTheFileItNames", false, Saver::Me,
     [](const fs::path& dir) {
       fs::create_directory(dir / "sub");
       fs::create_symlink("sub/new.bin", dir / "link");
       return "link";
     },
     true,
     [](const fs::path& dir) {
       EXPECT_EQ(fs::read_symlink(dir / "link"), "sub/new.bin");
       EXPECT_EQ(Read(dir / "sub" / "new.bin"), kNew);
     }},
    {"LoopOfLinksIsRefused", false, Saver::Me,
     [](const fs::path& dir) {
       fs::create_symlink("b", dir / "a");
       fs::create_symlink("a", dir / "b");
       return "a";
     },
     false, [](const fs::path& dir) { EXPECT_EQ(fs::read_symlink(dir / "a"), "b"); }},
    {"FifoIsRefusedWithoutWaitingForAReader", false, Saver::Me,
     [](const fs::path& dir) {
       mkfifo((dir / "fifo").c_str(), 0644);
       return "fifo";
     },
     false, [](const fs::path& dir) { EXPECT_TRUE(fs::is_fifo(dir / "fifo")); }},
    {"CharacterDeviceLikeDevNullIsRefused", true, Saver::Me,
     [](const fs::path& dir) {
       // A node of /dev/null's kind, so that a fault here can never touch the real one.
       if (mknod((dir / "null").c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) return "";
       fs::create_symlink("null", dir / "link");
       return "link";
     },
     false,
     [](const fs::path& dir) {
       EXPECT_TRUE(fs::is_character_file(dir / "null"));
       EXPECT_TRUE(fs::is_symlink(dir / "link"));
     }},
    {"FolderIsRefused", false, Saver::Me,
     [](const fs::path& dir) {
       fs::create_directory(dir / "folder");
       return "folder";
     },
     false, [](const fs::path& dir) { EXPECT_TRUE(fs::is_directory(dir / "folder")); }},
    {"SocketIsRefused", false, Saver::Me,
     [](const fs::path& dir) {
       sockaddr_un address{};
       address.sun_family = AF_UNIX;
       const std::string path = (dir / "sock").string();
       if (path.size() >= sizeof address.sun_path) return "";
       path.copy(address.sun_path, path.size());
       const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
       const bool bound = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
       close(fd);
       return bound ? "sock" : "";
     },
     false, [](const fs::path& dir) { EXPECT_TRUE(fs::is_socket(dir / "sock")); }},
    {"ReadOnlyFolderIsRefusedWithTheFileAsItWas", false, Saver::Nobody,
     [](const fs::path& dir) {
       fs::create_directory(dir / "ro");
       Write(dir / "ro" / "out", kOld, 0666);
       chmod((dir / "ro").c_str(), 0555);
       return "ro/out";
     },
     false, Unchanged("ro/out")},
    {"ReadOnlyFileIsRefused", false, Saver::Nobody,
     [](const fs::path& dir) {
       Write(dir / "out", kOld, 0444);
       return "out";
     },
     false, Unchanged("out")},
    {"HardLinkedFileIsWrittenInPlaceSoEveryNameSeesIt", false, Saver::Me,
     [](const fs::path& dir) {
       Write(dir / "out", kOld + kOld + kOld, 0600);  // longer than the new bytes
       fs::create_hard_link(dir / "out", dir / "other");
       return "out";
     },
     true,
     [](const fs::path& dir) {
       EXPECT_EQ(Read(dir / "out"), kNew);
       EXPECT_EQ(Read(dir / "other"), kNew);
       EXPECT_EQ(Lstat(dir / "out").st_ino, Lstat(dir / "other").st_ino);
       EXPECT_EQ(Lstat(dir / "out").st_mode & 07777, 0600u);
     }},
    {"OwnerAndGroupStayWhenRootSaves", true, Saver::Me,
     [](const fs::path& dir) {
       Write(dir / "out", kOld, 0640);
       return chown((dir / "out").c_str(), kNobody, kNoGroup) == 0 ? "out" : "";
     },
     true,
     [](const fs::path& dir) {
       const struct stat st = Lstat(dir / "out");
       EXPECT_EQ(Read(dir / "out"), kNew);
       EXPECT_EQ(st.st_uid, kNobody);
       EXPECT_EQ(st.st_gid, kNoGroup);
       EXPECT_EQ(st.st_mode & 07777, 0640u);
     }},
    {"AnotherUsersFileBecomesTheSaversKeepingAGroupTheSaverIsIn", true, Saver::Nobody,
     [](const fs::path& dir) {
       // Set-user and set-group bits: the first goes with the owner, the second stays with
       // the group it was for.
       Write(dir / "out", kOld, 0666);
       if (chown((dir / "out").c_str(), 0, kOtherGroup) != 0) return "";
       chmod((dir / "out").c_str(), 06666);
       return "out";
     },
     true,
     [](const fs::path& dir) {
       const struct stat st = Lstat(dir / "out");
       EXPECT_EQ(Read(dir / "out"), kNew);
       EXPECT_EQ(st.st_uid, kNobody);
       EXPECT_EQ(st.st_gid, kOtherGroup);
       EXPECT_EQ(st.st_mode & 07777, 02666u);
     }},
};

class FileSaveTest : public ::testing::TestWithParam<SaveCase> {
 protected:
  FileSaveTest() {
    char name[] = "/tmp/zotpx_save_XXXXXX";
    dir_ = mkdtemp(name);
  }
  ~FileSaveTest() override {
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(dir_))
      if (fs::is_directory(entry.symlink_status())) chmod(entry.path().c_str(), 0755);
    chmod(dir_.c_str(), 0755);
    fs::remove_all(dir_);
  }

  // Saves as the case says: here, or in a child that became "nobody" (a member of
  // kOtherGroup) when the tests run as root, so that permissions mean something.
  bool Save(const SaveCase& c, const std::string& path) {
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(kNew.data()),
                                              kNew.size());
    if (c.saver == Saver::Me || geteuid() != 0) return zotpx::WriteWholeFile(path, bytes);
    chmod(dir_.c_str(), 0777);
    const pid_t child = fork();
    if (child == 0) {
      const gid_t groups[] = {kOtherGroup};
      if (setgroups(1, groups) != 0 || setgid(kNoGroup) != 0 || setuid(kNobody) != 0) _exit(2);
      _exit(zotpx::WriteWholeFile(path, bytes) ? 0 : 1);
    }
    int status = -1;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) < 2) << "the child could not drop root";
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }

  fs::path dir_;
};

TEST_P(FileSaveTest, SaveMeetsWhatIsThere) {
  const SaveCase& c = GetParam();
  if (c.needs_root && geteuid() != 0) GTEST_SKIP() << "needs root to set up";
  const std::string name = c.make(dir_);
  if (name.empty()) GTEST_SKIP() << "this system cannot make what the case needs";
  EXPECT_EQ(Save(c, (dir_ / name).string()), c.saved);
  c.check(dir_);
  chmod(dir_.c_str(), 0755);
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(dir_))
    EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos)
        << "left behind: " << entry.path();
}

INSTANTIATE_TEST_SUITE_P(Targets, FileSaveTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<SaveCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
