// What the help and the messages say about the system's own things: how its ports are named,
// what stops a run, what a port's log file is called. One file per platform.
#pragma once

namespace zotpx {

struct PlatformWords {
  const char* port_kinds;   // after "serial port: ": "COMn or a device path"
  const char* port_names;   // the names a port may have, with an example
  const char* log_names;    // --log-dir's file names for the system's ports
  const char* stop_status;  // the "128+n" entry of the exit statuses, each line ending in \n
};

const PlatformWords& SystemWords();

}  // namespace zotpx
