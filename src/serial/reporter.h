// What the serial link and the handlers need from whoever shows the results: the window,
// a command-line front end, or a test.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "serial/frame.h"

namespace zotpx {

class Reporter {
 public:
  virtual ~Reporter() = default;
  // Brings the application to the front, then replaces the status line.
  virtual void SetStatus(const std::string& text) = 0;
  // Appends one line to the communication log: title, then `count` bytes in hex.
  virtual void LogBytes(const std::string& title, std::size_t count, const std::uint8_t* bytes) = 0;
  void LogLine(const std::string& title) { LogBytes(title, 0, nullptr); }
  // The same, for a line whose moment is not now: a reply's is when its first byte came. Only
  // a log that keeps times tells them apart.
  virtual void LogBytesAt(const std::string& title, std::size_t count, const std::uint8_t* bytes,
                          std::chrono::system_clock::time_point at) {
    (void)at;
    LogBytes(title, count, bytes);
  }
  virtual void SetFormEnabled(bool enabled) = 0;
  virtual void ProcessEvents() = 0;
  virtual void Repaint() = 0;
  virtual void BringToFront() = 0;
  // Download progress for a progress bar; `done` bytes of `total` written. (0, 0) when the
  // download has ended, however it ended. Optional.
  virtual void Progress(std::size_t done, std::size_t total) { (void)done, (void)total; }
  // A command's frames, as they went on the line, once the command transaction has accepted
  // the reply to every one of them: what the device has taken in this session. A command cut
  // short (a bitmap whose later block failed) is not reported at all. Optional.
  virtual void CommandAcknowledged(const std::vector<Bytes>& frames) { (void)frames; }
  // Asked before every request a command, a scan or a download sends: true ends it there, as
  // the user asked (an interrupt on the command line). Once true, it stays true. The window
  // never asks to stop.
  virtual bool StopRequested() { return false; }
};

// The log line LogBytes appends: title, then two upper-case hex digits and a space per byte.
std::string FormatLogLine(const std::string& title, std::size_t count, const std::uint8_t* bytes);

}  // namespace zotpx
