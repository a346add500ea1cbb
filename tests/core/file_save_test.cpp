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

using zotpx::SaveProblem;

enum class Saver { Me, Nobody, SmallDisk };

struct SaveCase {
  const char* name;
  Saver saver;
  // Makes what the save meets in `dir`; returns the name the save is given, relative to it or
  // absolute, or "" when it cannot be made here (on this system, or without root on Linux).
  std::function<std::string(const fs::path& dir)> make;
  SaveProblem problem;  // why it is refused, or None
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

fs::path Utf8Path(const std::string& name) {
  return fs::path(std::u8string(name.begin(), name.end()));
}

// 84 characters of three bytes each: 252 of the 255 bytes a Linux name may have.
std::string LongChineseName() {
  std::string name;
  for (int i = 0; i < 84; ++i) name += "字";
  return name;
}

// A save's result as a child process can return it.
int Code(const zotpx::SaveResult& result) {
  return static_cast<int>(result.problem) + 20 * static_cast<int>(result.file);
}

// What a row made that outlives its `make`: a pipe (gone with its object), a device's name.
std::unique_ptr<zotpx::test::FifoFile> g_fifo;
std::string g_device;

const SaveCase kCases[] = {
    {"NewFileComesAsTheSystemMakesNewFiles", Saver::Me, [](const fs::path&) { return "out"; },
     SaveProblem::None,
     [](const fs::path& dir) {
       EXPECT_EQ(Read(dir / "out"), kNew);
       EXPECT_TRUE(files::LooksNew(dir / "out"));
     }},
    {"RegularFileIsReplacedAndKeepsItsModeOrAttributes", Saver::Me,
     [](const fs::path& dir) {
       Write(dir / "out", kOld);
       return files::Mark(dir / "out") ? "out" : "";
     },
     SaveProblem::None,
     [](const fs::path& dir) {
       EXPECT_EQ(Read(dir / "out"), kNew);
       EXPECT_TRUE(files::Marked(dir / "out"));
     }},
    {"LinkIsFollowedAndStays", Saver::Me,
     [](const fs::path& dir) {
       Write(dir / "out", kOld);
       return files::Mark(dir / "out") && files::MakeLink("out", dir / "link") ? "link" : "";
     },
     SaveProblem::None,
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
     SaveProblem::None,
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
     SaveProblem::None,
     [](const fs::path& dir) {
       EXPECT_TRUE(files::IsLink(dir / "link"));
       EXPECT_EQ(Read(dir / "sub" / "new.bin"), kNew);
     }},
    {"LoopOfLinksIsRefused", Saver::Me,
     [](const fs::path& dir) {
       return files::MakeLink("b", dir / "a") && files::MakeLink("a", dir / "b") ? "a" : "";
     },
     SaveProblem::LinkLoop, [](const fs::path& dir) { EXPECT_TRUE(files::IsLink(dir / "a")); }},
    {"FifoOrPipeIsRefusedWithoutWaitingForAReader", Saver::Me,
     [](const fs::path&) {
       g_fifo = std::make_unique<zotpx::test::FifoFile>();
       return g_fifo->made() ? g_fifo->path() : "";
     },
     SaveProblem::NotRegularFile, [](const fs::path&) { g_fifo.reset(); }},
    {"DeviceLikeDevNullIsRefused", Saver::Me,
     [](const fs::path& dir) {
       g_device = files::MakeDevice(dir);
       return g_device.empty() || !files::MakeLink(g_device, dir / "link") ? g_device : "link";
     },
     SaveProblem::NotRegularFile,
     [](const fs::path& dir) { EXPECT_TRUE(files::IsDevice(dir / g_device)); }},
    {"FolderIsRefused", Saver::Me,
     [](const fs::path& dir) {
       fs::create_directory(dir / "folder");
       return "folder";
     },
     SaveProblem::NotRegularFile,
     [](const fs::path& dir) { EXPECT_TRUE(fs::is_directory(dir / "folder")); }},
    {"SocketIsRefused", Saver::Me, [](const fs::path& dir) { return files::MakeSocket(dir); },
     SaveProblem::NotRegularFile,
     [](const fs::path& dir) { EXPECT_TRUE(fs::is_socket(dir / "sock")); }},
    {"ReadOnlyFolderIsRefusedWithTheFileAsItWas", Saver::Nobody,
     [](const fs::path& dir) {
       fs::create_directory(dir / "ro");
       Write(dir / "ro" / "out", kOld);
       fs::permissions(dir / "ro" / "out", fs::perms::all, fs::perm_options::add);
       return files::LockFolder(dir / "ro") ? "ro/out" : "";
     },
     SaveProblem::NoPermission, Unchanged("ro/out")},
    {"ReadOnlyFileIsRefused", Saver::Nobody,
     [](const fs::path& dir) {
       Write(dir / "out", kOld);
       files::MakeReadOnly(dir / "out");
       return "out";
     },
     SaveProblem::ReadOnly, Unchanged("out")},
    {"HardLinkedFileIsWrittenInPlaceSoEveryNameSeesIt", Saver::Me,
     [](const fs::path& dir) {
       Write(dir / "out", kOld + kOld + kOld);  // longer than the new bytes
       fs::create_hard_link(dir / "out", dir / "other");
       return files::Mark(dir / "out") ? "out" : "";
     },
     SaveProblem::None,
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
     SaveProblem::None,
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
     SaveProblem::None,
     [](const fs::path& dir) {
       const files::Ownership now = files::OwnershipOf(dir / "out");
       EXPECT_EQ(Read(dir / "out"), kNew);
       EXPECT_EQ(now.owner, files::kNobody);
       EXPECT_EQ(now.group, files::kOtherGroup);
       EXPECT_EQ(now.mode, 02666u);
     }},
    // The temporary name beside it must still fit the file system's limit on a name.
    {"NameNearTheSystemsLimitIsSaved", Saver::Me,
     [](const fs::path&) { return std::string(250, 'n'); }, SaveProblem::None,
     [](const fs::path& dir) { EXPECT_EQ(Read(dir / std::string(250, 'n')), kNew); }},
    {"ChineseNameNearTheLimitIsSaved", Saver::Me, [](const fs::path&) { return LongChineseName(); },
     SaveProblem::None,
     [](const fs::path& dir) { EXPECT_EQ(Read(dir / Utf8Path(LongChineseName())), kNew); }},
    {"MissingFolderIsSaidSo", Saver::Me, [](const fs::path&) { return "missing/out"; },
     SaveProblem::NoFolder, [](const fs::path& dir) { EXPECT_FALSE(fs::exists(dir / "missing")); }},
    {"FullDiskIsSaidSoWithTheFileAsItWas", Saver::SmallDisk,
     [](const fs::path& dir) {
       Write(dir / "out", kOld);
       return "out";
     },
     SaveProblem::NoSpace, Unchanged("out")},
};

class FileSaveTest : public ::testing::TestWithParam<SaveCase> {
 protected:
  FileSaveTest() : dir_(files::MakeTemporaryFolder()) {}
  ~FileSaveTest() override { files::RemoveFolder(dir_); }

