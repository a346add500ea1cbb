// What carries a port's bytes: the local serial port, raw TCP or RFC 2217. A port holds one,
// chosen by the port's name when it opens, and keeps above it everything that is the same for
// all three: the frame buffer, the hold across one invocation, the last failure, the purge's
// wait for silence. So the interface is only what differs: six calls, and the destructor,
// which closes the line and puts back what opening it changed (a local port's settings; a
// serial server resets its own port when the connection ends).
//
// Opening is each transport's own (a path and termios2, or a host and a handshake), and so is
// the record of why it failed.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zotpx {

// A read gives up after one period of silence; the frame reader counts its time-outs in them.
constexpr int kReadPeriodMs = 100;

// How long a write may wait for room: a line drains in well under a second even at 9600 baud,
// and a stuck peer must not freeze the window.
constexpr int WriteBoundMs(std::size_t count) {
  return 2000 + static_cast<int>(count * 10 * 1000 / 9600);
}

class Transport {
 public:
  virtual ~Transport() = default;

  // Runs the line at `baud`. False when the far end does not take it (the line runs on as
  // before). Over raw TCP no rate can be set: the far end's is taken as given.
  virtual bool SetRate(int baud) = 0;
  // Up to `count` data bytes: what has already arrived first, without waiting, then what comes
  // within one read period. The count; 0 after a silent period or once the line is gone.
  virtual std::size_t Read(std::uint8_t* buffer, std::size_t count) = 0;
  // The `count` bytes, waiting at most WriteBoundMs(count) for room; the count taken.
  virtual std::size_t Write(const std::uint8_t* buffer, std::size_t count) = 0;
  // Discards what has arrived, and what the far end holds for us where it can be told to,
  // without waiting for more.
  virtual void Discard() = 0;
  // False once the line is gone: an adapter pulled, a connection closed or reset.
  virtual bool Alive() = 0;
  // For a program about to end at once (from a signal handler: async-signal-safe): puts back
  // what opening changed and gives up the line's exclusive use, and nothing else. The
  // destructor still runs as usual if the program goes on.
  virtual void RestoreAtOnce() noexcept = 0;
};

}  // namespace zotpx
