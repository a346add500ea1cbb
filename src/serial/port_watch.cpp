// The port watcher on Linux: udev's monitor for serial devices and inotify on the user's port
// folder for the "COMn" links. udev's own events come once its rules have run (by-id links
// made, permissions set); where no udev daemon runs (a container, a small system) the kernel's
// events are taken instead: devtmpfs has made the node by the time they come.
#include "serial/port_watch.h"

#include <libudev.h>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "serial/port.h"
#include "serial/port_name.h"

namespace zotpx {

namespace {

using Clock = std::chrono::steady_clock;

// Without a monitor the list is looked over this often.
constexpr auto kLookEvery = std::chrono::seconds(2);
// A port folder that does not exist yet is looked for this often.
constexpr int kFolderRetryMs = 500;

struct UdevFree {
  void operator()(udev* u) const { udev_unref(u); }
  void operator()(udev_monitor* m) const { udev_monitor_unref(m); }
  void operator()(udev_device* d) const { udev_device_unref(d); }
};
template <typename T>
using UdevPtr = std::unique_ptr<T, UdevFree>;

std::string Text(const char* value) {
  return value ? value : "";
}

Uevent UeventOf(udev_device* device) {
  Uevent event;
  event.action = Text(udev_device_get_action(device));
  event.subsystem = Text(udev_device_get_subsystem(device));
  event.devpath = Text(udev_device_get_devpath(device));
  event.devnode = Text(udev_device_get_devnode(device));
  if (const char* type = udev_device_get_sysattr_value(device, "type"))
    event.uart_type = std::strtol(type, nullptr, 10);
  return event;
}

std::vector<PortInfo>::iterator Find(std::vector<PortInfo>& ports, const std::string& name) {
  return std::find_if(ports.begin(), ports.end(),
                      [&name](const PortInfo& port) { return port.name == name; });
}

void Append(std::vector<PortEvent>& events, std::vector<PortEvent> more) {
  events.insert(events.end(), more.begin(), more.end());
}

}  // namespace

struct PortWatcher::Impl {
  std::vector<PortInfo> serial;
  std::vector<PortInfo> links;
  std::vector<PortInfo> all;
  UdevPtr<udev> context{udev_new()};
  UdevPtr<udev_monitor> monitor;
  int inotify = -1;
  int folder_watch = -1;
  std::string limitation;
  Clock::time_point next_look = Clock::now() + kLookEvery;

  Impl() {
    // The daemon's events where it runs; else the kernel's, which nobody else passes on.
    const bool daemon = access("/run/udev/control", F_OK) == 0;
    if (context)
      monitor.reset(udev_monitor_new_from_netlink(context.get(), daemon ? "udev" : "kernel"));
    if (monitor) {
      // Room for a hub full of adapters plugged at once; only root may go past the system's
      // limit, and the default is no failure.
      udev_monitor_set_receive_buffer_size(monitor.get(), 4 * 1024 * 1024);
      if (udev_monitor_filter_add_match_subsystem_devtype(monitor.get(), "tty", nullptr) < 0 ||
          udev_monitor_enable_receiving(monitor.get()) < 0) {
        limitation = std::string("udev's monitor cannot listen: ") + std::strerror(errno);
        monitor.reset();
      }
    } else {
      limitation = std::string("no udev monitor: ") + std::strerror(errno ? errno : ENOSYS);
    }
    if (!limitation.empty()) limitation += "; the serial ports are looked over every 2 seconds";
    inotify = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (inotify < 0)
      limitation += std::string(limitation.empty() ? "" : "; ") + "no inotify (" +
                    std::strerror(errno) + "): the COMn links are looked over every 2 seconds";
    // Listed once the watches stand, so that nothing falls between the list and the events.
    serial = ListSerialPorts();
    WatchFolder();
    links = ListPortLinks();
    Gather();
  }

  ~Impl() {
    if (inotify >= 0) close(inotify);
  }

  void Gather() {
    all = serial;
    all.insert(all.end(), links.begin(), links.end());
  }

  // The folder may not exist yet: the first simulator makes it.
  bool WatchFolder() {
    if (inotify < 0 || folder_watch >= 0) return false;
    folder_watch = inotify_add_watch(inotify, PortFolder().c_str(),
                                     IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                                         IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR);
    return folder_watch >= 0;
  }

