#include "serial/port_hold.h"

#include "serial/port.h"

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

bool HeldOpen(const std::string& name, int baud) {
  const Hold& hold = PortHold();
  return PortHandle != kInvalidHandle && hold.on && hold.name == name && hold.baud == baud;
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
