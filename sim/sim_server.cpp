// The device model served on a line (a pty, or TCP) from its own thread, with the line's timing.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <thread>

#include "base/file_save.h"
#include "line.h"
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

}  // namespace

struct SimServer::Impl {
  struct Pending {
    Bytes bytes;
    Clock::time_point due;
    bool hang_up = false;
  };

  explicit Impl(DeviceConfig c) : config(std::move(c)), model(config) {
    line = config.listen ? MakeListenLine(config, [this] { out.clear(); }) : MakePtyLine(config);
  }

  void StopServing();
  void Serve();
  void Receive();
  void Release(Clock::time_point now);
  void Flush();
  void HangUp();
  std::chrono::nanoseconds Timeout(Clock::time_point now) const;

  const DeviceConfig config;
  std::string path;
  std::string error;

  mutable std::mutex mutex;  // guards model, injected, hung_up
  SimulatedDevice model;
  Bytes injected;
  bool hung_up = false;
  bool powered = false;  // the memory is loaded and the device has run its start-up commands
  screen::Picture video = screen::TestCard();

  std::unique_ptr<Line> line;
  bool line_up = false;  // serving thread: the line is there (no hang-up since it opened)
  std::atomic<bool> stop{false};
  std::thread thread;

  // Serving thread only.
  std::deque<Pending> queue;
  Bytes out;
  Clock::time_point rx_clock{};  // when the device's receiver has taken the last byte
  int rx_rate = 0;               // the host's rate then
  Clock::time_point tx_clock{};  // when the device's transmitter is free again
};

// Until the spin before the next reply is due; no limit (negative) when none is waiting.
std::chrono::nanoseconds SimServer::Impl::Timeout(Clock::time_point now) const {
  if (queue.empty()) return Nanos(-1);
  return std::max(Nanos(0),
                  std::chrono::duration_cast<Nanos>(queue.front().due - kSpinMargin - now));
}

void SimServer::Impl::Serve() {
  while (!stop) {
    const Line::Ready ready =
        line->Wait(line_up ? Timeout(Clock::now()) : Nanos(-1), line_up && !out.empty());
    {
      std::lock_guard lock(mutex);
      out.insert(out.end(), injected.begin(), injected.end());
      injected.clear();
    }
    if (stop || !line_up) continue;
    if (ready.input) {
      Receive();
    } else if (ready.gone) {
      HangUp();
      continue;
    }
    if (!queue.empty() && queue.front().due - Clock::now() <= kSpinMargin) {
      SpinUntil(queue.front().due);
    }
    Release(Clock::now());
    if (line_up) Flush();
  }
}

void SimServer::Impl::Receive() {
  std::uint8_t buffer[4096];
  int host_baud = 0;
  const long n = line->Read(buffer, sizeof buffer, host_baud);
  if (n <= 0) return;
  const Clock::time_point now = Clock::now();
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
  for (long i = 0; i < n; ++i) {
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
    const std::size_t n = line->Write(out.data(), out.size());
    if (n == 0) return;  // the host is not reading: wait for room
    out.erase(out.begin(), out.begin() + static_cast<long>(n));
  }
}

// A pty's host sees the line drop, and the pty is gone for good; a TCP client is dropped, and
// the next one may come.
void SimServer::Impl::HangUp() {
  if (config.listen) {
    line->HangUp();
  } else {
    {
      std::lock_guard lock(mutex);
      hung_up = true;  // before the host can see the line drop
    }
    line->HangUp();
    line_up = false;
  }
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
  if (!s.line->Open(s.error)) return false;
  s.path = s.line->Where();
  s.line_up = true;
  {
    std::lock_guard lock(s.mutex);
    s.hung_up = false;
  }
  s.stop = false;
  s.queue.clear();
  s.out.clear();
  s.thread = std::thread([&s] {
    PrepareServingThread();
    s.Serve();
  });
  return true;
}

void SimServer::Stop() {
  impl_->StopServing();
  impl_->line->Release();
}

bool SimServer::Restart() {
  impl_->StopServing();
  return Start();
}

void SimServer::Impl::StopServing() {
  if (!thread.joinable()) return;
  stop = true;
  line->Wake();
  thread.join();
  line->Close();
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
  impl_->line->Wake();
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
