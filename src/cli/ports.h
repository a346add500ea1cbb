// The ports on the command line: `zotpx ports` (the list, once), `zotpx ports --watch` (ports as
// they come and go) and the names a run is given. The list and the watcher are the core's
// (serial/port_list.h, serial/port_watch.h); this prints them.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "serial/port_list.h"

namespace zotpx::cli {

// One port as `zotpx ports` prints it: "/dev/ttyUSB0  driver ftdi_sio  usb 0403:6001 …  may
// open", "COM211 -> /dev/pts/3  may open".
std::string PortLine(const PortInfo& port);
// The same as fields a script picks by name: name, kind, may_open, why_not and what else is
// known, empty ones left out.
nlohmann::json PortJson(const PortInfo& port);

// Every serial port, then the COMn links the user has made, into the outcome's details and its
// JSON "ports".
void ListPorts(Outcome& outcome);

// Prints the ports there now ("present"), then a line, or with `json` an object, for each port
// that arrives or leaves, flushed at once, until a signal stops it. Returns the exit status.
int WatchPorts(bool json, bool quiet);

// Why the names given to --port cannot be used: a name that is no port name, or one device
// named twice (the same path, a link and its target, two links to one device). Nothing when
// they can. Looks at the files the names lead to, opens nothing.
std::optional<std::string> RefusePortNames(const std::vector<std::string>& names);

}  // namespace zotpx::cli