  // The save's Code(), or -1 when this system cannot run it as the case asks.
  int Save(const SaveCase& c, const std::string& path) {
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(kNew.data()),
                                              kNew.size());
    const auto save = [&] { return Code(zotpx::WriteWholeFile(path, bytes)); };
    if (c.saver == Saver::Me) return save();
    if (c.saver == Saver::SmallDisk) return files::SaveOnASmallDisk(4, save);
    fs::permissions(dir_, fs::perms::all, fs::perm_options::add);
    return files::SaveAsNobody(save);
  }

  fs::path dir_;
};

void ExpectNothingLeftBehind(const fs::path& dir) {
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(dir))
    EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos)
        << "left behind: " << entry.path();
}

TEST_P(FileSaveTest, SaveMeetsWhatIsThere) {
  const SaveCase& c = GetParam();
  const std::string name = c.make(dir_);
  if (name.empty()) GTEST_SKIP() << "this system cannot make what the case needs";
  // A FIFO's or a pipe's name (\\.\pipe\...) stands on its own.
  const bool whole = name.front() == '/' || name.rfind("\\\\", 0) == 0;
  const std::u8string path = (whole ? Utf8Path(name) : dir_ / Utf8Path(name)).u8string();
  const int saved = Save(c, std::string(path.begin(), path.end()));
  if (saved < 0) GTEST_SKIP() << "this system cannot save as the case needs";
  EXPECT_EQ(saved, static_cast<int>(c.problem))
      << zotpx::SaveProblemText(static_cast<SaveProblem>(saved)) << " "
      << std::string(path.begin(), path.end());
  c.check(dir_);
  files::UnlockFolder(dir_);
  ExpectNothingLeftBehind(dir_);
}

