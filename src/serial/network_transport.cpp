#include "serial/network_transport.h"

#include "base/texts.h"
#include "serial/port_failure.h"
#include "serial/rfc2217_transport.h"
#include "serial/tcp_transport.h"

namespace zotpx {

NetFailure NetFailureOf(const SocketFailure& failure, const std::string& host, int port) {
  NetFailure result;
  result.host = host;
  result.port = port;
  result.detail = failure.detail;
  switch (failure.error) {
    case SocketError::None:
      result.error = NetError::None;
      break;
    case SocketError::NotResolved:
      result.error = NetError::NotResolved;
      break;
    case SocketError::Refused:
      result.error = NetError::Refused;
      break;
    case SocketError::TimedOut:
      result.error = NetError::TimedOut;
      break;
    case SocketError::Lost:
      result.error = NetError::Lost;
      break;
    case SocketError::Other:
      result.error = NetError::Other;
      break;
  }
  return result;
}

std::string NetFailureText(const NetFailure& failure) {
  const std::string peer = HostPortText(failure.host, failure.port);
  const std::string detail = failure.detail.empty() ? "" : Fill("serial.cause", {failure.detail});
  switch (failure.error) {
    case NetError::None:
      return {};
    case NetError::NotResolved:
      return Fill("serial.host_not_resolved", {failure.host, detail});
    case NetError::Refused:
      return Fill("serial.peer_refused", {peer});
    case NetError::TimedOut:
      return Fill("serial.peer_timed_out", {peer, detail});
    case NetError::Lost:
      return Fill("serial.peer_closed", {peer, detail});
    case NetError::NotRfc2217:
      return Fill("serial.peer_not_rfc2217", {peer, detail});
    case NetError::RateRefused:
      return Fill("serial.peer_said",
                  {peer, RateNotTakenText(failure.asked_rate, failure.running_rate)});
    case NetError::Other:
      return Fill("serial.peer_said",
                  {peer, failure.detail.empty() ? Text("serial.network_error") : failure.detail});
  }
  return {};
}

std::unique_ptr<Transport> OpenNetworkTransport(const PortUrl& url, int baud, NetFailure& failure) {
  failure = {};
  switch (url.kind) {
    case PortUrl::Kind::Tcp:
      return TcpTransport::Open(url.host, url.port, failure);
    case PortUrl::Kind::Rfc2217:
      return Rfc2217Transport::Open(url.host, url.port, baud, failure);
    default:
      failure.error = NetError::Other;
      failure.detail = url.reason;
      return nullptr;
  }
}

}  // namespace zotpx
