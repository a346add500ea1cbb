// The pty server: the device model behind a pseudo-terminal, served on its own thread.
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>

#include "base/file_save.h"
#include "pty_line.h"
#include "serial/port.h"
#include "serial/port_name.h"
#include "sim_device.h"
#include "simulated_device.h"

namespace zotpx::sim {
namespace {

using Clock = std::chrono::steady_clock;
using Micros = std::chrono::microseconds;
using Nanos = std::chrono::nanoseconds;

// A timed wake-up lands tens of microseconds late (more on a virtual machine); a paced reply
// is slept for up to this much before it is due and spun for the rest, so it leaves on time.
constexpr Micros kSpinMargin(300);

// What a serial driver holds for the line before a host's write has to wait (Linux: a page).
constexpr long long kHostTransmitBuffer = 4096;

// Spins until `due`: the last stretch of a paced reply's wait.
void SpinUntil(Clock::time_point due) {
  while (Clock::now() < due) {
  }
}

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

}  // namespace

struct SimServer::Impl {
  struct Pending {
    Bytes bytes;
    Clock::time_point due;
    bool hang_up = false;
  };

  explicit Impl(DeviceConfig c) : config(std::move(c)), model(config) {}

  bool OpenPty();
  bool HoldName(const std::string& folder, const std::string& name);
  void ReleaseName();
  void StopServing();
  bool MakeLink();
  void RemoveLink();
  void Serve();
  void Receive();
  void Release(Clock::time_point now);
  void Flush();
  void HangUp();
  const timespec* Timeout(Clock::time_point now, timespec& storage) const;

  const DeviceConfig config;
  std::string path;
  std::string link;
  std::string error;

  mutable std::mutex mutex;  // guards model, injected, hung_up
  SimulatedDevice model;
  Bytes injected;
  bool hung_up = false;
  bool powered = false;  // the memory is loaded and the device has run its start-up commands
  screen::Picture video = screen::TestCard();

  int name_lock = -1;  // the COMn name is ours while this lock is held (HoldName)
  std::string name_lock_path;
  int master = -1;
  int slave = -1;  // held open so the line stays up between the host's opens
  int wake = -1;
  std::atomic<bool> stop{false};
  std::thread thread;

  // Serving thread only.
  std::deque<Pending> queue;
  Bytes out;
  Clock::time_point rx_clock{};  // when the device's receiver has taken the last byte
  int rx_rate = 0;               // the host's rate then
  Clock::time_point tx_clock{};  // when the device's transmitter is free again
};

bool SimServer::Impl::OpenPty() {
  master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (master < 0) return error = ErrnoText("posix_openpt"), false;
  char name[PATH_MAX];
  if (grantpt(master) != 0 || unlockpt(master) != 0 || ptsname_r(master, name, sizeof name) != 0) {
    error = ErrnoText("pty set-up");
    return CloseFd(master), false;
  }
  path = name;
  slave = open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (slave < 0) {
    error = ErrnoText("open " + path);
    return CloseFd(master), false;
  }
  // Raw from the start: the settings a host restores at close must not echo our replies back.
  termios tio{};
  if (tcgetattr(slave, &tio) == 0) {
    cfmakeraw(&tio);
    tcsetattr(slave, TCSANOW, &tio);
  }
  return true;
}

// Two simulators with one COMn name would take the link from each other, and the first to end
// would remove the other's. The name is held by a lock on ".COMn.lock" beside the link, for the
// simulator's whole life (across a hang-up and its new pty too); the lock goes with the process,
// so the name of a simulator that was killed is free again.
bool SimServer::Impl::HoldName(const std::string& folder, const std::string& name) {
  if (name_lock >= 0) return true;
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
      name_lock = fd;
      name_lock_path = file;
      return true;
    }
    close(fd);
  }
}

// Removed while still locked, so that no one else can hold a file that is gone.
void SimServer::Impl::ReleaseName() {
  if (name_lock < 0) return;
  unlink(name_lock_path.c_str());
  CloseFd(name_lock);
}

bool SimServer::Impl::MakeLink() {
  if (config.link_name.empty()) return true;
  // Only a name the tool's own "COMn" reaches, spelt as it looks it up.
  const PortName name = ParsePortName(config.link_name);
  if (name.kind != PortName::Kind::Com) {
    return error = "not a port name: " + config.link_name + " (COM1 ... COM256)", false;
  }
  const std::string folder = PortFolder();
  if (!MakePrivateFolder(folder, error)) return false;
  if (!HoldName(folder, name.text)) return false;
  const std::string target = folder + "/" + name.text;
  struct stat st {};
  if (lstat(target.c_str(), &st) == 0) {
    if (!S_ISLNK(st.st_mode) || st.st_uid != geteuid()) {
      return error = target + " exists and is not a link of ours", false;
    }
    if (unlink(target.c_str()) != 0) return error = ErrnoText("unlink " + target), false;
  }
  if (symlink(path.c_str(), target.c_str()) != 0) return error = ErrnoText("link " + target), false;
  link = target;
  return true;
}