  void LookAtLinks(std::vector<PortEvent>& events) {
    std::vector<PortInfo> now = ListPortLinks();
    Append(events, DiffPorts(links, now));
    links = std::move(now);
  }

  void LookAtSerial(std::vector<PortEvent>& events) {
    std::vector<PortInfo> now = ListSerialPorts();
    Append(events, DiffPorts(serial, now));
    serial = std::move(now);
  }

  // One event as udev tells it: a port known by name leaves, a port listed arrives. An "add" of
  // a port already known as it is (`udevadm trigger --action=add`) changes nothing.
  void Apply(const UeventChange& change, std::vector<PortEvent>& events) {
    const auto known = Find(serial, change.name);
    if (change.kind == PortEvent::Kind::Left) {
      if (known == serial.end()) return;
      events.push_back({PortEvent::Kind::Left, *known});
      serial.erase(known);
      return;
    }
    std::vector<PortInfo> listed = ListSerialPorts();
    const auto found = Find(listed, change.name);
    if (found == listed.end()) return;  // gone again, or no port of ours
    if (known == serial.end()) {
      events.push_back({PortEvent::Kind::Arrived, *found});
      serial.insert(std::upper_bound(serial.begin(), serial.end(), *found,
                                     [](const PortInfo& a, const PortInfo& b) {
                                       return NaturalLess(a.name, b.name);
                                     }),
                    *found);
      return;
    }
    Append(events, DiffPorts({*known}, {*found}));
    *known = *found;
  }

  void ReadMonitor(std::vector<PortEvent>& events) {
    while (const UdevPtr<udev_device> device{udev_monitor_receive_device(monitor.get())})
      if (const std::optional<UeventChange> change = PortChangeOf(UeventOf(device.get())))
        Apply(*change, events);
  }

  void ReadFolder(std::vector<PortEvent>& events) {
    alignas(inotify_event) char buffer[4096];
    bool changed = false;
    for (ssize_t got; (got = read(inotify, buffer, sizeof buffer)) > 0;) {
      for (char* at = buffer; at < buffer + got;) {
        const auto* event = reinterpret_cast<const inotify_event*>(at);
        // The folder itself went: watched anew once it is back.
        if (event->mask & IN_IGNORED) folder_watch = -1;
        if (event->mask & (IN_DELETE_SELF | IN_MOVE_SELF)) {
          inotify_rm_watch(inotify, event->wd);
          folder_watch = -1;
        }
        changed = true;
        at += sizeof(inotify_event) + event->len;
      }
    }
    if (changed) LookAtLinks(events);
  }

  std::vector<PortEvent> Wait(int timeout_ms) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    std::vector<PortEvent> events;
    for (;;) {
      if (folder_watch < 0 && WatchFolder()) LookAtLinks(events);
      const bool looking = !monitor || inotify < 0;  // for what tells nothing by itself
      if (looking && Clock::now() >= next_look) {
        if (!monitor) LookAtSerial(events);
        if (inotify < 0) LookAtLinks(events);
        next_look = Clock::now() + kLookEvery;
      }
      // At least one look at what is pending, however short the wait.
      Clock::time_point until = events.empty() ? deadline : Clock::now();
      if (looking) until = std::min(until, next_look);
      long long wait = std::max<long long>(
          0, std::chrono::ceil<std::chrono::milliseconds>(until - Clock::now()).count());
      if (inotify >= 0 && folder_watch < 0) wait = std::min<long long>(wait, kFolderRetryMs);
      pollfd fds[2] = {{monitor ? udev_monitor_get_fd(monitor.get()) : -1, POLLIN, 0},
                       {folder_watch >= 0 ? inotify : -1, POLLIN, 0}};
      const int ready = poll(fds, 2, static_cast<int>(wait));
      if (ready < 0) break;  // a signal: the caller looks whether to stop
      if (fds[0].revents & POLLIN) ReadMonitor(events);
      if (fds[1].revents & POLLIN) ReadFolder(events);
      if (!events.empty() || Clock::now() >= deadline) break;
    }
    if (!events.empty()) Gather();
    return events;
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
