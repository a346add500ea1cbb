// The simulator's line on Linux: a pseudo-terminal, linked as COMn in the user's port folder
// while it serves.
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "line.h"
#include "pty_rate.h"
#include "serial/port.h"
#include "serial/port_name.h"

namespace zotpx::sim {
namespace {

void CloseFd(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

std::string ErrnoText(const std::string& what) {
  return what + ": " + std::strerror(errno);
}

// The tool refuses a port folder that is not ours or is open to others: make it private.
bool MakePrivateFolder(const std::string& folder, std::string& error) {
  for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
    const std::string part = folder.substr(0, slash);
    if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
      return error = ErrnoText("create " + part), false;
    }
    if (slash == std::string::npos) return true;
  }
}

class PtyLine final : public Line {
 public:
  explicit PtyLine(std::string link_name) : link_name_(std::move(link_name)) {}
  ~PtyLine() override {
    Close();
    Release();
  }

  bool Open(std::string& error) override;
  void Close() override;
  void Release() override;
  std::string Where() const override { return path_; }
  Ready Wait(std::chrono::nanoseconds timeout, bool want_write) override;
  void Wake() override;
  long Read(std::uint8_t* buffer, std::size_t count, int& rate) override;
  std::size_t Write(const std::uint8_t* data, std::size_t count) override;
  bool HangUp() override;

 private:
  bool OpenPty(std::string& error);
  bool HoldName(const std::string& folder, const std::string& name, std::string& error);
  bool MakeLink(std::string& error);
  void RemoveLink();

