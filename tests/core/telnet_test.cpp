// The Telnet codec serial servers speak: data with 0xFF doubled, commands and subnegotiations
// in any pieces, option negotiation without loops, and COM-PORT-OPTION's bytes on the wire.
#include "serial/telnet.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

namespace telnet = zotpx::telnet;
using zotpx::Bytes;
using Kind = telnet::Event::Kind;

struct Decoded {
  Bytes data;
  std::vector<telnet::Event> events;
  std::size_t dropped = 0;
};

// The wire fed in pieces cut at `cuts` (positions, ascending).
Decoded Decode(const Bytes& wire, const std::vector<std::size_t>& cuts = {}) {
  telnet::Reader reader;
  Decoded out;
  std::size_t from = 0;
  std::vector<std::size_t> ends = cuts;
  ends.push_back(wire.size());
  for (const std::size_t end : ends) {
    Bytes piece(wire.begin() + static_cast<std::ptrdiff_t>(from),
                wire.begin() + static_cast<std::ptrdiff_t>(end));
    const std::size_t n = reader.Feed(piece.data(), piece.size(), piece.data());
    out.data.insert(out.data.end(), piece.begin(), piece.begin() + static_cast<std::ptrdiff_t>(n));
    for (telnet::Event& e : reader.TakeEvents()) out.events.push_back(std::move(e));
    from = end;
  }
  out.dropped = reader.Dropped();
  return out;
}

struct ReaderCase {
  const char* what;
  Bytes wire;
  Bytes data;
  std::vector<telnet::Event> events;
  std::size_t dropped;
};

TEST(TelnetReaderTest, DataCommandsAndSubnegotiationsInAnyPieces) {
  const Bytes long_sub = [] {
    Bytes wire{255, 250, 44, 0};
    wire.insert(wire.end(), telnet::Reader::kSubnegotiationLimit, 'x');
    wire.insert(wire.end(), {255, 240, 0x55});
    return wire;
  }();
  Bytes longest_payload(telnet::Reader::kSubnegotiationLimit, 'y');
  Bytes longest_sub{255, 250, 44};
  longest_sub.insert(longest_sub.end(), longest_payload.begin(), longest_payload.end());
  longest_sub.insert(longest_sub.end(), {255, 240});
  const std::vector<ReaderCase> cases = {
      {"a frame with 0xFF doubled",
       {0x55, 0xAA, 0x10, 0x01, 0xFF, 0xFF, 0x10},
       {0x55, 0xAA, 0x10, 0x01, 0xFF, 0x10},
       {},
       0},
      {"runs of 0xFF", {255, 255, 255, 255, 255, 255}, {255, 255, 255}, {}, 0},
      {"the four verbs",
       {1, 255, 251, 0, 2, 255, 252, 1, 255, 253, 44, 255, 254, 3, 3},
       {1, 2, 3},
       {{Kind::Will, 0, {}}, {Kind::Wont, 1, {}}, {Kind::Do, 44, {}}, {Kind::Dont, 3, {}}},
       0},
      {"NOP, Are You There, Go Ahead, Data Mark, Break ignored",
       {7, 255, 241, 255, 246, 8, 255, 249, 255, 242, 255, 243, 9},
       {7, 8, 9},
       {},
       0},
      {"SE without SB, and IAC before a byte that is no command, ignored",
       {255, 240, 1, 255, 0x41, 2},
       {1, 2},
       {},
       0},
      {"a server's rate answer",
       {255, 250, 44, 101, 0x00, 0x07, 0x08, 0x00, 255, 240},
       {},
       {{Kind::Subnegotiation, 44, {101, 0x00, 0x07, 0x08, 0x00}}},
       0},
      {"0xFF inside a subnegotiation",
       {255, 250, 44, 1, 0x00, 0x01, 255, 255, 255, 255, 255, 240, 0x33},
       {0x33},
       {{Kind::Subnegotiation, 44, {1, 0x00, 0x01, 0xFF, 0xFF}}},
       0},
      {"a subnegotiation cut short by a command",
       {255, 250, 44, 101, 0, 255, 251, 1, 0x44},
       {0x44},
       {{Kind::Will, 1, {}}},
       1},
      {"the longest subnegotiation",
       longest_sub,
       {},
       {{Kind::Subnegotiation, 44, longest_payload}},
       0},
      {"one byte longer dropped, the data after it kept", long_sub, {0x55}, {}, 1},
  };
  for (const ReaderCase& c : cases) {
    SCOPED_TRACE(c.what);
    const Decoded whole = Decode(c.wire);
    EXPECT_EQ(whole.data, c.data);
    EXPECT_EQ(whole.events, c.events);
    EXPECT_EQ(whole.dropped, c.dropped);
    // A sequence split anywhere, and byte by byte, reads the same.
    std::vector<std::size_t> every;
    for (std::size_t cut = 1; cut < c.wire.size(); ++cut) {
      const Decoded split = Decode(c.wire, {cut});
      EXPECT_EQ(split.data, c.data) << "cut at " << cut;
      EXPECT_EQ(split.events, c.events) << "cut at " << cut;
      every.push_back(cut);
    }
    const Decoded bytes = Decode(c.wire, every);
    EXPECT_EQ(bytes.data, c.data);
    EXPECT_EQ(bytes.events, c.events);
  }
}

