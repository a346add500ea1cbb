// The serial port on Windows: the communications API on \\.\COMn. Total read time-out of
// 100 ms with the exact count asked for (the "return at the first byte" setting waits its full
// time under Wine); the rate read back after every change, since a driver may take a rate it
// cannot run (Wine takes 345600 and runs 38400).
#include <windows.h>

#include <algorithm>
#include <cstring>

#include "base/system_message_win32.h"
#include "base/utf16_win32.h"
#include "serial/local_port.h"
#include "serial/port_failure.h"
#include "serial/port_name.h"

namespace zotpx {

namespace {

constexpr DWORD kQueueSize = 16384;

PortFailure Failure(WindowsPortStep step, const std::string& path) {
  const DWORD code = GetLastError();
  const PortError error = WindowsPortError(step, code);
  return PortFailure{error, path, error == PortError::Io ? SystemMessage(code) : "", {}};
}

// 8N1, raw, no flow control of any kind, DTR and RTS off; the rest as a zeroed block leaves it.
DCB WorkingSettings(int baud) {
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  dcb.BaudRate = static_cast<DWORD>(baud);
  dcb.fBinary = 1;
  dcb.fDtrControl = DTR_CONTROL_DISABLE;
  dcb.fRtsControl = RTS_CONTROL_DISABLE;
  dcb.XonLim = 1;
  dcb.XoffLim = 128;
  dcb.ByteSize = 8;
  dcb.Parity = NOPARITY;
  dcb.StopBits = ONESTOPBIT;
  dcb.XonChar = 0x01;
  dcb.XoffChar = 0x13;
  dcb.ErrorChar = 0x02;
  dcb.EofChar = 0x03;
  dcb.EvtChar = 0x04;
  return dcb;
}

// Applies `dcb` and checks the rate the driver runs. On a rate it took but does not run, the
// failure says so; otherwise GetLastError tells.
bool Apply(HANDLE handle, const DCB& dcb, const std::string& path, PortFailure& failure) {
  DCB wanted = dcb;
  if (!SetCommState(handle, &wanted)) {
    failure = Failure(WindowsPortStep::ApplySettings, path);
    return false;
  }
  DCB running{};
  running.DCBlength = sizeof running;
  if (!GetCommState(handle, &running)) {
    failure = Failure(WindowsPortStep::ApplySettings, path);
    return false;
  }
  if (running.BaudRate != dcb.BaudRate) {
    failure = PortFailure{
        PortError::Io,
        path,
        RateNotTakenText(static_cast<int>(dcb.BaudRate), static_cast<int>(running.BaudRate)),
        {}};
    return false;
  }
  return true;
}

class LocalTransport final : public Transport {
 public:
  LocalTransport(HANDLE handle, const DCB& saved, const COMMTIMEOUTS* saved_timeouts,
                 const DCB& working)
      : handle_(handle), saved_(saved), working_(working) {
    if (saved_timeouts) {
      saved_timeouts_ = *saved_timeouts;
      timeouts_saved_ = true;
    }
  }
  ~LocalTransport() override {
    RestoreAtOnce();
    CloseHandle(handle_);
  }
  LocalTransport(const LocalTransport&) = delete;
  LocalTransport& operator=(const LocalTransport&) = delete;

  bool SetRate(int baud) override {
    DCB next = working_;
    next.BaudRate = static_cast<DWORD>(baud);
    PortFailure ignored;
    if (!Apply(handle_, next, "", ignored)) {
      (void)SetCommState(handle_, &working_);
      return false;
    }
    working_ = next;
    DelayMicroseconds(2000);
    return true;
  }

  std::size_t Read(std::uint8_t* buffer, std::size_t count) override {
    if (count == 0) return 0;
    std::size_t got = Take(buffer, count);
    if (got == count) return got;
    // Bytes already waiting come in one call without waiting; otherwise ask for exactly what
    // is missing, which returns as soon as it is there or after the read period.
    DWORD errors = 0;
    COMSTAT status{};
    if (ClearCommError(handle_, &errors, &status) && status.cbInQue > count - got) {
      DWORD n = 0;
      const DWORD want = std::min<DWORD>(status.cbInQue, sizeof received_);
      if (ReadFile(handle_, received_, want, &n, nullptr)) {
        begin_ = 0;
        end_ = n;
        got += Take(buffer + got, count - got);
      }
      if (got == count) return got;
    }
    DWORD n = 0;
    if (!ReadFile(handle_, buffer + got, static_cast<DWORD>(count - got), &n, nullptr)) n = 0;
    return got + n;
  }

