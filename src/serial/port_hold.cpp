#include "serial/port_hold.h"

#include <chrono>

#include "serial/port.h"
#include "serial/port_failure.h"

namespace zotpx {

namespace port_detail {

ReceiveBuffer& Received() {
  static ReceiveBuffer buffer;
  return buffer;
}

Hold& PortHold() {
  static Hold hold;
  return hold;
}

bool ReuseHeldPort(const std::string& name, int baud, PortPath& port) {
  const Hold& hold = PortHold();
  if (PortHandle != kInvalidHandle && hold.on && hold.name == name && hold.baud == baud) {
    Drain();
    return true;
  }
  CloseNow();
  port = ResolvePort(name);
  PortFailureRecord() = port.failure;
  return false;
}

void FinishOpen(const std::string& name, int baud) {
  PortHold().name = name;
  PortHold().baud = baud;
  std::uint8_t scratch[256];
  const auto start = std::chrono::steady_clock::now();
  while (std::chrono::steady_clock::now() - start < std::chrono::seconds(1)) {
    if (PortRead(scratch, sizeof scratch) == 0) break;
  }
}

}  // namespace port_detail

void ClosePort() {
  if (port_detail::PortHold().on && PortHandle != kInvalidHandle && port_detail::LineAlive())
    return;
  port_detail::CloseNow();
}

void HoldPort() {
  port_detail::PortHold().on = true;
}

void ReleasePort() {
  port_detail::PortHold().on = false;
  port_detail::CloseNow();
}

}  // namespace zotpx