TEST(TelnetWriterTest, EveryByteValueSurvivesTheWire) {
  Bytes data;
  for (int i = 0; i < 256; ++i) data.push_back(static_cast<std::uint8_t>(i));
  data.insert(data.end(), {0xFF, 0xFF, 0xFF, 0x00, 0xFF});
  Bytes wire;
  telnet::AppendEscaped(wire, data.data(), data.size());
  EXPECT_EQ(wire.size(), data.size() + 5);
  EXPECT_EQ(Decode(wire).data, data);
  EXPECT_TRUE(Decode(wire).events.empty());
}

struct ComPortCase {
  telnet::ComPortMessage message;
  Bytes wire;
};

TEST(ComPortOptionTest, MessagesOnTheWireAndBack) {
  using telnet::ComPort;
  const auto value = [](ComPort command, std::uint32_t v, bool server) {
    return telnet::ComPortValue(command, v, server);
  };
  const std::vector<ComPortCase> cases = {
      {value(ComPort::SetBaudrate, 115200, false),
       {255, 250, 44, 1, 0x00, 0x01, 0xC2, 0x00, 255, 240}},
      {value(ComPort::SetBaudrate, 460800, true),
       {255, 250, 44, 101, 0x00, 0x07, 0x08, 0x00, 255, 240}},
      {value(ComPort::SetBaudrate, 0x0001FFFF, false),
       {255, 250, 44, 1, 0x00, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 255, 240}},
      {value(ComPort::SetBaudrate, 0, false), {255, 250, 44, 1, 0, 0, 0, 0, 255, 240}},
      {value(ComPort::SetDatasize, telnet::kDatasize8, false), {255, 250, 44, 2, 8, 255, 240}},
      {value(ComPort::SetParity, telnet::kParityNone, false), {255, 250, 44, 3, 1, 255, 240}},
      {value(ComPort::SetStopsize, telnet::kStopsize1, true), {255, 250, 44, 104, 1, 255, 240}},
      {value(ComPort::SetControl, telnet::kControlNoFlow, false), {255, 250, 44, 5, 1, 255, 240}},
      {value(ComPort::SetControl, telnet::kControlDtrOff, false), {255, 250, 44, 5, 9, 255, 240}},
      {value(ComPort::SetControl, telnet::kControlRtsOff, true), {255, 250, 44, 105, 12, 255, 240}},
      {value(ComPort::NotifyLinestate, 0x60, true), {255, 250, 44, 106, 0x60, 255, 240}},
      {value(ComPort::NotifyModemstate, 0, true), {255, 250, 44, 107, 0, 255, 240}},
      {value(ComPort::FlowcontrolSuspend, 0, true), {255, 250, 44, 108, 255, 240}},
      {value(ComPort::FlowcontrolResume, 0, false), {255, 250, 44, 9, 255, 240}},
      {value(ComPort::SetModemstateMask, 255, false), {255, 250, 44, 11, 255, 255, 255, 240}},
      {value(ComPort::PurgeData, telnet::kPurgeReceive, false), {255, 250, 44, 12, 1, 255, 240}},
      {value(ComPort::PurgeData, telnet::kPurgeBoth, true), {255, 250, 44, 112, 3, 255, 240}},
      {telnet::ComPortSignature("ser2net", true),
       {255, 250, 44, 100, 's', 'e', 'r', '2', 'n', 'e', 't', 255, 240}},
      {telnet::ComPortSignature("", false), {255, 250, 44, 0, 255, 240}},
  };
  for (const ComPortCase& c : cases) {
    const telnet::ComPortMessage& m = c.message;
    SCOPED_TRACE(::testing::Message()
                 << "code " << int(m.command) << (m.from_server ? "+100" : ""));
    EXPECT_EQ(telnet::BuildComPort(m), c.wire);
    const Decoded decoded = Decode(c.wire);
    ASSERT_EQ(decoded.events.size(), 1u);
    const auto parsed = telnet::ParseComPort(decoded.events[0]);
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(parsed->command, m.command);
    EXPECT_EQ(parsed->from_server, m.from_server);
    EXPECT_EQ(parsed->value, m.value);
    EXPECT_EQ(telnet::ValueOf(*parsed), telnet::ValueOf(m));
  }
  EXPECT_EQ(telnet::ValueOf(value(ComPort::SetBaudrate, 345600, true)), 345600u);
  EXPECT_EQ(telnet::ValueOf(value(ComPort::SetControl, 12, false)), 12u);
  EXPECT_FALSE(telnet::ValueOf(telnet::ComPortSignature("x", true)).has_value());
}

