// The serial port on Linux: termios2 for any integer rate, poll() for the 100 ms read period,
// TIOCEXCL plus flock for exclusive use (root ignores TIOCEXCL, nobody ignores the lock).
#include "serial/local_port.h"

#include <asm/termbits.h>  // termios2, BOTHER; <termios.h> must stay out of this file
#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <linux/serial.h>
#include <poll.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/texts.h"
#include "serial/port_name.h"

namespace zotpx {

namespace {

using Clock = std::chrono::steady_clock;

PortFailure Failure(PortError error, const std::string& path, const std::string& detail = {}) {
  return PortFailure{error, path, detail, {}};
}

std::string HomeDirectory() {
  if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
  return "/";
}

std::string GroupName(gid_t gid) {
  const group* found = getgrgid(gid);
  return found ? found->gr_name : std::to_string(gid);
}

std::string UserName(uid_t uid) {
  const passwd* found = getpwuid(uid);
  return found ? found->pw_name : std::to_string(uid);
}

std::vector<std::uint32_t> SessionGroups() {
  std::vector<std::uint32_t> groups{getegid()};
  const int count = getgroups(0, nullptr);
  std::vector<gid_t> more(static_cast<std::size_t>(std::max(count, 0)));
  const int got = count > 0 ? getgroups(count, more.data()) : 0;
  groups.insert(groups.end(), more.begin(), more.begin() + std::max(got, 0));
  return groups;
}

// The groups the database gives the user now, though perhaps not to this session.
std::vector<std::uint32_t> ListedGroups(uid_t uid) {
  const passwd* user = getpwuid(uid);
  if (!user) return {};
  int count = 64;
  std::vector<gid_t> groups(static_cast<std::size_t>(count));
  if (getgrouplist(user->pw_name, user->pw_gid, groups.data(), &count) < 0) {
    groups.resize(static_cast<std::size_t>(count));
    if (getgrouplist(user->pw_name, user->pw_gid, groups.data(), &count) < 0) return {};
  }
  return {groups.begin(), groups.begin() + count};
}

std::string ProcessName(const std::string& pid) {
  std::ifstream comm("/proc/" + pid + "/comm");
  std::string name;
  std::getline(comm, name);
  return Fill("serial.holder", {name.empty() ? std::string("?") : name, pid});
}

// The process whose lock keeps us out, from /proc/locks ("1: FLOCK  ADVISORY  WRITE pid
// maj:min:inode ..."), or nothing. Others may merely have the device open: a
// simulator keeps its own pty open, for one.
std::string LockHolderOf(const struct stat& device) {
  char wanted[64];
  std::snprintf(wanted, sizeof wanted, "%02x:%02x:%llu", major(device.st_dev), minor(device.st_dev),
                static_cast<unsigned long long>(device.st_ino));
  std::ifstream locks("/proc/locks");
  std::string line;
  while (std::getline(locks, line)) {
    std::istringstream fields(line);
    std::string index, kind, mode, access, pid, id;
    if (!(fields >> index >> kind >> mode >> access >> pid >> id)) continue;
    if (kind == "FLOCK" && id == wanted && std::atoi(pid.c_str()) > 0) return pid;
  }
  return {};
}

// "name，进程 pid" of the lock's holder, else of another open of the same device, when /proc
// tells.
std::string HolderOf(const std::string& path, int own_fd) {
  struct stat device {};
  if (stat(path.c_str(), &device) != 0) return {};
  if (const std::string pid = LockHolderOf(device); !pid.empty()) return ProcessName(pid);
  DIR* proc = opendir("/proc");
  if (!proc) return {};
  std::string holder;
  const pid_t self = getpid();
  while (dirent* entry = readdir(proc)) {
    const pid_t pid = static_cast<pid_t>(std::atoi(entry->d_name));
    if (pid <= 0) continue;
    const std::string fd_dir = "/proc/" + std::string(entry->d_name) + "/fd";
    DIR* fds = opendir(fd_dir.c_str());
    if (!fds) continue;
    while (dirent* fd_entry = readdir(fds)) {
      const int fd = std::atoi(fd_entry->d_name);
      if (fd_entry->d_name[0] == '.' || (pid == self && fd == own_fd)) continue;
      struct stat st {};
      if (stat((fd_dir + "/" + fd_entry->d_name).c_str(), &st) == 0 && S_ISCHR(st.st_mode) &&
          st.st_rdev == device.st_rdev) {
        holder = ProcessName(entry->d_name);
        break;
      }
    }
    closedir(fds);
    if (!holder.empty()) break;
  }
  closedir(proc);
  return holder;
}

bool ApplySettings(int fd, const termios2& settings) {
  return ioctl(fd, TCSETS2, &settings) == 0;
}

void PutRate(termios2& t, int baud) {
  t.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
  t.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
  t.c_ispeed = static_cast<speed_t>(baud);
  t.c_ospeed = static_cast<speed_t>(baud);
}

termios2 WorkingSettings(int baud) {
  termios2 t{};
  t.c_iflag = IGNBRK;  // raw: no CR/LF translation, no XON/XOFF, parity errors not replaced
  t.c_oflag = 0;
  t.c_lflag = 0;  // no echo, no line editing, no signals
  t.c_cflag = CS8 | CREAD | CLOCAL;
  t.c_cc[VMIN] = 0;
  t.c_cc[VTIME] = 0;
  PutRate(t, baud);
  return t;
}

void CloseRaw(int fd) {
  // A pty outlives our close while its other side is open, and would keep the exclusive flag
  // against everybody but root; a real port drops it at the last close anyway.
  (void)ioctl(fd, TIOCNXCL);
  flock(fd, LOCK_UN);
  close(fd);
}

// Waits up to `ms` for the port to become readable. False on time-out or when the line is gone.
bool WaitReadable(int fd, int ms) {
  pollfd p{fd, POLLIN, 0};
  for (;;) {
    const int r = poll(&p, 1, ms);
    if (r < 0 && errno == EINTR) continue;
    return r > 0 && (p.revents & POLLIN);
  }
}

// A "COMn" link is used only where no other user could have planted or changed it.
std::string UnsafeLink(const std::string& folder, const std::string& link, const struct stat& st) {
  struct stat folder_st {};
  if (stat(folder.c_str(), &folder_st) != 0 || folder_st.st_uid != getuid() ||
      (folder_st.st_mode & (S_IWGRP | S_IWOTH)))
    return Fill("serial.folder_unsafe", {folder});
  if (st.st_uid != getuid()) return Fill("serial.link_unsafe", {link});
  return {};
}

}  // namespace

std::string PortFolder() {
  return HomeDirectory() + "/.local/state/zotpx/ports";
}

PortPath ResolvePort(const std::string& name) {
  const PortName parsed = ParsePortName(name);
  if (parsed.kind == PortName::Kind::Invalid)
    return {{}, PortFailure{PortError::BadName, name, parsed.reason, {}}};
  if (parsed.kind == PortName::Kind::Path) return {parsed.text, {}};
  const std::string folder = PortFolder();
  const std::string link = folder + "/" + parsed.text;
  struct stat link_st {};
  if (lstat(link.c_str(), &link_st) != 0)
    return {"/dev/ttyS" + std::to_string(parsed.number - 1), {}};
  if (const std::string unsafe = UnsafeLink(folder, link, link_st); !unsafe.empty())
    return {{}, PortFailure{PortError::Unsafe, link, unsafe, {}}};
  return {link, {}};
}

std::string LocalDeviceKey(const std::string& name) {
  const PortPath port = ResolvePort(name);
  if (port.path.empty()) return "name " + name;
  struct stat st {};
  if (stat(port.path.c_str(), &st) == 0)
    return S_ISCHR(st.st_mode)
               ? "device " + std::to_string(st.st_rdev)
               : "file " + std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
  std::error_code error;
  const std::filesystem::path real = std::filesystem::weakly_canonical(port.path, error);
  return "path " + (error ? port.path : real.string());
}

std::optional<AccessDiagnosis> DiagnoseDeviceAccess(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return std::nullopt;
  const DeviceOwnership device{st.st_mode, st.st_uid, st.st_gid, UserName(st.st_uid),
                               GroupName(st.st_gid)};
  const uid_t uid = geteuid();
  return DiagnoseAccess(device, UserGroups{uid, UserName(uid), SessionGroups(), ListedGroups(uid)});
}

namespace {

// One line open on a device file. Reads fetch what has arrived with one system call and hand it
// out a byte at a time from `received_`.
class LocalTransport final : public Transport {
 public:
  LocalTransport(int fd, const termios2& saved, const termios2& working,
                 const serial_struct& saved_serial, bool serial_changed)
      : fd_(fd),
        saved_(saved),
        working_(working),
        saved_serial_(saved_serial),
        serial_changed_(serial_changed) {}
  ~LocalTransport() override {
    RestoreAtOnce();
    CloseRaw(fd_);
  }
  LocalTransport(const LocalTransport&) = delete;
  LocalTransport& operator=(const LocalTransport&) = delete;

