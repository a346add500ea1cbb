#include "serial/port_failure.h"

#include "base/texts.h"
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
  return Fill("serial.rate_not_taken", {std::to_string(asked), std::to_string(running)});
}

std::string PortFailureCause(const PortFailure& f) {
  std::string cause;
  switch (f.error) {
    case PortError::None:
      break;
    case PortError::NotFound:
      cause = Fill("serial.not_found", {f.path});
      break;
    case PortError::BadName:
      // A malformed URL says what is wrong with it; any other name is simply none.
      cause = ParsePortUrl(f.path).kind == PortUrl::Kind::Invalid
                  ? Fill("serial.bad_url", {f.path, f.detail})
                  : Fill("serial.bad_name", {f.path});
      break;
    case PortError::Permission:
      cause = f.access ? AccessCauseText(f.path, *f.access) : Fill("serial.no_access", {f.path});
      break;
    case PortError::Busy:
      cause = f.detail.empty() ? Fill("serial.busy", {f.path})
                               : Fill("serial.busy_by", {f.path, f.detail});
      break;
    case PortError::NotSerial:
      cause = Fill("serial.not_serial", {f.path});
      break;
    case PortError::Unsafe:
      cause = Fill("serial.unsafe", {f.detail});
      break;
    case PortError::Io:
      cause = ParsePortUrl(f.path).kind == PortUrl::Kind::NotUrl
                  ? Fill("serial.cannot_set", {f.path, f.detail})
                  : f.detail;
      break;
    case PortError::Lost:
      cause = f.detail.empty() ? Fill("serial.lost", {f.path}) : f.detail;
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
  return cause.empty() ? std::string(kOpenFailureText)
                       : kOpenFailureText + Fill("serial.cause", {cause});
}

}  // namespace zotpx