// Only our own link: another simulator may have taken the name over meanwhile.
void SimServer::Impl::RemoveLink() {
  if (link.empty()) return;
  char buffer[PATH_MAX];
  const ssize_t n = readlink(link.c_str(), buffer, sizeof buffer - 1);
  if (n >= 0 && std::string(buffer, static_cast<std::size_t>(n)) == path) unlink(link.c_str());
  link.clear();
}

// Until the spin before the next reply is due; null (no limit) when none is waiting.
const timespec* SimServer::Impl::Timeout(Clock::time_point now, timespec& storage) const {
  if (queue.empty()) return nullptr;
  const long long ns = std::max<long long>(
      0, std::chrono::duration_cast<Nanos>(queue.front().due - kSpinMargin - now).count());
  storage = {static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
  return &storage;
}

void SimServer::Impl::Serve() {
  while (!stop) {
    const bool line = master >= 0;
    pollfd fds[2] = {{wake, POLLIN, 0}, {master, short(POLLIN | (out.empty() ? 0 : POLLOUT)), 0}};
    timespec storage{};
    const timespec* timeout = line ? Timeout(Clock::now(), storage) : nullptr;
    if (ppoll(fds, line ? 2 : 1, timeout, nullptr) < 0 && errno != EINTR) break;
    if (fds[0].revents & POLLIN) {
      std::uint64_t count;
      (void)!read(wake, &count, sizeof count);
      std::lock_guard lock(mutex);
      out.insert(out.end(), injected.begin(), injected.end());
      injected.clear();
    }
    if (stop || master < 0) continue;
    if (fds[1].revents & POLLIN) {
      Receive();
    } else if (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) {
      HangUp();  // someone hung the line up under us
      continue;
    }
    if (!queue.empty() && queue.front().due - Clock::now() <= kSpinMargin) {
      SpinUntil(queue.front().due);
    }
    Release(Clock::now());
    if (master >= 0) Flush();
  }
}

void SimServer::Impl::Receive() {
  std::uint8_t buffer[4096];
  const ssize_t n = read(master, buffer, sizeof buffer);
  if (n <= 0) return;
  const Clock::time_point now = Clock::now();
  const int host_baud = HostLineRate(master);
  // Ten bits a byte on the line in pacing mode (to the nanosecond: whole microseconds would
  // run 3 % fast at 460800); all at once otherwise.
  const int rate = host_baud > 0 ? host_baud : config.baud;
  const Nanos byte_time = config.pacing ? Nanos(10000000000LL / rate) : Nanos(0);
  const Micros processing = config.pacing ? Micros(config.processing_us) : Micros(0);
  // The screen's clock is this one in milliseconds (NowMs).
  const long long now_us = std::chrono::duration_cast<Micros>(now.time_since_epoch()).count();

  std::lock_guard lock(mutex);
  // A pty takes what the host writes at once, at any rate, where a real host's write returns
  // with at most its transmit buffer still to go: line time beyond that was never spent, and
  // must not hold later replies back. A new rate starts the line afresh: what was written at
  // the old one has gone by as far as the host knows.
  const Clock::time_point most = now + byte_time * kHostTransmitBuffer;
  if (rate != rx_rate) rx_clock = now;
  rx_rate = rate;
  rx_clock = std::clamp(rx_clock, now, most);
  for (ssize_t i = 0; i < n; ++i) {
    rx_clock = std::min(rx_clock + byte_time, most);
    std::optional<Reply> reply = model.Feed(buffer[i], host_baud, now_us);
    if (!reply) continue;
    const Clock::time_point start =
        std::max(rx_clock + processing + std::chrono::milliseconds(reply->delay_ms), tx_clock);
    tx_clock = start + byte_time * static_cast<long long>(reply->bytes.size());
    queue.push_back({std::move(reply->bytes), tx_clock, reply->hang_up});
  }
  model.FlushTrace();
}

void SimServer::Impl::Release(Clock::time_point now) {
  while (!queue.empty() && queue.front().due <= now) {
    if (queue.front().hang_up) return HangUp();
    out.insert(out.end(), queue.front().bytes.begin(), queue.front().bytes.end());
    queue.pop_front();
  }
}

void SimServer::Impl::Flush() {
  while (!out.empty()) {
    const ssize_t n = write(master, out.data(), out.size());
    if (n <= 0) return;  // the host is not reading: wait for room
    out.erase(out.begin(), out.begin() + n);
  }
}

// The host sees the line drop; the pty and its path are gone for good.
void SimServer::Impl::HangUp() {
  {
    std::lock_guard lock(mutex);
    hung_up = true;  // before the host can see the line drop
  }
  CloseFd(slave);
  CloseFd(master);
  queue.clear();
  out.clear();
}

SimServer::SimServer(DeviceConfig config) : impl_(std::make_unique<Impl>(std::move(config))) {}

SimServer::~SimServer() {
  Stop();
}

bool SimServer::Start() {
  Impl& s = *impl_;
  if (s.thread.joinable()) return true;
  s.error.clear();
  if (!s.powered) {
    std::lock_guard lock(s.mutex);
    if (!s.config.memory_file.empty() && !s.model.OpenMemoryFile(s.config.memory_file, s.error)) {
      return false;
    }
    s.model.PowerOn(NowMs());
    s.powered = true;
  }
  s.wake = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (s.wake < 0) return s.error = ErrnoText("eventfd"), false;
  if (!s.OpenPty() || !s.MakeLink()) {
    CloseFd(s.slave);
    CloseFd(s.master);
    CloseFd(s.wake);
    return false;
  }
  {
    std::lock_guard lock(s.mutex);
    s.hung_up = false;
  }
  s.stop = false;
  s.queue.clear();
  s.out.clear();
  s.thread = std::thread([&s] {
    // Paced replies are timed to the microsecond; the default 50 µs of timer slack per wake-up
    // would add up over a download's two thousand requests.
    (void)prctl(PR_SET_TIMERSLACK, 1UL);
    s.Serve();
  });
  return true;
}

void SimServer::Stop() {
  impl_->StopServing();
  impl_->ReleaseName();
}

bool SimServer::Restart() {
  impl_->StopServing();
  return Start();
}

void SimServer::Impl::StopServing() {
  Impl& s = *this;
  if (!s.thread.joinable()) return;
  s.stop = true;
  const std::uint64_t one = 1;
  (void)!write(s.wake, &one, sizeof one);
  s.thread.join();
  s.RemoveLink();
  CloseFd(s.slave);
  CloseFd(s.master);
  CloseFd(s.wake);
}

const std::string& SimServer::path() const {
  return impl_->path;
}
const std::string& SimServer::error() const {
  return impl_->error;
}

bool SimServer::HungUp() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->hung_up;
}

