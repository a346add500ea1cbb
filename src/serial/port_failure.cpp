#include "serial/port_failure.h"

#include "serial/port_access.h"
#include "serial/port_url.h"

namespace zotpx {

namespace win {

// Windows error codes (winerror.h), spelled here so that the mapping builds everywhere.
constexpr std::uint32_t kInvalidFunction = 1;
constexpr std::uint32_t kFileNotFound = 2;
constexpr std::uint32_t kPathNotFound = 3;
constexpr std::uint32_t kAccessDenied = 5;
constexpr std::uint32_t kInvalidHandle = 6;
constexpr std::uint32_t kBadUnit = 20;
constexpr std::uint32_t kNotReady = 21;
constexpr std::uint32_t kSharingViolation = 32;
constexpr std::uint32_t kNotSupported = 50;
constexpr std::uint32_t kDevNotExist = 55;
constexpr std::uint32_t kInvalidParameter = 87;
constexpr std::uint32_t kInvalidName = 123;
constexpr std::uint32_t kBusy = 170;
constexpr std::uint32_t kNoSuchDevice = 433;
constexpr std::uint32_t kDeviceNotConnected = 1167;
constexpr std::uint32_t kNotFound = 1168;
constexpr std::uint32_t kDeviceRemoved = 1617;
constexpr std::uint32_t kDeviceInUse = 2404;

}  // namespace win

PortError WindowsPortError(WindowsPortStep step, std::uint32_t code) {
  switch (code) {
    case win::kFileNotFound:
    case win::kPathNotFound:
    case win::kBadUnit:
    case win::kNotReady:
    case win::kDevNotExist:
    case win::kInvalidName:
    case win::kNoSuchDevice:
    case win::kDeviceNotConnected:
    case win::kNotFound:
    case win::kDeviceRemoved:
      return PortError::NotFound;
    case win::kAccessDenied:
    case win::kSharingViolation:
    case win::kBusy:
    case win::kDeviceInUse:
      return PortError::Busy;
    case win::kInvalidFunction:
    case win::kInvalidHandle:
    case win::kNotSupported:
    case win::kInvalidParameter:
      // A disk or a pipe opens, then refuses the serial calls. A port's driver may refuse a
      // setting with the same codes later on: that is an I/O failure of a serial port.
      return step == WindowsPortStep::ReadSettings ? PortError::NotSerial : PortError::Io;
    default:
      return PortError::Io;
  }
}

std::string RateNotTakenText(int asked, int running) {
  return "串口不支持波特率 " + std::to_string(asked) + "（实际为 " + std::to_string(running) + "）";
}

std::string PortFailureCause(const PortFailure& f) {
  std::string cause;
  switch (f.error) {
    case PortError::None:
      break;
    case PortError::NotFound:
      cause = "设备 " + f.path + " 不存在";
      break;
    case PortError::BadName:
      // A malformed URL says what is wrong with it; any other name is simply none.
      cause = ParsePortUrl(f.path).kind == PortUrl::Kind::Invalid
                  ? "“" + f.path + "”：" + f.detail
                  : "“" + f.path + "”不是串口名，串口名为 COM1 至 COM256 或设备路径";
      break;
    case PortError::Permission:
      cause = f.access ? AccessCauseText(f.path, *f.access) : "没有访问 " + f.path + " 的权限";
      break;
    case PortError::Busy:
      cause = f.path + " 已被其他程序占用" + (f.detail.empty() ? "" : "：" + f.detail);
      break;
    case PortError::NotSerial:
      cause = f.path + " 不是串口设备";
      break;
    case PortError::Unsafe:
      cause = f.detail + "，已拒绝使用";
      break;
    case PortError::Io:
      cause = ParsePortUrl(f.path).kind == PortUrl::Kind::NotUrl
                  ? "无法设置 " + f.path + "：" + f.detail
                  : f.detail;
      break;
    case PortError::Lost:
      cause = f.detail.empty() ? "设备 " + f.path + " 已断开" : f.detail;
      break;
    case PortError::NotResolved:
    case PortError::Refused:
    case PortError::TimedOut:
    case PortError::NotRfc2217:
      cause = f.detail;
      break;
  }
  return cause;
}

std::string OpenFailureText(const PortFailure& failure) {
  const std::string cause = PortFailureCause(failure);
  return cause.empty() ? kOpenFailureText : std::string(kOpenFailureText) + "（" + cause + "）";
}

}  // namespace zotpx
