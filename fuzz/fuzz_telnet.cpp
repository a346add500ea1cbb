// The Telnet reader over whatever a network peer sends: it never writes more data than it was
// given, reads the same however the bytes are cut, keeps every subnegotiation within its
// bound, and what it takes for data survives escaping and reading again. Every event gets at
// most one short answer from the negotiation, and a COM-PORT-OPTION message it accepts goes
// back on the wire as the bytes it came from.
//
// Input: one byte, the size of the pieces the rest is fed in (0: the whole at once), then the
// bytes on the wire.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "serial/telnet.h"

namespace {

namespace telnet = zotpx::telnet;
using zotpx::Bytes;

void Check(bool condition) {
  if (!condition) std::abort();
}

struct Read {
  Bytes data;
  std::vector<telnet::Event> events;
  std::size_t dropped = 0;
};

Read Decode(const std::uint8_t* wire, std::size_t size, std::size_t piece) {
  telnet::Reader reader;
  Read out;
  for (std::size_t at = 0; at < size;) {
    const std::size_t n = piece == 0 || size - at < piece ? size - at : piece;
    // Exactly the piece's size, apart from the input: ASan reports a write beyond it.
    auto data = std::make_unique<std::uint8_t[]>(n);
    const std::size_t got = reader.Feed(wire + at, n, data.get());
    Check(got <= n);
    out.data.insert(out.data.end(), data.get(), data.get() + got);
    for (telnet::Event& event : reader.TakeEvents()) out.events.push_back(std::move(event));
    at += n;
  }
  out.dropped = reader.Dropped();
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* input, std::size_t size) {
  if (size < 1) return 0;
  const std::size_t piece = input[0];
  const std::uint8_t* wire = input + 1;
  const std::size_t wire_size = size - 1;

  const Read pieces = Decode(wire, wire_size, piece);
  const Read whole = Decode(wire, wire_size, 0);
  Check(pieces.data == whole.data && pieces.events == whole.events &&
        pieces.dropped == whole.dropped);

  Bytes escaped;
  telnet::AppendEscaped(escaped, whole.data.data(), whole.data.size());
  const Read again = Decode(escaped.data(), escaped.size(), piece);
  Check(again.data == whole.data && again.events.empty());

  telnet::Options client({telnet::kBinary, telnet::kSuppressGoAhead, telnet::kComPortOption},
                         {telnet::kBinary, telnet::kSuppressGoAhead});
  telnet::Options server({telnet::kBinary}, {telnet::kBinary, telnet::kComPortOption});
  for (const telnet::Event& event : whole.events) {
    Check(event.payload.size() <= telnet::Reader::kSubnegotiationLimit);
    Check(client.Answer(event).size() <= 3 && server.Answer(event).size() <= 3);
    const auto message = telnet::ParseComPort(event);
    if (!message) continue;
    const Bytes rebuilt = telnet::BuildComPort(*message);
    const Read back = Decode(rebuilt.data(), rebuilt.size(), 0);
    Check(back.data.empty() && back.events.size() == 1 && back.events[0] == event);
  }
  return 0;
}
