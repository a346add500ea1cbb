// What every port does whatever carries its bytes: choosing the transport by the name, the
// hold, the wait for silence after opening, the record of the last failure, and the registry a
// signal handler restores the open lines from.
#include "serial/port.h"

#include <array>
#include <atomic>
#include <chrono>

#include "serial/local_port.h"
#include "serial/network_transport.h"
#include "serial/port_url.h"
#include "serial/tcp_transport.h"

namespace zotpx {

namespace {

// The open lines, for RestorePortsAtOnce: read from a signal handler, so lock-free slots. More
// ports open at once than this are not restored from a handler (their destructors still are).
constexpr int kRegistrySlots = 64;
std::array<std::atomic<Transport*>, kRegistrySlots> g_open_lines{};
static_assert(std::atomic<Transport*>::is_always_lock_free, "read from a signal handler");

int Register(Transport* line) {
  for (int i = 0; i < kRegistrySlots; ++i) {
    Transport* free_slot = nullptr;
    if (g_open_lines[static_cast<std::size_t>(i)].compare_exchange_strong(free_slot, line))
      return i;
  }
  return -1;
}

PortError PortErrorOf(NetError error) {
  switch (error) {
    case NetError::None:
      return PortError::None;
    case NetError::NotResolved:
      return PortError::NotResolved;
    case NetError::Refused:
      return PortError::Refused;
    case NetError::TimedOut:
      return PortError::TimedOut;
    case NetError::Lost:
      return PortError::Lost;
    case NetError::NotRfc2217:
      return PortError::NotRfc2217;
    default:
      return PortError::Io;
  }
}

PortFailure NetworkFailure(const std::string& url, const NetFailure& failure) {
  return PortFailure{PortErrorOf(failure.error), url, NetFailureText(failure), {}};
}

}  // namespace

Port::Port() : FrameBuffer(new std::uint8_t[kFrameBufferSize]()) {}

Port::~Port() {
  CloseNow();
  delete[] FrameBuffer;
}

void Port::CloseNow() {
  if (!PortHandle) return;
  // Out of the registry first: a signal from here on finds the line closing by itself.
  if (slot_ >= 0) g_open_lines[static_cast<std::size_t>(slot_)].store(nullptr);
  slot_ = -1;
  PortHandle.reset();
}

bool Port::Reuse(const std::string& name, int baud) {
  if (!PortHandle || !hold_.on || hold_.name != name || !PortHandle->Alive()) return false;
  if (hold_.baud != baud && !SetRate(baud)) return false;
  PortHandle->Discard();
  return true;
}

bool Port::Open(const std::string& name, int baud) {
  if (Reuse(name, baud)) return true;
  CloseNow();
  failure_ = {};
  far_end_rate_ = false;
  const PortUrl url = ParsePortUrl(name);
  switch (url.kind) {
    case PortUrl::Kind::Invalid:
      failure_ = {PortError::BadName, name, url.reason, {}};
      return false;
    case PortUrl::Kind::Tcp:
    case PortUrl::Kind::Rfc2217: {
      NetFailure net;
      PortHandle = OpenNetworkTransport(url, baud, net);
      if (!PortHandle) {
        failure_ = NetworkFailure(url.text, net);
        return false;
      }
      opened_as_ = url.text;
      far_end_rate_ = url.kind == PortUrl::Kind::Tcp;
      break;
    }
    case PortUrl::Kind::NotUrl:
      PortHandle = OpenLocalTransport(name, baud, failure_, opened_as_);
      if (!PortHandle) return false;
      break;
  }
  slot_ = Register(PortHandle.get());
  FinishOpen(name, baud);
  return true;
}

void Port::FinishOpen(const std::string& name, int baud) {
  hold_.name = name;
  hold_.baud = baud;
  std::uint8_t scratch[256];
  const auto start = std::chrono::steady_clock::now();
  while (std::chrono::steady_clock::now() - start < std::chrono::seconds(1)) {
    if (Read(scratch, sizeof scratch) == 0) break;
  }
}

bool Port::SetRate(int baud) {
  if (!PortHandle || !PortHandle->SetRate(baud)) return false;
  hold_.baud = baud;
  return true;
}

void Port::Close() {
  if (hold_.on && PortHandle && PortHandle->Alive()) return;
  CloseNow();
}

void Port::Hold() {
  hold_.on = true;
}

void Port::Release() {
  hold_.on = false;
  CloseNow();
}

std::size_t Port::Read(std::uint8_t* buffer, std::size_t count) {
  return PortHandle ? PortHandle->Read(buffer, count) : 0;
}

std::size_t Port::Write(const std::uint8_t* buffer, std::size_t count) {
  return PortHandle ? PortHandle->Write(buffer, count) : 0;
}

std::string Port::OpenFailureText() const {
  return zotpx::OpenFailureText(failure_);
}

bool Port::LineLost() {
  if (!PortHandle || PortHandle->Alive()) return false;
  failure_ = {PortError::Lost, opened_as_, {}, {}};
  // However a connection went (reset, closed, a request that timed out on it), it is gone now.
  if (const auto* network = dynamic_cast<const TcpTransport*>(PortHandle.get())) {
    NetFailure lost = network->Failure();
    lost.error = NetError::Lost;
    failure_.detail = NetFailureText(lost);
  }
  return true;
}

void RestorePortsAtOnce() {
  for (const auto& slot : g_open_lines)
    if (Transport* line = slot.load()) line->RestoreAtOnce();
}

std::string PortDeviceKey(const std::string& name) {
  const PortUrl url = ParsePortUrl(name);
  switch (url.kind) {
    case PortUrl::Kind::NotUrl:
      return LocalDeviceKey(name);
    case PortUrl::Kind::Invalid:
      return "name " + name;
    default:
      return "url " + url.text;
  }
}

}  // namespace zotpx
