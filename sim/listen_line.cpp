// The simulator's line over TCP: one client at a time, its bytes as they are (raw) or in Telnet
// with RFC 2217's serial-port control, the way a serial server in front of the device would
// serve it. The rate a Telnet client sets is the line's rate; a raw client's line runs at the
// device's own.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <utility>

#include "base/device_model.h"
#include "base/socket.h"
#include "line.h"
#include "serial/port_url.h"
#include "serial/telnet.h"

namespace zotpx::sim {
namespace {

using Clock = std::chrono::steady_clock;
using telnet::ComPort;

// How often a wait looks at the listener for a new client and at Wake: the socket seam waits
// on one socket at a time.
constexpr int kSliceMs = 5;
// How long a client may leave the device's replies unread before it is dropped.
constexpr int kSendMs = 2000;

const char kBusy[] = "zotpx-sim: the device is in use by another client\r\n";

// The serial line's settings and modem lines as a client sets and asks them with SET-CONTROL.
struct Control {
  std::uint8_t outbound = telnet::kControlNoFlow;  // 1 none, 2 XON/XOFF, 3 hardware, 17-19
  std::uint8_t inbound = 14;                       // 14 none, 15 XON/XOFF, 16 hardware
  bool brk = false;
  bool dtr = true;  // a serial port raises both when it opens
  bool rts = true;

  // The answer to one SET-CONTROL value: a request is answered with the setting, a setting
  // with itself once taken.
  std::uint8_t Answer(std::uint8_t value) {
    switch (value) {
      case 0:
        return outbound;
      case 4:
        return brk ? 5 : 6;
      case 7:
        return dtr ? 8 : 9;
      case 10:
        return rts ? 11 : 12;
      case 13:
        return inbound;
      case 1:
      case 2:
      case 3:
      case 17:
      case 18:
      case 19:
        return outbound = value;
      case 5:
      case 6:
        brk = value == 5;
        return value;
      case 8:
      case 9:
        dtr = value == 8;
        return value;
      case 11:
      case 12:
        rts = value == 11;
        return value;
      case 14:
      case 15:
      case 16:
        return inbound = value;
      default:
        return outbound;  // a value we do not know changes nothing
    }
  }
};

class ListenLine final : public Line {
 public:
  ListenLine(const DeviceConfig& config, PurgeHandler purge)
      : host_(config.listen_host.empty() ? "127.0.0.1" : config.listen_host),
        port_(config.listen_port),
        mode_(config.listen_mode),
        baud_(config.baud),
        signature_("zotpx-sim " + std::string(ModelName(config.model))),
        purge_(std::move(purge)) {}
  ~ListenLine() override { Close(); }

  bool Open(std::string& error) override;
  void Close() override;
  std::string Where() const override;
  Ready Wait(std::chrono::nanoseconds timeout, bool want_write) override;
  void Wake() override { woken_ = true; }
  long Read(std::uint8_t* buffer, std::size_t count, int& rate) override;
  std::size_t Write(const std::uint8_t* data, std::size_t count) override;
  bool HangUp() override {
    Drop();
    return false;
  }

 private:
  void Welcome(SocketHandle client);
  void Drop();
  // Takes what came from the client into input_: data, and the Telnet it answers.
  void Take(const std::uint8_t* wire, std::size_t count);
  void StartTelnet();
  void Handle(const telnet::ComPortMessage& message);
  void Answer(ComPort command, std::uint32_t value);
  void Send(const Bytes& wire);

  const std::string host_;
  int port_;
  const ListenMode mode_;
  const int baud_;
  const std::string signature_;
  const PurgeHandler purge_;
  SocketHandle listener_ = kNoSocket;
  std::atomic<bool> woken_{false};