void SimServer::AddFault(const FaultRule& rule) {
  std::lock_guard lock(impl_->mutex);
  impl_->model.AddFault(rule);
}

void SimServer::ClearFaults() {
  std::lock_guard lock(impl_->mutex);
  impl_->model.ClearFaults();
}

void SimServer::SetIdentifyReply(const Bytes& raw) {
  std::lock_guard lock(impl_->mutex);
  impl_->model.SetIdentifyReply(raw);
}

void SimServer::SetProbeAnswer(int baud, std::uint8_t byte) {
  std::lock_guard lock(impl_->mutex);
  impl_->model.SetProbeAnswer(baud, byte);
}

void SimServer::Inject(const Bytes& bytes) {
  {
    std::lock_guard lock(impl_->mutex);
    impl_->injected.insert(impl_->injected.end(), bytes.begin(), bytes.end());
  }
  const std::uint64_t one = 1;
  if (impl_->wake >= 0) (void)!write(impl_->wake, &one, sizeof one);
}

void SimServer::SetTrace(TraceSink sink) {
  std::lock_guard lock(impl_->mutex);
  impl_->model.SetTrace(std::move(sink));
}

std::vector<Bytes> SimServer::ReceivedFrames() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->model.received();
}

std::size_t SimServer::ReceivedFrameCount() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->model.received().size();
}

void SimServer::ClearReceived() {
  std::lock_guard lock(impl_->mutex);
  impl_->model.ClearReceived();
}

Bytes SimServer::Memory() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->model.memory();
}

std::int64_t SimServer::NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch())
      .count();
}

screen::Picture SimServer::Screen(std::int64_t now_ms) const {
  screen::Picture picture;
  std::lock_guard lock(impl_->mutex);
  impl_->model.screen().Render(now_ms, impl_->video, picture);
  return picture;
}

std::uint64_t SimServer::ScreenRevision() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->model.screen_revision();
}

std::optional<std::int64_t> SimServer::NextScreenChangeMs(std::int64_t now_ms) const {
  std::lock_guard lock(impl_->mutex);
  return impl_->model.screen().NextChangeMs(now_ms);
}

void SimServer::SetVideo(screen::Picture video) {
  std::lock_guard lock(impl_->mutex);
  impl_->video = std::move(video);
}

std::string SimServer::MemoryFileError() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->model.memory_file_error();
}

SaveResult SimServer::DumpMemory(const std::string& file) const {
  return WriteWholeFile(file, Memory());
}

}  // namespace zotpx::sim