TEST(ComPortOptionTest, MalformedMessagesAreNoMessages) {
  const std::vector<telnet::Event> events = {
      {Kind::Subnegotiation, 44, {101, 0x00, 0x01, 0xC2}},        // a rate of three bytes
      {Kind::Subnegotiation, 44, {102}},                          // a data size without its byte
      {Kind::Subnegotiation, 44, {102, 8, 8}},                    // and with two
      {Kind::Subnegotiation, 44, {108, 0}},                       // suspend carries nothing
      {Kind::Subnegotiation, 44, {13, 1}},                        // no such request
      {Kind::Subnegotiation, 44, {113, 1}},                       // no such answer
      {Kind::Subnegotiation, 44, {}},                             // no code at all
      {Kind::Subnegotiation, 24, {101, 0x00, 0x01, 0xC2, 0x00}},  // another option's
      {Kind::Will, 44, {}},
  };
  for (const telnet::Event& e : events)
    EXPECT_FALSE(telnet::ParseComPort(e).has_value()) << ::testing::PrintToString(e.payload);
}

// One step of a negotiation: what arrives, and what this end answers.
struct Step {
  Kind kind;
  std::uint8_t option;
  Bytes answer;
};

TEST(TelnetOptionsTest, AnswersOnceAndRefusesWhatItDoesNotDo) {
  // A client that wants BINARY both ways and COM-PORT-OPTION, as ser2net greets it.
  telnet::Options options({telnet::kBinary, telnet::kSuppressGoAhead, telnet::kComPortOption},
                          {telnet::kBinary, telnet::kSuppressGoAhead});
  EXPECT_EQ(options.Ask(true, telnet::kBinary), (Bytes{255, 251, 0}));
  EXPECT_EQ(options.Ask(true, telnet::kBinary), Bytes{});
  EXPECT_EQ(options.Ask(true, telnet::kComPortOption), (Bytes{255, 251, 44}));
  const std::vector<Step> steps = {
      {Kind::Will, telnet::kSuppressGoAhead, {255, 253, 3}},  // agreed, and said so once
      {Kind::Will, telnet::kSuppressGoAhead, {}},
      {Kind::Do, telnet::kSuppressGoAhead, {255, 251, 3}},
      {Kind::Will, telnet::kEcho, {255, 254, 1}},  // refused, each time asked
      {Kind::Will, telnet::kEcho, {255, 254, 1}},
      {Kind::Dont, telnet::kEcho, {}},  // off already: no answer
      {Kind::Wont, telnet::kEcho, {}},
      {Kind::Do, telnet::kBinary, {}},  // what we asked for: agreed, no answer
      {Kind::Will, telnet::kBinary, {255, 253, 0}},
      {Kind::Do, 24, {255, 252, 24}},                // terminal type: refused
      {Kind::Dont, telnet::kBinary, {255, 252, 0}},  // switched off: acknowledged
      {Kind::Dont, telnet::kBinary, {}},
      {Kind::Dont, telnet::kComPortOption, {}},  // asked, refused: no answer
      {Kind::Subnegotiation, telnet::kComPortOption, {}},
  };
  for (std::size_t i = 0; i < steps.size(); ++i) {
    SCOPED_TRACE(::testing::Message() << "step " << i);
    EXPECT_EQ(options.Answer({steps[i].kind, steps[i].option, {}}), steps[i].answer);
  }
  using State = telnet::Options::State;
  EXPECT_EQ(options.Local(telnet::kBinary), State::No);
  EXPECT_EQ(options.Remote(telnet::kBinary), State::Yes);
  EXPECT_EQ(options.Remote(telnet::kEcho), State::No);
  EXPECT_TRUE(options.Refused(true, telnet::kComPortOption));
  EXPECT_FALSE(options.Refused(true, telnet::kBinary));
}

