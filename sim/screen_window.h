// The simulated device's screen in a window of its own (Qt), for zotpx-sim --screen. Built only
// with the window (ZOTPX_BUILD_GUI); the simulator's core never sees Qt.
#pragma once

#include <functional>
#include <string>

#include "sim_device.h"

namespace zotpx::sim {

// Shows what `server` displays, at twice its size, until the window is closed or `tick` (called
// every few tens of milliseconds on the window's thread) returns false. `title` is asked again
// after each tick, so it can follow a new pty. Returns the program's exit status.
int RunScreenWindow(int argc, char** argv, const SimServer& server,
                    const std::function<std::string()>& title, const std::function<bool()>& tick);

}  // namespace zotpx::sim
