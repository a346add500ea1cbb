// Ports across the network: opening one by its URL, and why it failed or broke off.
#pragma once

#include <memory>
#include <string>

#include "base/socket.h"
#include "serial/port_url.h"
#include "serial/transport.h"

namespace zotpx {

enum class NetError {
  None,
  NotResolved,  // the host's name does not resolve
  Refused,      // nothing serves at that port
  TimedOut,     // no connection, or no answer to a request, in time
  Lost,         // the connection ended while in use
  NotRfc2217,   // the server does not speak the serial-port control of RFC 2217
  RateRefused,  // the server answered the rate with another
  Other,        // the system's words say
};

struct NetFailure {
  NetError error = NetError::None;
  std::string host;
  int port = 0;
  std::string detail;  // the system's words, or what was awaited; the rates for RateRefused
  int asked_rate = 0;  // RateRefused
  int running_rate = 0;
};

// The failure of a socket call on the connection to `host`:`port`.
NetFailure NetFailureOf(const SocketFailure& failure, const std::string& host, int port);
// Why, in a phrase for the end of the port failure's text ("tcp.example:4001 拒绝连接").
std::string NetFailureText(const NetFailure& failure);

// Connects to the URL's server and, for RFC 2217, agrees on the protocol and runs the line at
// `baud` 8N1, DTR and RTS off. Nothing, with `failure` filled in, when that fails.
std::unique_ptr<Transport> OpenNetworkTransport(const PortUrl& url, int baud, NetFailure& failure);

}  // namespace zotpx