  const std::string link_name_;
  std::string path_;
  std::string link_;
  int name_lock_ = -1;  // the COMn name is ours while this lock is held (HoldName)
  std::string name_lock_path_;
  int master_ = -1;
  int slave_ = -1;  // held open so the line stays up between the host's opens
  int wake_ = -1;
};

bool PtyLine::OpenPty(std::string& error) {
  master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (master_ < 0) return error = ErrnoText("posix_openpt"), false;
  char name[PATH_MAX];
  if (grantpt(master_) != 0 || unlockpt(master_) != 0 ||
      ptsname_r(master_, name, sizeof name) != 0) {
    error = ErrnoText("pty set-up");
    return CloseFd(master_), false;
  }
  path_ = name;
  slave_ = open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (slave_ < 0) {
    error = ErrnoText("open " + path_);
    return CloseFd(master_), false;
  }
  // Raw from the start: the settings a host restores at close must not echo our replies back.
  termios tio{};
  if (tcgetattr(slave_, &tio) == 0) {
    cfmakeraw(&tio);
    tcsetattr(slave_, TCSANOW, &tio);
  }
  return true;
}

// Two simulators with one COMn name would take the link from each other, and the first to end
// would remove the other's. The name is held by a lock on ".COMn.lock" beside the link, for the
// simulator's whole life (across a hang-up and its new pty too); the lock goes with the process,
// so the name of a simulator that was killed is free again.
bool PtyLine::HoldName(const std::string& folder, const std::string& name, std::string& error) {
  if (name_lock_ >= 0) return true;
  const std::string file = folder + "/." + name + ".lock";
  for (;;) {
    const int fd = open(file.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return error = ErrnoText("open " + file), false;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
      char holder[32] = {};
      (void)!pread(fd, holder, sizeof holder - 1, 0);
      close(fd);
      const std::string pid(holder, strcspn(holder, "\n"));
      error = name + " is in use by another simulator" +
              (pid.empty() ? std::string() : " (process " + pid + ")") +
              "; give this one another name";
      return false;
    }
    // Its last holder may have removed the file between our open and our lock: lock anew.
    struct stat held {
    }, now{};
    if (fstat(fd, &held) == 0 && stat(file.c_str(), &now) == 0 && held.st_dev == now.st_dev &&
        held.st_ino == now.st_ino) {
      const std::string pid = std::to_string(getpid()) + "\n";
      if (ftruncate(fd, 0) == 0) (void)!pwrite(fd, pid.data(), pid.size(), 0);
      name_lock_ = fd;
      name_lock_path_ = file;
      return true;
    }
    close(fd);
  }
}

// Removed while still locked, so that no one else can hold a file that is gone.
void PtyLine::Release() {
  if (name_lock_ < 0) return;
  unlink(name_lock_path_.c_str());
  CloseFd(name_lock_);
}

bool PtyLine::MakeLink(std::string& error) {
  if (link_name_.empty()) return true;
  // Only a name the tool's own "COMn" reaches, spelt as it looks it up.
  const PortName name = ParsePortName(link_name_);
  if (name.kind != PortName::Kind::Com) {
    return error = "not a port name: " + link_name_ + " (COM1 ... COM256)", false;
  }
  const std::string folder = PortFolder();
  if (!MakePrivateFolder(folder, error)) return false;
  if (!HoldName(folder, name.text, error)) return false;
  const std::string target = folder + "/" + name.text;
  struct stat st {};
  if (lstat(target.c_str(), &st) == 0) {
    if (!S_ISLNK(st.st_mode) || st.st_uid != geteuid()) {
      return error = target + " exists and is not a link of ours", false;
    }
    if (unlink(target.c_str()) != 0) return error = ErrnoText("unlink " + target), false;
  }
  if (symlink(path_.c_str(), target.c_str()) != 0)
    return error = ErrnoText("link " + target), false;
  link_ = target;
  return true;
}

// Only our own link: another simulator may have taken the name over meanwhile.
void PtyLine::RemoveLink() {
  if (link_.empty()) return;
  char buffer[PATH_MAX];
  const ssize_t n = readlink(link_.c_str(), buffer, sizeof buffer - 1);
  if (n >= 0 && std::string(buffer, static_cast<std::size_t>(n)) == path_) unlink(link_.c_str());
  link_.clear();
}

bool PtyLine::Open(std::string& error) {
  wake_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (wake_ < 0) return error = ErrnoText("eventfd"), false;
  if (!OpenPty(error) || !MakeLink(error)) {
    Close();
    return false;
  }
  return true;
}

void PtyLine::Close() {
  RemoveLink();
  CloseFd(slave_);
  CloseFd(master_);
  CloseFd(wake_);
}

Line::Ready PtyLine::Wait(std::chrono::nanoseconds timeout, bool want_write) {
  const bool line = master_ >= 0;
  pollfd fds[2] = {{wake_, POLLIN, 0}, {master_, short(POLLIN | (want_write ? POLLOUT : 0)), 0}};
  timespec storage{};
  const long long ns = timeout.count();
  if (ns >= 0) storage = {static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
  if (ppoll(fds, line ? 2 : 1, ns >= 0 ? &storage : nullptr, nullptr) < 0) return {};
  if (fds[0].revents & POLLIN) {
    std::uint64_t count;
    (void)!read(wake_, &count, sizeof count);
  }
  Ready ready;
  if (!line) return ready;
  ready.input = fds[1].revents & POLLIN;
  // Someone hung the line up under us.
  ready.gone = !ready.input && (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL));
  return ready;
}

void PtyLine::Wake() {
  const std::uint64_t one = 1;
  if (wake_ >= 0) (void)!write(wake_, &one, sizeof one);
}

long PtyLine::Read(std::uint8_t* buffer, std::size_t count, int& rate) {
  const ssize_t n = read(master_, buffer, count);
  rate = HostLineRate(master_);
  return n;
}

std::size_t PtyLine::Write(const std::uint8_t* data, std::size_t count) {
  const ssize_t n = master_ >= 0 ? write(master_, data, count) : -1;
  return n > 0 ? static_cast<std::size_t>(n) : 0;  // none: the host is not reading
}

// The host sees the line drop; the pty and its path are gone for good.
bool PtyLine::HangUp() {
  CloseFd(slave_);
  CloseFd(master_);
  return true;
}

}  // namespace

std::unique_ptr<Line> MakePtyLine(const DeviceConfig& config) {
  return std::make_unique<PtyLine>(config.link_name);
}

void PrepareServingThread() {
  // Paced replies are timed to the microsecond; the default 50 µs of timer slack per wake-up
  // would add up over a download's two thousand requests.
  (void)prctl(PR_SET_TIMERSLACK, 1UL);
}

}  // namespace zotpx::sim
