// The simulated device's screen in a window of its own (Qt), for zotpx-sim --screen. Built only
// with the window (ZOTPX_BUILD_GUI); the simulator's core never sees Qt.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "sim_device.h"

class QApplication;
class QTranslator;

namespace zotpx::sim {

// What the window's title tells, in the window's language.
struct ScreenTitle {
  std::string model;
  int baud = 0;
  std::string link;  // the COMn link, or empty
  std::string path;
  bool operator==(const ScreenTitle&) const = default;
};

class ScreenWindow {
 public:
  // Connects to the display. Made before anything the program would have to undo (the pty's
  // link): without a display it says so on standard error and ends the program with status 1.
  // Once the window runs, Qt's fatal errors end it with exit(1), so atexit work still happens.
  // `language` is --lang's "en" or "zh", or empty for the windows' remembered choice or the
  // system's.
  ScreenWindow(int& argc, char** argv, const std::string& language);
  ~ScreenWindow();
  ScreenWindow(const ScreenWindow&) = delete;
  ScreenWindow& operator=(const ScreenWindow&) = delete;

  // Shows what `server` displays, at twice its size, until the window is closed or `tick`
  // (called every few tens of milliseconds on the window's thread) returns false. `title` is
  // asked again after each tick, so it can follow a new pty. Returns the program's exit status.
  int Run(const SimServer& server, const std::function<ScreenTitle()>& title,
          const std::function<bool()>& tick);

 private:
  std::unique_ptr<QApplication> app_;
  std::unique_ptr<QTranslator> own_texts_;
  std::unique_ptr<QTranslator> qt_texts_;
};

}  // namespace zotpx::sim
