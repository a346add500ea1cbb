// Telnet (RFC 854, 855) as serial servers speak it, with the serial-port control of RFC 2217
// (COM-PORT-OPTION), for both ends: the client a port opens and the server a simulated device
// runs. Pure: bytes in, bytes and events out. Both directions run in BINARY mode, so data
// bytes pass as they are but for 0xFF, which is doubled (frames carry 0xFF); no CR/NUL
// stuffing, which only an NVT text session wants.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "base/bytes.h"

namespace zotpx::telnet {

constexpr std::uint8_t kIac = 255;
constexpr std::uint8_t kDont = 254;
constexpr std::uint8_t kDo = 253;
constexpr std::uint8_t kWont = 252;
constexpr std::uint8_t kWill = 251;
constexpr std::uint8_t kSb = 250;
constexpr std::uint8_t kSe = 240;

constexpr std::uint8_t kBinary = 0;
constexpr std::uint8_t kEcho = 1;
constexpr std::uint8_t kSuppressGoAhead = 3;
constexpr std::uint8_t kComPortOption = 44;

// Data as it goes on the wire: every 0xFF doubled.
void AppendEscaped(Bytes& wire, const std::uint8_t* data, std::size_t count);
// IAC verb option.
Bytes OptionCommand(std::uint8_t verb, std::uint8_t option);
// IAC SB option payload IAC SE, 0xFF in the payload doubled.
Bytes Subnegotiation(std::uint8_t option, std::span<const std::uint8_t> payload);

struct Event {
  enum class Kind { Will, Wont, Do, Dont, Subnegotiation };
  Kind kind = Kind::Will;
  std::uint8_t option = 0;
  Bytes payload;  // Subnegotiation: what came between the option and IAC SE, 0xFF undoubled

  friend bool operator==(const Event&, const Event&) = default;
};

// Splits what arrives into data and events, in whatever pieces it comes: a sequence may be cut
// anywhere. Other commands (NOP, Are You There, Go Ahead, ...) are dropped, as is the IAC before
// a byte that is no command. A subnegotiation longer than kSubnegotiationLimit is dropped whole
// (counted in Dropped()); one that another command cuts short, without IAC SE, is dropped and
// that command taken.
class Reader {
 public:
  static constexpr std::size_t kSubnegotiationLimit = 256;

  // Decodes `count` bytes from the wire into `data`, which has room for `count` bytes and may
  // be `wire` itself; returns the count of data bytes. Events queue until taken.
  std::size_t Feed(const std::uint8_t* wire, std::size_t count, std::uint8_t* data);
  std::vector<Event> TakeEvents();
  std::size_t Dropped() const { return dropped_; }

 private:
  enum class State { Data, Iac, Verb, SbOption, Sb, SbIac };
  // Takes one byte; true when it is data.
  bool Step(std::uint8_t byte);

  State state_ = State::Data;
  std::uint8_t verb_ = 0;
  Event sub_;
  bool sub_too_long_ = false;
  std::size_t dropped_ = 0;
  std::vector<Event> events_;
};

// Where each option stands on each side, and the answers that keep both ends agreed: RFC 854's
// rules (never acknowledge a state already in force, so no loops) in the shape of RFC 1143's
// Q method, less its queue (neither end here changes its mind mid-negotiation).
class Options {
 public:
  enum class State { No, Yes, Asked };
  // The options this end enables on its own side when asked (WILL), and those it lets the
  // peer enable (DO). Any other is refused.
  Options(std::initializer_list<std::uint8_t> local, std::initializer_list<std::uint8_t> remote);

  // Our own proposal, to enable `option` on our side (WILL) or the peer's (DO); nothing when
  // it is on or asked for already.
  Bytes Ask(bool local, std::uint8_t option);
  // The answer to a WILL, WONT, DO or DONT; nothing when none is due (or for a subnegotiation).
  Bytes Answer(const Event& event);

  State Local(std::uint8_t option) const { return local_[option]; }
  State Remote(std::uint8_t option) const { return remote_[option]; }
  // Whether the peer turned down what we asked for on that side.
  bool Refused(bool local, std::uint8_t option) const {
    return (local ? local_refused_ : remote_refused_)[option];
  }

 private:
  bool local_allowed_[256] = {};
  bool remote_allowed_[256] = {};
  State local_[256] = {};
  State remote_[256] = {};
  bool local_refused_[256] = {};
  bool remote_refused_[256] = {};
};

// COM-PORT-OPTION: the client's requests carry these codes, the server's answers and notices
// the same plus 100.
enum class ComPort : std::uint8_t {
  Signature = 0,
  SetBaudrate = 1,
  SetDatasize = 2,
  SetParity = 3,
  SetStopsize = 4,
  SetControl = 5,
  NotifyLinestate = 6,
  NotifyModemstate = 7,
  FlowcontrolSuspend = 8,
  FlowcontrolResume = 9,
  SetLinestateMask = 10,
  SetModemstateMask = 11,
  PurgeData = 12,
};
constexpr std::uint8_t kServerCode = 100;

// The values this tool uses (0 asks for the current setting, wherever a value is a byte).
constexpr std::uint8_t kDatasize8 = 8;
constexpr std::uint8_t kParityNone = 1;
constexpr std::uint8_t kStopsize1 = 1;
constexpr std::uint8_t kControlNoFlow = 1;
constexpr std::uint8_t kControlDtrOff = 9;
constexpr std::uint8_t kControlRtsOff = 12;
constexpr std::uint8_t kPurgeReceive = 1;  // what the server has from the device, not yet sent
constexpr std::uint8_t kPurgeTransmit = 2;
constexpr std::uint8_t kPurgeBoth = 3;

struct ComPortMessage {
  ComPort command = ComPort::Signature;
  bool from_server = false;
  Bytes value;  // SetBaudrate: 4 bytes, most significant first; Signature: text; the
                // flow-control pair: nothing; the rest: one byte
};

// A message with a number for its value, sized as its command wants (none for the
// flow-control pair); a Signature carries text, so ComPortSignature makes those.
ComPortMessage ComPortValue(ComPort command, std::uint32_t value, bool from_server);
ComPortMessage ComPortSignature(std::string_view text, bool from_server);
// The whole subnegotiation, IAC SB 44 code value IAC SE.
Bytes BuildComPort(const ComPortMessage& message);
// A COM-PORT-OPTION subnegotiation with a known code and a value of its command's size, or
// nothing.
std::optional<ComPortMessage> ParseComPort(const Event& event);
// The number a message carries (the rate, or its one byte); nothing for a Signature or the
// flow-control pair.
std::optional<std::uint32_t> ValueOf(const ComPortMessage& message);

}  // namespace zotpx::telnet
