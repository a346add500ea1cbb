// `zotpx ports` and `zotpx ports --watch`: the core's port list and watcher, printed.
#include "cli/ports.h"

#include <cstdio>

#include "base/printable.h"
#include "cli/interrupt.h"
#include "serial/port.h"
#include "serial/port_watch.h"

namespace zotpx::cli {

namespace {

// How long one wait lasts before the loop looks whether a signal asked it to stop (Windows
// tells of Ctrl-C on another thread; Linux's signals end the wait at once).
constexpr int kWaitMs = 500;

// One port as a line or an object, flushed at once: a script reading a pipe acts on it now.
bool Say(const char* event, const PortInfo& port, bool json) {
  if (json) {
    nlohmann::json object = PortJson(port);
    object["event"] = event;
    std::printf("%s\n",
                object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
  } else {
    // What a device says of itself (its product name, its serial number) is its own text:
    // nothing of it reaches the terminal raw.
    std::printf("%s %s\n", event, PrintableText(PortLine(port)).c_str());
  }
  return std::fflush(stdout) == 0;
}

}  // namespace

std::string PortLine(const PortInfo& port) {
  const std::string verdict = port.may_open ? "  may open" : "  may not open: " + port.why_not;
  if (port.kind == PortInfo::Kind::Link)
    return port.name + " -> " + (port.target.empty() ? "(not a link)" : port.target) + verdict;
  std::string line = port.name;
  const auto add = [&line](const std::string& label, const std::string& value) {
    if (!value.empty()) line += "  " + label + value;
  };
  add("", port.by_id);
  add("driver ", port.driver);
  if (!port.vendor_id.empty()) add("usb ", port.vendor_id + ":" + port.product_id);
  add("", port.manufacturer);
  add("", port.product);
  add("serial ", port.serial);
  return line + verdict;
}

nlohmann::json PortJson(const PortInfo& port) {
  const bool link = port.kind == PortInfo::Kind::Link;
  nlohmann::json object = {
      {"name", port.name}, {"kind", link ? "link" : "serial"}, {"may_open", port.may_open}};
  const std::pair<const char*, const std::string*> facts[] = {{"by_id", &port.by_id},
                                                              {"driver", &port.driver},
                                                              {"vendor_id", &port.vendor_id},
                                                              {"product_id", &port.product_id},
                                                              {"manufacturer", &port.manufacturer},
                                                              {"product", &port.product},
                                                              {"serial", &port.serial},
                                                              {"target", &port.target}};
  for (const auto& [key, value] : facts)
    if (!value->empty()) object[key] = *value;
  object["why_not"] = port.may_open ? nlohmann::json(nullptr) : nlohmann::json(port.why_not);
  if (link) object["exists"] = port.exists;
  return object;
}

void ListPorts(Outcome& outcome) {
  const std::vector<PortInfo> ports = ListSerialPorts();
  const std::vector<PortInfo> links = ListPortLinks();
  outcome.status =
      std::to_string(ports.size()) + (ports.size() == 1 ? " serial port" : " serial ports");
  if (!links.empty())
    outcome.status += ", " + std::to_string(links.size()) +
                      (links.size() == 1 ? " COMn link in " : " COMn links in ") + PortFolder();
  nlohmann::json listed = nlohmann::json::array();
  for (const std::vector<PortInfo>* list : {&ports, &links})
    for (const PortInfo& port : *list) {
      outcome.details.push_back(PortLine(port));
      listed.push_back(PortJson(port));
    }
  outcome.fields["ports"] = std::move(listed);
}

int WatchPorts(bool json, bool quiet) {
  CatchInterrupts();
  PortWatcher watcher;
  if (!watcher.Limitation().empty())
    std::fprintf(stderr, "zotpx: ports --watch: %s\n", watcher.Limitation().c_str());
  for (const PortInfo& port : watcher.Ports())
    if (!Say("present", port, json)) return kExitRefused;
  if (!quiet) std::fprintf(stderr, "watching for ports that arrive or leave; Ctrl-C stops\n");
  while (InterruptSignal() == 0)
    for (const PortEvent& event : watcher.Wait(kWaitMs))
      if (!Say(PortEventWord(event.kind), event.port, json)) return kExitRefused;
  return InterruptedExitStatus();
}

}  // namespace zotpx::cli
