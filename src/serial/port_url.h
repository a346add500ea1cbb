// Ports across the network, named as URLs: "tcp://HOST:PORT" (the bytes as they are) and
// "rfc2217://HOST:PORT" (Telnet with the serial-port control of RFC 2217). "socket://" is
// taken as "tcp://", as other flashing tools spell it. Pure: nothing here resolves a name.
#pragma once

#include <string>
#include <string_view>

namespace zotpx {

struct PortUrl {
  enum class Kind { NotUrl, Invalid, Tcp, Rfc2217 };
  Kind kind = Kind::NotUrl;
  std::string host;    // Tcp, Rfc2217: a name or an address, an IPv6 one without its brackets
  int port = 0;        // Tcp, Rfc2217: 1 ... 65535
  std::string text;    // Tcp, Rfc2217: "tcp://host:port" or "rfc2217://host:port", the scheme
                       // in lower case and the port without leading zeros
  std::string reason;  // Invalid: why, in a phrase that follows the name
};

// Whether `name` is a URL, and which. A name is a URL when it begins with a scheme (a letter,
// then letters, digits, '+', '-' or '.') and "://", or with one of ours and ':'. So this comes
// before the path rule, which would take any name with a '/' for a device path; a drive
// letter ("C://x") is never a scheme. Everything but the two kinds above is Invalid, with the
// reason: an unknown scheme, a missing host or port, a port out of range, IPv6 without
// brackets, anything after the port but a single '/'.
PortUrl ParsePortUrl(std::string_view name);

// Where a server listens: "PORT" or "HOST:PORT", an IPv6 host in brackets; the port may be 0
// (any free port). `host` is empty when none was given: the caller chooses (the loopback).
struct ListenAddress {
  bool ok = false;
  std::string host;
  int port = 0;
  std::string reason;  // when not ok
};
ListenAddress ParseListenAddress(std::string_view text);

// "host:port", an IPv6 host in brackets: how the messages name a peer.
std::string HostPortText(const std::string& host, int port);

}  // namespace zotpx