INSTANTIATE_TEST_SUITE_P(Targets, FileSaveTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<SaveCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace

namespace {

// Several files saved together: all or none, never over what they were made from.
struct BatchCase {
  const char* name;
  // Makes what the save meets; sets the files to save (names in `dir`, each with the new bytes
  // but the last, which gets `last_bytes`) and the inputs.
  std::function<void(const fs::path& dir, std::vector<std::string>& outputs,
                     std::vector<std::string>& inputs)>
      make;
  std::size_t last_bytes;
  bool small_disk;  // no file may grow past 64 bytes
  zotpx::SaveResult result;
  std::function<void(const fs::path& dir)> check;
};

void PrintTo(const BatchCase& c, std::ostream* out) {
  *out << c.name;
}

const BatchCase kBatches[] = {
    {"SecondRefusedLeavesTheFirstAsItWas",
     [](const fs::path& dir, auto& outputs, auto&) {
       Write(dir / "first", kOld);
       fs::create_directory(dir / "folder");
       outputs = {"first", "new", "folder"};
     },
     kNew.size(),
     false,
     {SaveProblem::NotRegularFile, 2},
     [](const fs::path& dir) {
       EXPECT_EQ(Read(dir / "first"), kOld);
       EXPECT_FALSE(fs::exists(dir / "new"));
     }},
    {"OutputThatIsAnInputThroughALinkIsRefused",
     [](const fs::path& dir, auto& outputs, auto& inputs) {
       Write(dir / "in", kOld);
       files::MakeLink("in", dir / "link");
       outputs = {"new", files::IsLink(dir / "link") ? "link" : "in"};
       inputs = {"in"};
     },
     kNew.size(),
     false,
     {SaveProblem::SameAsInput, 1},
     [](const fs::path& dir) {
       EXPECT_EQ(Read(dir / "in"), kOld);
       EXPECT_FALSE(fs::exists(dir / "new"));
     }},
    {"OutputThatIsAnInputByAnotherHardLinkIsRefused",
     [](const fs::path& dir, auto& outputs, auto& inputs) {
       Write(dir / "in", kOld);
       fs::create_hard_link(dir / "in", dir / "other");
       outputs = {"other"};
       inputs = {"in"};
     },
     kNew.size(),
     false,
     {SaveProblem::SameAsInput, 0},
     [](const fs::path& dir) { EXPECT_EQ(Read(dir / "in"), kOld); }},
    {"TwoOutputsThatAreOneNewFileAreRefused",
     [](const fs::path&, auto& outputs, auto&) {
       outputs = {"new", "./new"};
     },
     kNew.size(),
     false,
     {SaveProblem::SameAsOther, 1},
     [](const fs::path& dir) { EXPECT_FALSE(fs::exists(dir / "new")); }},
    // The last file is written in place (it has two names) and fails on the full disk after
    // the first was renamed into place: the first is put back.
    {"FailureAfterTheFirstRenamePutsTheFirstBack",
     [](const fs::path& dir, auto& outputs, auto&) {
       Write(dir / "first", kOld);
       Write(dir / "last", kOld);
       fs::create_hard_link(dir / "last", dir / "other");
       outputs = {"first", "new-first", "last"};
     },
     200,
     true,
     {SaveProblem::NoSpace, 2},
     [](const fs::path& dir) {
       EXPECT_EQ(Read(dir / "first"), kOld);
       EXPECT_FALSE(fs::exists(dir / "new-first"));
     }},
};

class FileBatchTest : public ::testing::TestWithParam<BatchCase> {
 protected:
  FileBatchTest() : dir_(files::MakeTemporaryFolder()) {}
  ~FileBatchTest() override { files::RemoveFolder(dir_); }
  fs::path dir_;
};

TEST_P(FileBatchTest, AllOrNone) {
  const BatchCase& c = GetParam();
  std::vector<std::string> outputs, inputs;
  c.make(dir_, outputs, inputs);
  std::vector<std::string> paths, read;
  for (const std::string& name : outputs) paths.push_back((dir_ / name).string());
  for (const std::string& name : inputs) read.push_back((dir_ / name).string());
  const std::string last(c.last_bytes, 'x');
  std::vector<zotpx::FileToSave> files_to_save;
  for (const std::string& path : paths) {
    const std::string& bytes = path == paths.back() ? last : kNew;
    files_to_save.push_back(
        {path, {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}});
  }
  const auto save = [&] { return Code(zotpx::WriteWholeFiles(files_to_save, read)); };
  const int saved = c.small_disk ? files::SaveOnASmallDisk(64, save) : save();
  if (saved < 0) GTEST_SKIP() << "this system cannot save as the case needs";
  EXPECT_EQ(saved, Code(c.result));
  c.check(dir_);
  ExpectNothingLeftBehind(dir_);
}

INSTANTIATE_TEST_SUITE_P(Saves, FileBatchTest, ::testing::ValuesIn(kBatches),
                         [](const ::testing::TestParamInfo<BatchCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
