// What the two systems' port files share (inside serial/ only): the hold that keeps one opening
// of the port for a whole invocation, and the buffer a read fills beyond what was asked for.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "serial/port.h"

namespace zotpx::port_detail {

// What one read brought in beyond what the caller asked for: what has arrived is fetched with
// one system call and handed out a byte at a time. Emptied when the port is closed.
struct ReceiveBuffer {
  std::uint8_t bytes[256];
  std::size_t begin = 0;
  std::size_t end = 0;

  std::size_t Take(std::uint8_t* to, std::size_t count) {
    const std::size_t n = std::min(count, end - begin);
    std::memcpy(to, bytes + begin, n);
    begin += n;
    return n;
  }
  // After a read of `n` bytes into `bytes`, replacing what was handed out.
  void Filled(std::size_t n) {
    begin = 0;
    end = n;
  }
  void Clear() { begin = end = 0; }
};
ReceiveBuffer& Received();

// Whether ClosePort may leave the port open, and what it is open as.
struct Hold {
  bool on = false;
  std::string name;  // as OpenPort was given it
  int baud = 0;      // the working rate
};
Hold& PortHold();

// OpenPort's first steps on both systems. True when the port is open as `name` at `baud` under
// the hold: what has arrived is discarded and it serves as it is. Otherwise the open port is
// closed and `name` resolved into `port`, the failure recorded when it names nothing to open.
bool ReuseHeldPort(const std::string& name, int baud, PortPath& port);
// OpenPort's last steps, once the port is open and set: it is held as `name` at `baud`, and
// what the device had sent is emptied (until one read period passes in silence, or after 1 s of
// babble).
void FinishOpen(const std::string& name, int baud);

// Each system's own, in its port file: whether the device is still there (a pulled USB
// adapter is not), closing the port at once with what it had before put back, and discarding
// what has already arrived without waiting for more.
bool LineAlive();
void CloseNow();
void Drain();

}  // namespace zotpx::port_detail
