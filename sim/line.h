// The wire a simulated device is served on: a pseudo-terminal (Linux), or one TCP client at a
// time, raw or RFC 2217. The server's thread waits on it, reads the host's bytes with the rate
// its line runs at, and writes the device's replies; everything else of the device's timing
// and faults stays in the server.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "sim_device.h"

namespace zotpx::sim {

class Line {
 public:
  struct Ready {
    bool input = false;  // Read has bytes
    bool gone = false;   // the host's side vanished under us: a pty hung up
  };
  virtual ~Line() = default;

  // Makes the line ready for a host (a new pty, or the listening socket); error() says why not.
  virtual bool Open(std::string& error) = 0;
  // Ends serving; Open may follow (a device plugged in again).
  virtual void Close() = 0;
  // For good: gives up what Open held across restarts (a COMn name).
  virtual void Release() {}
  // What a host opens: the pty's path, or the URL of the listening address.
  virtual std::string Where() const = 0;

  // Waits up to `timeout` (no limit when negative) for input, for Wake, and for room to write
  // when `want_write`. The serving thread only, as is everything below but Wake.
  virtual Ready Wait(std::chrono::nanoseconds timeout, bool want_write) = 0;
  // From any thread: Wait returns soon.
  virtual void Wake() = 0;
  // The host's data bytes that have come, and the rate its line runs at (0: unknown).
  virtual long Read(std::uint8_t* buffer, std::size_t count, int& rate) = 0;
  // Writes what the line takes now; the count taken.
  virtual std::size_t Write(const std::uint8_t* data, std::size_t count) = 0;
  // A hang-up fault: true when the line is gone until Close and Open (a pty), false when only
  // the host was dropped and the next one may come (a TCP client).
  virtual bool HangUp() = 0;
};

// Called on the serving thread when a host asks the line to drop what the device sent and
// the host has not read yet (RFC 2217's PURGE-DATA).
using PurgeHandler = std::function<void()>;

// The pty, linked as config.link_name while open. On Windows, a line that refuses to open.
std::unique_ptr<Line> MakePtyLine(const DeviceConfig& config);
// The TCP listener at config.listen, one client at a time.
std::unique_ptr<Line> MakeListenLine(const DeviceConfig& config, PurgeHandler purge);
// What the serving thread asks of the system before it starts (Linux: tight timer slack).
void PrepareServingThread();

}  // namespace zotpx::sim