  // The client's session.
  SocketHandle client_ = kNoSocket;
  enum class Speech { Unknown, Raw, Telnet } speech_ = Speech::Unknown;
  telnet::Reader reader_;
  telnet::Options options_{{}, {}};
  Bytes input_;
  std::uint32_t rate_ = 0;
  std::uint8_t datasize_ = telnet::kDatasize8;
  std::uint8_t parity_ = telnet::kParityNone;
  std::uint8_t stopsize_ = telnet::kStopsize1;
  Control control_;
  bool suspended_ = false;
  bool resumed_ = false;  // what the device held back may go now
};

bool ListenLine::Open(std::string& error) {
  if (listener_ != kNoSocket) return true;
  SocketFailure failure;
  int bound = 0;
  listener_ = ListenSocket(host_, port_, bound, failure);
  if (listener_ == kNoSocket) {
    error = "cannot listen at " + HostPortText(host_, port_) +
            (failure.detail.empty() ? "" : ": " + failure.detail);
    return false;
  }
  port_ = bound;  // a restart listens at the same port, also when any free one was asked for
  return true;
}

void ListenLine::Close() {
  Drop();
  CloseSocket(listener_);
  listener_ = kNoSocket;
}

std::string ListenLine::Where() const {
  return (mode_ == ListenMode::Raw ? "tcp://" : "rfc2217://") + HostPortText(host_, port_);
}

void ListenLine::Welcome(SocketHandle client) {
  client_ = client;
  speech_ = mode_ == ListenMode::Raw ? Speech::Raw : Speech::Unknown;
  input_.clear();
  rate_ = static_cast<std::uint32_t>(baud_);
  datasize_ = telnet::kDatasize8;
  parity_ = telnet::kParityNone;
  stopsize_ = telnet::kStopsize1;
  control_ = {};
  suspended_ = false;
  // A serial server speaks first; in Auto the client's first byte tells what it speaks.
  if (mode_ == ListenMode::Rfc2217) StartTelnet();
}

void ListenLine::Drop() {
  CloseSocket(client_);
  client_ = kNoSocket;
  input_.clear();
}

void ListenLine::StartTelnet() {
  speech_ = Speech::Telnet;
  reader_ = {};
  options_ = telnet::Options{{telnet::kBinary, telnet::kSuppressGoAhead, telnet::kComPortOption},
                             {telnet::kBinary, telnet::kSuppressGoAhead, telnet::kComPortOption}};
  Bytes asks = options_.Ask(true, telnet::kBinary);
  for (const Bytes& ask :
       {options_.Ask(false, telnet::kBinary), options_.Ask(true, telnet::kSuppressGoAhead),
        options_.Ask(false, telnet::kComPortOption)})
    asks.insert(asks.end(), ask.begin(), ask.end());
  Send(asks);
}

Line::Ready ListenLine::Wait(std::chrono::nanoseconds timeout, bool) {
  const Clock::time_point deadline =
      timeout.count() < 0 ? Clock::time_point::max() : Clock::now() + timeout;
  for (;;) {
    if (woken_.exchange(false)) return {};
    if (!input_.empty()) return {true, false};
    if (std::exchange(resumed_, false)) return {};
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    const int slice = static_cast<int>(std::clamp<long long>(left.count(), 0, kSliceMs));
    SocketFailure failure;
    if (client_ == kNoSocket) {
      const SocketHandle client = AcceptSocket(listener_, slice, failure);
      if (client != kNoSocket) Welcome(client);
    } else {
      std::uint8_t wire[4096];
      const long n = ReceiveSocket(client_, wire, sizeof wire, slice, failure);
      if (n > 0) Take(wire, static_cast<std::size_t>(n));
      if (n < 0) Drop();  // the client left: the next one may come
      if (const SocketHandle other = AcceptSocket(listener_, 0, failure); other != kNoSocket) {
        if (client_ != kNoSocket && SocketAlive(client_)) {
          // Turned away, as a serial server turns a client away from a busy port.
          SendSocket(other, reinterpret_cast<const std::uint8_t*>(kBusy), sizeof kBusy - 1, 100,
                     failure);
          CloseSocket(other);
        } else {
          // One that follows at once on the heels of the last, whose leaving we had not seen.
          Drop();
          Welcome(other);
        }
      }
    }
    if (Clock::now() >= deadline && input_.empty()) return {};
  }
}

void ListenLine::Take(const std::uint8_t* wire, std::size_t count) {
  if (speech_ == Speech::Unknown) {
    if (wire[0] == telnet::kIac)
      StartTelnet();
    else
      speech_ = Speech::Raw;
  }
  if (speech_ == Speech::Raw) {
    input_.insert(input_.end(), wire, wire + count);
    return;
  }
  Bytes data(count);
  data.resize(reader_.Feed(wire, count, data.data()));
  for (const telnet::Event& event : reader_.TakeEvents()) {
    if (const Bytes answer = options_.Answer(event); !answer.empty()) Send(answer);
    if (const auto message = telnet::ParseComPort(event)) Handle(*message);
  }
  input_.insert(input_.end(), data.begin(), data.end());
}

void ListenLine::Answer(ComPort command, std::uint32_t value) {
  Send(telnet::BuildComPort(telnet::ComPortValue(command, value, true)));
}

// Every request answered as a serial server answers it: a setting with the value now in
// force, 0 ("tell me") with the current one.
void ListenLine::Handle(const telnet::ComPortMessage& message) {
  if (message.from_server) return;
  const std::uint32_t value = telnet::ValueOf(message).value_or(0);
  const auto take = [value](std::uint8_t& setting, std::uint32_t low, std::uint32_t high) {
    if (value >= low && value <= high) setting = static_cast<std::uint8_t>(value);
    return setting;
  };
  switch (message.command) {
    case ComPort::Signature:
      // An empty one asks for ours; a text is the client's, and wants no answer.
      if (message.value.empty())
        Send(telnet::BuildComPort(telnet::ComPortSignature(signature_, true)));
      break;
    case ComPort::SetBaudrate:
      if (value > 0) rate_ = value;
      Answer(message.command, rate_);
      break;
    case ComPort::SetDatasize:
      Answer(message.command, take(datasize_, 5, 8));
      break;
    case ComPort::SetParity:
      Answer(message.command, take(parity_, 1, 5));
      break;
    case ComPort::SetStopsize:
      Answer(message.command, take(stopsize_, 1, 3));
      break;
    case ComPort::SetControl:
      Answer(message.command, control_.Answer(static_cast<std::uint8_t>(value)));
      break;
    case ComPort::SetLinestateMask:
    case ComPort::SetModemstateMask:
      // No line or modem state of ours ever changes, so no notice ever follows.
      Answer(message.command, value);
      break;
    case ComPort::PurgeData:
      if (value == telnet::kPurgeReceive || value == telnet::kPurgeBoth) purge_();
      Answer(message.command, value);
      break;
    case ComPort::FlowcontrolSuspend:
      suspended_ = true;
      break;
    case ComPort::FlowcontrolResume:
      resumed_ = suspended_;
      suspended_ = false;
      break;
    case ComPort::NotifyLinestate:
    case ComPort::NotifyModemstate:
      break;  // notices go from the server only
  }
}

long ListenLine::Read(std::uint8_t* buffer, std::size_t count, int& rate) {
  rate = static_cast<int>(rate_);
  const std::size_t n = std::min(count, input_.size());
  std::copy_n(input_.begin(), n, buffer);
  input_.erase(input_.begin(), input_.begin() + static_cast<long>(n));
  return static_cast<long>(n);
}

void ListenLine::Send(const Bytes& wire) {
  if (client_ == kNoSocket || wire.empty()) return;
  SocketFailure failure;
  if (SendSocket(client_, wire.data(), wire.size(), kSendMs, failure) != wire.size()) Drop();
}

std::size_t ListenLine::Write(const std::uint8_t* data, std::size_t count) {
  // Without a client the device talks to no one, as on an unplugged line.
  if (client_ == kNoSocket) return count;
  if (suspended_) return 0;
  if (speech_ != Speech::Telnet) {
    Send(Bytes(data, data + count));
  } else {
    Bytes wire;
    wire.reserve(count + 16);
    telnet::AppendEscaped(wire, data, count);
    Send(wire);
  }
  return count;
}

}  // namespace

std::unique_ptr<Line> MakeListenLine(const DeviceConfig& config, PurgeHandler purge) {
  return std::make_unique<ListenLine>(config, std::move(purge));
}

}  // namespace zotpx::sim
