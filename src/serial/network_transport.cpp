#include "serial/network_transport.h"

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
  const std::string detail = failure.detail.empty() ? "" : "（" + failure.detail + "）";
  switch (failure.error) {
    case NetError::None:
      return {};
    case NetError::NotResolved:
      return "无法解析主机名“" + failure.host + "”" + detail;
    case NetError::Refused:
      return peer + " 拒绝连接";
    case NetError::TimedOut:
      return "连接 " + peer + " 超时" + detail;
    case NetError::Lost:
      return "与 " + peer + " 的连接已断开" + detail;
    case NetError::NotRfc2217:
      return peer + " 不是 RFC 2217 串口服务器" + detail;
    case NetError::RateRefused:
      return peer + "：" + RateNotTakenText(failure.asked_rate, failure.running_rate);
    case NetError::Other:
      return peer + "：" + (failure.detail.empty() ? "网络错误" : failure.detail);
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