  std::size_t Write(const std::uint8_t* buffer, std::size_t count) override {
    DWORD written = 0;
    if (!WriteFile(handle_, buffer, static_cast<DWORD>(count), &written, nullptr)) return 0;
    return written;
  }

  void Discard() override {
    begin_ = end_ = 0;
    (void)PurgeComm(handle_, PURGE_RXCLEAR);
  }

  bool Alive() override {
    DWORD errors = 0;
    return ClearCommError(handle_, &errors, nullptr) != 0;
  }

  // From the console's handler thread too: calls that only change the line's settings.
  void RestoreAtOnce() noexcept override {
    (void)SetCommState(handle_, &saved_);
    if (timeouts_saved_) (void)SetCommTimeouts(handle_, &saved_timeouts_);
  }

 private:
  std::size_t Take(std::uint8_t* to, std::size_t count) {
    const std::size_t n = std::min(count, end_ - begin_);
    std::memcpy(to, received_ + begin_, n);
    begin_ += n;
    return n;
  }

  const HANDLE handle_;
  DCB saved_;
  COMMTIMEOUTS saved_timeouts_{};
  bool timeouts_saved_ = false;
  DCB working_;
  std::uint8_t received_[256];
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
};

}  // namespace

std::string PortFolder() {
  return "";
}

// \\.\ makes COM10 and above reachable; a path stays as it is.
PortPath ResolvePort(const std::string& name) {
  const PortName parsed = ParsePortName(name);
  if (parsed.kind == PortName::Kind::Invalid)
    return {{}, PortFailure{PortError::BadName, name, parsed.reason, {}}};
  if (parsed.kind == PortName::Kind::Path) return {parsed.text, {}};
  return {"\\\\.\\" + parsed.text, {}};
}

// A port's name is the system's: COM3, com3 and \\.\COM3 are one device.
std::string LocalDeviceKey(const std::string& name) {
  const PortPath port = ResolvePort(name);
  return port.path.empty() ? "name " + name : "path " + port.path;
}

// Windows has no per-user device permissions to explain.
std::optional<AccessDiagnosis> DiagnoseDeviceAccess(const std::string&) {
  return std::nullopt;
}

std::unique_ptr<Transport> OpenLocalTransport(const std::string& name, int baud,
                                              PortFailure& failure, std::string& opened) {
  const PortPath port = ResolvePort(name);
  failure = port.failure;
  opened = port.path;
  if (port.path.empty()) return nullptr;
  const std::string& path = port.path;
  const HANDLE handle = CreateFileW(WideFromUtf8(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    failure = Failure(WindowsPortStep::Open, path);
    return nullptr;
  }
  DCB saved{};
  saved.DCBlength = sizeof saved;
  if (!GetCommState(handle, &saved)) {
    failure = Failure(WindowsPortStep::ReadSettings, path);
    CloseHandle(handle);
    return nullptr;
  }
  // The time-outs are the port's too: another program finds them as they were.
  COMMTIMEOUTS saved_timeouts{};
  const bool timeouts_saved = GetCommTimeouts(handle, &saved_timeouts) != 0;
  COMMTIMEOUTS timeouts{};
  timeouts.ReadTotalTimeoutConstant = kReadPeriodMs;
  const DCB working = WorkingSettings(baud);
  if (!SetupComm(handle, kQueueSize, kQueueSize) || !SetCommTimeouts(handle, &timeouts)) {
    failure = Failure(WindowsPortStep::ApplySettings, path);
  } else if (Apply(handle, working, path, failure)) {
    return std::make_unique<LocalTransport>(handle, saved,
                                            timeouts_saved ? &saved_timeouts : nullptr, working);
  }
  (void)SetCommState(handle, &saved);
  if (timeouts_saved) (void)SetCommTimeouts(handle, &saved_timeouts);
  CloseHandle(handle);
  return nullptr;
}

bool DelayMicroseconds(long long microseconds) {
  if (microseconds <= 0) return true;
  LARGE_INTEGER frequency{};
  LARGE_INTEGER start{};
  if (!QueryPerformanceFrequency(&frequency) || frequency.QuadPart <= 0) return false;
  if (!QueryPerformanceCounter(&start)) return false;
  const double ticks_per_second = static_cast<double>(frequency.QuadPart);
  const double target = static_cast<double>(microseconds) * 0.000001;
  for (;;) {
    LARGE_INTEGER now{};
    if (!QueryPerformanceCounter(&now)) return false;
    if (static_cast<double>(now.QuadPart - start.QuadPart) / ticks_per_second > target) return true;
  }
}

}  // namespace zotpx
