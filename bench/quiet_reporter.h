// A reporter that discards everything: benchmarks time the link, not the window.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "serial/reporter.h"

namespace zotpx::bench {

class QuietReporter : public Reporter {
 public:
  void SetStatus(const std::string&) override {}
  void LogBytes(const std::string&, std::size_t, const std::uint8_t*) override {}
  void SetFormEnabled(bool) override {}
  void ProcessEvents() override {}
  void Repaint() override {}
  void BringToFront() override {}
};

}  // namespace zotpx::bench
