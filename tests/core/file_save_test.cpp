// The whole-file save every face writes through, against what a save may find at the name it is
// given: a regular file, links (chains, relative, dangling, a loop), things that are no regular
// file (FIFO or pipe, device, folder, socket), a folder or file the user may not write, hard
// links, and what an existing file keeps (mode, owner and group on Linux, attributes on
// Windows). The same matrix runs on both systems (support/file_kinds.h makes each thing as the
// system does); rows that need root, or something the system lacks, skip cleanly.
#include "base/file_save.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>

#include "support/fifo_file.h"
#include "support/file_kinds.h"

namespace {

namespace fs = std::filesystem;
namespace files = zotpx::test::files;

const std::string kOld = "old bytes";
const std::string kNew = "the new bytes\n";

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Write(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

enum class Saver { Me, Nobody };

struct SaveCase {
  const char* name;
  Saver saver;
  // Makes what the save meets in `dir`; returns the name the save is given, relative to it or
  // absolute, or "" when it cannot be made here (on this system, or without root on Linux).
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

// What a row made that outlives its `make`: a pipe (gone with its object), a device's name.
std::unique_ptr<zotpx::test::FifoFile> g_fifo;
std::string g_device;

const SaveCase kCases[] = {
    {"NewFileComesAsTheSystemMakesNewFiles", Saver::Me, [](const fs::path&) { return "out"; }, true,
     [](const fs::path& dir) {
       EXPECT_EQ(Read(dir / "out"), kNew);
       EXPECT_TRUE(files::LooksNew(dir / "out"));
     }},
    {"RegularFileIsReplacedAndKeepsItsModeOrAttributes", Saver::Me,
     [](const fs::path& dir) {
       Write(dir / "out", kOld);
       return files::Mark(dir / "out") ? "out" : "";
     },
     true,
     [](const fs::path& dir) {
       EXPECT_EQ(Read(dir / "out"), kNew);
       EXPECT_TRUE(files::Marked(dir / "out"));
     }},
    {"LinkIsFollowedAndStays", Saver::Me,
     [](const fs::path& dir) {
       Write(dir / "out", kOld);
       return files::Mark(dir / "out") && files::MakeLink("out", dir / "link") ? "link" : "";
     },
     true,
     [](const fs::path& dir) {
       EXPECT_TRUE(files::IsLink(dir / "link"));
       EXPECT_EQ(Read(dir / "out"), kNew);
       EXPECT_TRUE(files::Marked(dir / "out"));
     }},
    {"ChainOfRelativeLinksEndsAtTheFileAndTheTemporaryFileSitsBesideIt", Saver::Me,
     [](const fs::path& dir) {
       fs::create_directories(dir / "sub" / "deep");
       Write(dir / "sub" / "deep" / "out", kOld);
       if (!files::MakeLink("sub/b", dir / "a") || !files::MakeLink("deep/out", dir / "sub" / "b"))
         return "";
       // Beside the link the real target's folder cannot be written: the save must not care.
       files::LockFolder(dir);
       return "a";
     },
     true,
     [](const fs::path& dir) {
       files::UnlockFolder(dir);
       EXPECT_TRUE(files::IsLink(dir / "a") && files::IsLink(dir / "sub" / "b"));
       EXPECT_EQ(Read(dir / "sub" / "deep" / "out"), kNew);
     }},
    {"DanglingLinkCreatesTheFileItNames", Saver::Me,
     [](const fs::path& dir) {
       fs::create_directory(dir / "sub");
       return files::MakeLink("sub/new.bin", dir / "link") ? "link" : "";
     },
     true,
     [](const fs::path& dir) {
       EXPECT_TRUE(files::IsLink(dir / "link"));
       EXPECT_EQ(Read(dir / "sub" / "new.bin"), kNew);
     }},
    {"LoopOfLinksIsRefused", Saver::Me,
     [](const fs::path& dir) {
       return files::MakeLink("b", dir / "a") && files::MakeLink("a", dir / "b") ? "a" : "";
     },
     false, [](const fs::path& dir) { EXPECT_TRUE(files::IsLink(dir / "a")); }},
    {"FifoOrPipeIsRefusedWithoutWaitingForAReader", Saver::Me,
     [](const fs::path&) {
       g_fifo = std::make_unique<zotpx::test::FifoFile>();
       return g_fifo->made() ? g_fifo->path() : "";
     },
     false, [](const fs::path&) { g_fifo.reset(); }},
    {"DeviceLikeDevNullIsRefused", Saver::Me,
     [](const fs::path& dir) {
       g_device = files::MakeDevice(dir);
       return g_device.empty() || !files::MakeLink(g_device, dir / "link") ? g_device : "link";
     },
     false, [](const fs::path& dir) { EXPECT_TRUE(files::IsDevice(dir / g_device)); }},
    {"FolderIsRefused", Saver::Me,
     [](const fs::path& dir) {
       fs::create_directory(dir / "folder");
       return "folder";
     },
     false, [](const fs::path& dir) { EXPECT_TRUE(fs::is_directory(dir / "folder")); }},
    {"SocketIsRefused", Saver::Me, [](const fs::path& dir) { return files::MakeSocket(dir); },
     false, [](const fs::path& dir) { EXPECT_TRUE(fs::is_socket(dir / "sock")); }},
    {"ReadOnlyFolderIsRefusedWithTheFileAsItWas", Saver::Nobody,
     [](const fs::path& dir) {
       fs::create_directory(dir / "ro");
       Write(dir / "ro" / "out", kOld);
       fs::permissions(dir / "ro" / "out", fs::perms::all, fs::perm_options::add);
       return files::LockFolder(dir / "ro") ? "ro/out" : "";
     },
     false, Unchanged("ro/out")},
    {"ReadOnlyFileIsRefused", Saver::Nobody,
     [](const fs::path& dir) {
       Write(dir / "out", kOld);
       files::MakeReadOnly(dir / "out");
       return "out";
     },
     false, Unchanged("out")},
    {"HardLinkedFileIsWrittenInPlaceSoEveryNameSeesIt", Saver::Me,
     [](const fs::path& dir) {
       Write(dir / "out", kOld + kOld + kOld);  // longer than the new bytes
       fs::create_hard_link(dir / "out", dir / "other");
       return files::Mark(dir / "out") ? "out" : "";
     },
     true,
     [](const fs::path& dir) {
       EXPECT_EQ(Read(dir / "out"), kNew);
       EXPECT_EQ(Read(dir / "other"), kNew);
       EXPECT_TRUE(fs::equivalent(dir / "out", dir / "other"));
       EXPECT_TRUE(files::Marked(dir / "out"));
     }},
    {"OwnerAndGroupStayWhenRootSaves", Saver::Me,
     [](const fs::path& dir) {
       Write(dir / "out", kOld);
       return files::SetOwnerAndMode(dir / "out", files::kNobody, files::kNoGroup, 0640) ? "out"
                                                                                         : "";
     },
     true,
     [](const fs::path& dir) {
       const files::Ownership now = files::OwnershipOf(dir / "out");
       EXPECT_EQ(Read(dir / "out"), kNew);
       EXPECT_EQ(now.owner, files::kNobody);
       EXPECT_EQ(now.group, files::kNoGroup);
       EXPECT_EQ(now.mode, 0640u);
     }},
    {"AnotherUsersFileBecomesTheSaversKeepingAGroupTheSaverIsIn", Saver::Nobody,
     [](const fs::path& dir) {
       // Set-user and set-group bits: the first goes with the owner, the second stays with
       // the group it was for.
       Write(dir / "out", kOld);
       return files::SetOwnerAndMode(dir / "out", 0, files::kOtherGroup, 06666) ? "out" : "";
     },
     true,
     [](const fs::path& dir) {
       const files::Ownership now = files::OwnershipOf(dir / "out");
       EXPECT_EQ(Read(dir / "out"), kNew);
       EXPECT_EQ(now.owner, files::kNobody);
       EXPECT_EQ(now.group, files::kOtherGroup);
       EXPECT_EQ(now.mode, 02666u);
     }},
};

class FileSaveTest : public ::testing::TestWithParam<SaveCase> {
 protected:
  FileSaveTest() : dir_(files::MakeTemporaryFolder()) {}
  ~FileSaveTest() override { files::RemoveFolder(dir_); }

  bool Save(const SaveCase& c, const std::string& path) {
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(kNew.data()),
                                              kNew.size());
    const auto save = [&] { return zotpx::WriteWholeFile(path, bytes); };
    if (c.saver == Saver::Me) return save();
    fs::permissions(dir_, fs::perms::all, fs::perm_options::add);
    return files::SaveAsNobody(save);
  }

  fs::path dir_;
};

TEST_P(FileSaveTest, SaveMeetsWhatIsThere) {
  const SaveCase& c = GetParam();
  const std::string name = c.make(dir_);
  if (name.empty()) GTEST_SKIP() << "this system cannot make what the case needs";
  EXPECT_EQ(Save(c, (dir_ / name).string()), c.saved);
  c.check(dir_);
  files::UnlockFolder(dir_);
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(dir_))
    EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos)
        << "left behind: " << entry.path();
}

INSTANTIATE_TEST_SUITE_P(Targets, FileSaveTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<SaveCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
