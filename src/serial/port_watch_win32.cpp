// The port watcher on Windows: a message-only window on a thread of its own hears the system's
// device notifications (every interface class: not every serial driver registers the COM port
// one), and each makes the list be read again and compared. The list is also looked over every
// few seconds, for ports whose driver tells nobody (Wine's, some virtual ones).
#include <windows.h>
// After windows.h.
#include <dbt.h>

#include <chrono>
#include <future>
#include <thread>

#include "base/system_message_win32.h"
#include "serial/port_watch.h"

namespace zotpx {

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kLookEvery = std::chrono::seconds(2);
constexpr const wchar_t* kWindowClass = L"zotpx port watcher";

LRESULT CALLBACK OnMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_DEVICECHANGE &&
      (wparam == DBT_DEVICEARRIVAL || wparam == DBT_DEVICEREMOVECOMPLETE)) {
    SetEvent(reinterpret_cast<HANDLE>(GetWindowLongPtrW(window, GWLP_USERDATA)));
    return TRUE;
  }
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

struct PortWatcher::Impl {
  std::vector<PortInfo> all;
  std::string limitation;
  HANDLE changed = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HWND window = nullptr;
  std::thread listener;
  Clock::time_point next_look = Clock::now() + kLookEvery;

  Impl() {
    std::promise<std::string> started;
    std::future<std::string> outcome = started.get_future();
    if (changed) listener = std::thread([this, &started] { Listen(started); });
    limitation = changed ? outcome.get() : "no event: " + SystemMessage(GetLastError());
    if (!limitation.empty()) limitation += "; the ports are looked over every 2 seconds";
    all = ListSerialPorts();
  }

  ~Impl() {
    if (window) PostMessageW(window, WM_CLOSE, 0, 0);
    if (listener.joinable()) listener.join();
    if (changed) CloseHandle(changed);
  }

  // The thread's own window and its message loop; `started` learns whether notifications come.
  void Listen(std::promise<std::string>& started) {
    WNDCLASSEXW type{};
    type.cbSize = sizeof type;
    type.lpfnWndProc = OnMessage;
    type.hInstance = GetModuleHandleW(nullptr);
    type.lpszClassName = kWindowClass;
    RegisterClassExW(&type);  // a second watcher finds it registered
    HWND made = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                type.hInstance, nullptr);
    if (!made) return started.set_value("no window: " + SystemMessage(GetLastError()));
    SetWindowLongPtrW(made, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(changed));
    DEV_BROADCAST_DEVICEINTERFACE_W filter{};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    HDEVNOTIFY notify = RegisterDeviceNotificationW(
        made, &filter, DEVICE_NOTIFY_WINDOW_HANDLE | DEVICE_NOTIFY_ALL_INTERFACE_CLASSES);
    if (!notify) {
      const std::string why = "no device notifications: " + SystemMessage(GetLastError());
      DestroyWindow(made);
      return started.set_value(why);
    }
    window = made;
    started.set_value("");
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    UnregisterDeviceNotification(notify);
  }

  std::vector<PortEvent> Wait(int timeout_ms) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
      const Clock::time_point until = std::min(deadline, next_look);
      const long long wait = std::max<long long>(
          0, std::chrono::ceil<std::chrono::milliseconds>(until - Clock::now()).count());
      const bool told =
          changed && WaitForSingleObject(changed, static_cast<DWORD>(wait)) == WAIT_OBJECT_0;
      if (!changed) Sleep(static_cast<DWORD>(wait));
      if (told || Clock::now() >= next_look) {
        if (told) ResetEvent(changed);
        next_look = Clock::now() + kLookEvery;
        std::vector<PortInfo> now = ListSerialPorts();
        std::vector<PortEvent> events = DiffPorts(all, now);
        all = std::move(now);
        if (!events.empty()) return events;
      }
      if (Clock::now() >= deadline) return {};
    }
  }
};

PortWatcher::PortWatcher() : impl_(std::make_unique<Impl>()) {}
PortWatcher::~PortWatcher() = default;

const std::vector<PortInfo>& PortWatcher::Ports() const {
  return impl_->all;
}

std::vector<PortEvent> PortWatcher::Wait(int timeout_ms) {
  return impl_->Wait(timeout_ms);
}

const std::string& PortWatcher::Limitation() const {
  return impl_->limitation;
}

}  // namespace zotpx
