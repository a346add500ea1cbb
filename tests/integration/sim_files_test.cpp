// The real zotpx-sim's own files: a --video that is no regular file is refused at once (a FIFO
// would hold the start until a writer came), and a --dump that cannot be written (a full disk)
// is said with why, the program ending its own way instead of being killed by the system.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

struct SimFileCase {
  const char* name;
  std::vector<std::string> args;  // "@" stands for the case's folder
  rlim_t file_limit;              // bytes a file may reach; 0: no limit
  bool serves;                    // it starts serving, and is then stopped with SIGTERM
  const char* said;               // on standard error
};

const SimFileCase kCases[] = {
    {"VideoThatIsAFifo", {"--video", "@fifo"}, 0, false, "not a regular file"},
    {"DumpOnAFullDisk",
     {"--dump", "@dump.bin"},
     4096,
     true,
     "cannot write the memory dump @dump.bin: 无法保存文件（磁盘空间不足）"},
};

void PrintTo(const SimFileCase& c, std::ostream* out) {
  *out << c.name;
}

std::string ReadAll(int fd) {
  std::string text;
  char buffer[4096];
  for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;)
    text.append(buffer, static_cast<std::size_t>(n));
  return text;
}

std::string Placed(std::string text, const std::string& dir) {
  for (std::size_t at; (at = text.find('@')) != std::string::npos;) text.replace(at, 1, dir);
  return text;
}

class SimFileTest : public ::testing::TestWithParam<SimFileCase> {};

TEST_P(SimFileTest, RefusedOrSaidWithWhy) {
  const SimFileCase& c = GetParam();
  char name[] = "/tmp/zotpx-sim-files-XXXXXX";
  const std::string dir = std::string(mkdtemp(name)) + "/";
  ASSERT_EQ(mkfifo((dir + "fifo").c_str(), 0644), 0);
  std::vector<std::string> args = {ZOTPX_SIM_PROGRAM, "--model", "ZOT-PA", "--baud", "115200"};
  for (const std::string& arg : c.args) args.push_back(Placed(arg, dir));
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  int out[2], err[2];
  ASSERT_EQ(pipe2(out, O_CLOEXEC), 0);
  ASSERT_EQ(pipe2(err, O_CLOEXEC), 0);
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(out[1], 1);
    dup2(err[1], 2);
    const rlimit limit{c.file_limit, c.file_limit};
    if (c.file_limit != 0 && setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(120);
    alarm(30);  // a start that waits for a writer ends here
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(out[1]);
  close(err[1]);
  if (c.serves) {
    // Its first line is the pty's path: it serves.
    char ch;
    while (read(out[0], &ch, 1) == 1 && ch != '\n') {
    }
    kill(pid, SIGTERM);
  }
  const std::string said = ReadAll(err[0]);
  close(out[0]);
  close(err[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status) << ": " << said;
  EXPECT_EQ(WEXITSTATUS(status), 1) << said;
  EXPECT_NE(said.find(Placed(c.said, dir)), std::string::npos) << said;
  std::filesystem::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(Files, SimFileTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<SimFileCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