  bool SetRate(int baud) override {
    termios2 next = working_;
    PutRate(next, baud);
    if (!ApplySettings(fd_, next)) {
      (void)ApplySettings(fd_, working_);
      return false;
    }
    working_ = next;
    DelayMicroseconds(2000);
    return true;
  }

  std::size_t Read(std::uint8_t* buffer, std::size_t count) override {
    if (count == 0) return 0;
    std::size_t got = Take(buffer, count);
    if (got == count) return got;
    const auto deadline = Clock::now() + std::chrono::milliseconds(kReadPeriodMs);
    while (got < count) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
      if (left.count() <= 0 || !WaitReadable(fd_, static_cast<int>(left.count()))) break;
      const ssize_t r = read(fd_, received_, sizeof received_);
      begin_ = 0;
      end_ = r > 0 ? static_cast<std::size_t>(r) : 0;
      if (r > 0)
        got += Take(buffer + got, count - got);
      else if (r == 0 || (errno != EAGAIN && errno != EINTR))
        break;
    }
    return got;
  }

  std::size_t Write(const std::uint8_t* buffer, std::size_t count) override {
    const auto deadline = Clock::now() + std::chrono::milliseconds(WriteBoundMs(count));
    std::size_t done = 0;
    while (done < count) {
      const ssize_t w = write(fd_, buffer + done, count - done);
      if (w > 0) {
        done += static_cast<std::size_t>(w);
        continue;
      }
      if (w < 0 && errno != EAGAIN && errno != EINTR) break;
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      if (left.count() <= 0) break;
      pollfd p{fd_, POLLOUT, 0};
      const int r = poll(&p, 1, static_cast<int>(left.count()));
      if (r < 0 && errno == EINTR) continue;  // a signal asks to stop after this frame, not in it
      if (r <= 0 || (p.revents & (POLLERR | POLLHUP))) break;
    }
    return done;
  }

