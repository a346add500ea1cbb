#include "serial/port_url.h"

#include <algorithm>

#include "base/texts.h"

namespace zotpx {

namespace {

constexpr std::size_t kLongestHost = 253;  // the longest name DNS carries
constexpr int kHighestPort = 65535;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool IsAlpha(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsHex(char c) {
  return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return lower;
}

// The scheme at the start of `name` (letters, digits, '+', '-', '.', a letter first, two
// characters at least so that a drive letter is none), or empty.
std::string_view SchemeOf(std::string_view name) {
  const std::size_t colon = name.find(':');
  if (colon == std::string_view::npos || colon < 2 || !IsAlpha(name[0])) return {};
  const std::string_view scheme = name.substr(0, colon);
  const bool token = std::all_of(scheme.begin(), scheme.end(), [](char c) {
    return IsAlpha(c) || IsDigit(c) || c == '+' || c == '-' || c == '.';
  });
  return token ? scheme : std::string_view();
}

PortUrl::Kind KnownScheme(const std::string& scheme) {
  if (scheme == "tcp" || scheme == "socket") return PortUrl::Kind::Tcp;
  if (scheme == "rfc2217") return PortUrl::Kind::Rfc2217;
  return PortUrl::Kind::NotUrl;
}

struct HostPort {
  std::string host;
  int port = 0;
  std::string reason;  // empty when both are sound
};

std::string CheckHost(std::string_view host, bool bracketed) {
  if (host.empty()) return std::string(Text("serial.url_no_host"));
  if (bracketed) {
    // Hex groups, colons, an IPv4 tail, and a zone after '%' ("fe80::1%eth0").
    const std::size_t zone = host.find('%');
    const std::string_view address = host.substr(0, zone);
    const bool sound =
        std::count(address.begin(), address.end(), ':') >= 2 &&
        std::all_of(address.begin(), address.end(),
                    [](char c) { return IsHex(c) || c == ':' || c == '.'; }) &&
        (zone == std::string_view::npos ||
         (zone + 1 < host.size() &&
          std::all_of(host.begin() + static_cast<std::ptrdiff_t>(zone) + 1, host.end(), [](char c) {
            return IsAlpha(c) || IsDigit(c) || c == '-' || c == '_' || c == '.';
          })));
    return sound ? "" : Fill("serial.url_not_ipv6", {host});
  }
  const bool sound =
      host.size() <= kLongestHost && std::all_of(host.begin(), host.end(), [](char c) {
        return IsAlpha(c) || IsDigit(c) || c == '-' || c == '.' || c == '_';
      });
  return sound ? "" : Fill("serial.url_bad_host", {host});
}

// "1" ... "65535" (leading zeros allowed), or 0 for "0" when `zero_ok`; -1 otherwise.
int PortNumber(std::string_view digits, bool zero_ok) {
  if (digits.empty() || !std::all_of(digits.begin(), digits.end(), IsDigit)) return -1;
  int number = 0;
  for (char c : digits) {
    number = number * 10 + (c - '0');
    if (number > kHighestPort) return -1;
  }
  return number == 0 && !zero_ok ? -1 : number;
}

// "host:port" or "[v6]:port".
HostPort SplitHostPort(std::string_view text, bool zero_ok) {
  HostPort result;
  std::string_view host = text;
  std::string_view port;
  bool has_port = false;
  bool bracketed = false;
  if (!text.empty() && text[0] == '[') {
    const std::size_t close = text.find(']');
    if (close == std::string_view::npos) return {{}, 0, std::string(Text("serial.url_no_bracket"))};
    bracketed = true;
    host = text.substr(1, close - 1);
    const std::string_view rest = text.substr(close + 1);
    if (!rest.empty() && rest[0] != ':') return {{}, 0, Fill("serial.url_after_bracket", {rest})};
    has_port = !rest.empty();
    port = has_port ? rest.substr(1) : rest;
  } else if (std::count(text.begin(), text.end(), ':') > 1) {
    return {{}, 0, std::string(Text("serial.url_ipv6_brackets"))};
  } else if (const std::size_t colon = text.rfind(':'); colon != std::string_view::npos) {
    host = text.substr(0, colon);
    port = text.substr(colon + 1);
    has_port = true;
  }
  result.reason = CheckHost(host, bracketed);
  if (!result.reason.empty()) return result;
  result.host = std::string(host);
  if (!has_port || port.empty()) return {{}, 0, std::string(Text("serial.url_no_port"))};
  if (!std::all_of(port.begin(), port.end(), IsDigit))
    return {{}, 0, Fill("serial.url_port_not_number", {port})};
  result.port = PortNumber(port, zero_ok);
  if (result.port < 0) return {{}, 0, Fill("serial.url_port_range", {zero_ok ? "0" : "1"})};
  return result;
}

PortUrl Refused(std::string reason) {
  PortUrl refused;
  refused.kind = PortUrl::Kind::Invalid;
  refused.reason = std::move(reason);
  return refused;
}

}  // namespace

PortUrl ParsePortUrl(std::string_view name) {
  const std::string_view scheme_text = SchemeOf(name);
  if (scheme_text.empty()) return {};
  const std::string scheme = Lower(scheme_text);
  const PortUrl::Kind kind = KnownScheme(scheme);
  std::string_view rest = name.substr(scheme_text.size() + 1);
  const bool slashes = rest.substr(0, 2) == "//";
  if (!slashes) {
    if (kind == PortUrl::Kind::NotUrl) return {};
    return Refused(Fill("serial.url_no_slashes", {scheme}));
  }
  if (kind == PortUrl::Kind::NotUrl)
    return Refused(Fill("serial.url_unknown_scheme", {scheme_text}));
  rest.remove_prefix(2);
  if (rest.find('@') != std::string_view::npos)
    return Refused(std::string(Text("serial.url_no_user")));
  // A single '/' at the end is what a pasted address often carries; a path or a query is a
  // setting we would silently ignore.
  const std::size_t end = rest.find_first_of("/?#");
  if (end != std::string_view::npos && !(rest[end] == '/' && end + 1 == rest.size()))
    return Refused(Fill("serial.url_trailing", {rest.substr(end)}));
  const HostPort address = SplitHostPort(rest.substr(0, end), false);
  if (!address.reason.empty()) return Refused(address.reason);
  PortUrl url;
  url.kind = kind;
  url.host = address.host;
  url.port = address.port;
  url.text = (kind == PortUrl::Kind::Tcp ? "tcp://" : "rfc2217://") +
             HostPortText(address.host, address.port);
  return url;
}

ListenAddress ParseListenAddress(std::string_view text) {
  if (text.empty()) return {false, {}, 0, std::string(Text("serial.port_number_missing"))};
  // A port alone: the caller's host.
  if (std::all_of(text.begin(), text.end(), IsDigit)) {
    const int port = PortNumber(text, true);
    if (port < 0) return {false, {}, 0, Fill("serial.url_port_range", {"0"})};
    return {true, {}, port, {}};
  }
  const HostPort address = SplitHostPort(text, true);
  if (!address.reason.empty()) return {false, {}, 0, address.reason};
  return {true, address.host, address.port, {}};
}

std::string HostPortText(const std::string& host, int port) {
  const bool v6 = host.find(':') != std::string::npos;
  return (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

}  // namespace zotpx
