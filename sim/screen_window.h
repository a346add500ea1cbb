// The simulated device's screen in a window of its own (Qt), for zotpx-sim --screen. Built only
// with the window (ZOTPX_BUILD_GUI); the simulator's core never sees Qt.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "sim_device.h"

class QApplication;

namespace zotpx::sim {

class ScreenWindow {
 public:
  // Connects to the display. Made before anything the program would have to undo (the pty's
  // link): without a display it says so on standard error and ends the program with status 1.
  // Once the window runs, Qt's fatal errors end it with exit(1), so atexit work still happens.
  ScreenWindow(int& argc, char** argv);
  ~ScreenWindow();
  ScreenWindow(const ScreenWindow&) = delete;
  ScreenWindow& operator=(const ScreenWindow&) = delete;

  // Shows what `server` displays, at twice its size, until the window is closed or `tick`
  // (called every few tens of milliseconds on the window's thread) returns false. `title` is
  // asked again after each tick, so it can follow a new pty. Returns the program's exit status.
  int Run(const SimServer& server, const std::function<std::string()>& title,
          const std::function<bool()>& tick);

 private:
  std::unique_ptr<QApplication> app_;
};

}  // namespace zotpx::sim