  void Discard() override {
    begin_ = end_ = 0;
    std::uint8_t scratch[256];
    // Bounded: a device that never stops talking must not keep us here.
    for (int i = 0; i < 64 && read(fd_, scratch, sizeof scratch) > 0; ++i) {
    }
  }

  // False once the other end has gone (a pulled adapter, a pty whose device side closed).
  bool Alive() override {
    pollfd p{fd_, 0, 0};
    return poll(&p, 1, 0) == 0 || !(p.revents & (POLLHUP | POLLERR | POLLNVAL));
  }

  // Nothing but ioctls, so that a signal handler may call it.
  void RestoreAtOnce() noexcept override {
    if (serial_changed_) (void)ioctl(fd_, TIOCSSERIAL, &saved_serial_);
    (void)ApplySettings(fd_, saved_);
    (void)ioctl(fd_, TIOCNXCL);
  }

 private:
  std::size_t Take(std::uint8_t* to, std::size_t count) {
    const std::size_t n = std::min(count, end_ - begin_);
    std::memcpy(to, received_ + begin_, n);
    begin_ += n;
    return n;
  }

  const int fd_;
  const termios2 saved_;
  termios2 working_;
  const serial_struct saved_serial_;
  const bool serial_changed_;
  std::uint8_t received_[256];
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
};

}  // namespace

std::unique_ptr<Transport> OpenLocalTransport(const std::string& name, int baud,
                                              PortFailure& failure, std::string& opened) {
  const PortPath port = ResolvePort(name);
  failure = port.failure;
  opened = port.path;
  if (port.path.empty()) return nullptr;
  const std::string& path = port.path;
  const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    const int err = errno;
    if (err == ENOENT || err == ENODEV || err == ENXIO)
      failure = Failure(PortError::NotFound, path);
    else if (err == EACCES || err == EPERM)
      failure = {PortError::Permission, path, {}, DiagnoseDeviceAccess(path)};
    else if (err == EBUSY)
      failure = Failure(PortError::Busy, path, HolderOf(path, -1));
    else
      failure = Failure(PortError::Io, path, std::strerror(err));
    return nullptr;
  }
  if (!isatty(fd)) {
    failure = Failure(PortError::NotSerial, path);
    close(fd);
    return nullptr;
  }
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    failure = Failure(PortError::Busy, path, HolderOf(path, fd));
    close(fd);
    return nullptr;
  }
  if (ioctl(fd, TIOCEXCL) != 0 && errno != ENOTTY && errno != EINVAL) {
    failure = Failure(PortError::Io, path, std::strerror(errno));
    CloseRaw(fd);
    return nullptr;
  }
  termios2 saved{};
  if (ioctl(fd, TCGETS2, &saved) != 0) {
    failure = Failure(PortError::NotSerial, path);
    CloseRaw(fd);
    return nullptr;
  }
  const termios2 working = WorkingSettings(baud);
  if (!ApplySettings(fd, working)) {
    failure = Failure(PortError::Io, path, std::strerror(errno));
    CloseRaw(fd);
    return nullptr;
  }
  // DTR and RTS off; a pty has no modem lines and says so.
  const int lines = TIOCM_DTR | TIOCM_RTS;
  (void)ioctl(fd, TIOCMBIC, &lines);
  // USB adapters otherwise hold every short reply back for up to 16 ms.
  serial_struct saved_serial{};
  bool serial_changed = false;
  if (ioctl(fd, TIOCGSERIAL, &saved_serial) == 0 && !(saved_serial.flags & ASYNC_LOW_LATENCY)) {
    serial_struct low = saved_serial;
    low.flags |= ASYNC_LOW_LATENCY;
    serial_changed = ioctl(fd, TIOCSSERIAL, &low) == 0;
  }
  return std::make_unique<LocalTransport>(fd, saved, working, saved_serial, serial_changed);
}

bool DelayMicroseconds(long long microseconds) {
  if (microseconds <= 0) return true;
  timespec resolution{};
  if (clock_getres(CLOCK_MONOTONIC, &resolution) != 0) return false;
  const auto target = std::chrono::microseconds(microseconds);
  const auto start = Clock::now();
  while (Clock::now() - start <= target) {
  }
  return true;
}

}  // namespace zotpx