// Client and server asking at once, their asks crossing on the wire: both settle on the same
// options in a few messages, and then fall silent.
TEST(TelnetOptionsTest, ClientAndServerAgreeAndFallSilent) {
  telnet::Options client({telnet::kBinary, telnet::kComPortOption}, {telnet::kBinary});
  telnet::Options server({telnet::kBinary, telnet::kSuppressGoAhead},
                         {telnet::kBinary, telnet::kComPortOption});
  Bytes to_server, to_client;
  for (const Bytes& ask : {client.Ask(true, telnet::kBinary), client.Ask(false, telnet::kBinary),
                           client.Ask(true, telnet::kComPortOption)})
    to_server.insert(to_server.end(), ask.begin(), ask.end());
  for (const Bytes& ask :
       {server.Ask(true, telnet::kBinary), server.Ask(false, telnet::kBinary),
        server.Ask(false, telnet::kComPortOption), server.Ask(true, telnet::kSuppressGoAhead)})
    to_client.insert(to_client.end(), ask.begin(), ask.end());
  int messages = 0;
  while ((!to_server.empty() || !to_client.empty()) && messages < 100) {
    Bytes next_to_server, next_to_client;
    for (const telnet::Event& e : Decode(to_server).events) {
      const Bytes answer = server.Answer(e);
      next_to_client.insert(next_to_client.end(), answer.begin(), answer.end());
      ++messages;
    }
    for (const telnet::Event& e : Decode(to_client).events) {
      const Bytes answer = client.Answer(e);
      next_to_server.insert(next_to_server.end(), answer.begin(), answer.end());
      ++messages;
    }
    to_server = next_to_server;
    to_client = next_to_client;
  }
  EXPECT_LE(messages, 8);
  using State = telnet::Options::State;
  EXPECT_EQ(client.Local(telnet::kBinary), State::Yes);
  EXPECT_EQ(server.Remote(telnet::kBinary), State::Yes);
  EXPECT_EQ(client.Remote(telnet::kBinary), State::Yes);
  EXPECT_EQ(server.Local(telnet::kBinary), State::Yes);
  EXPECT_EQ(client.Local(telnet::kComPortOption), State::Yes);
  EXPECT_EQ(server.Remote(telnet::kComPortOption), State::Yes);
  EXPECT_EQ(client.Remote(telnet::kSuppressGoAhead), State::No);
  EXPECT_TRUE(server.Refused(true, telnet::kSuppressGoAhead));
}

}  // namespace
