// No pseudo-terminal on Windows: the simulator serves over TCP only (--listen).
#include "line.h"

namespace zotpx::sim {
namespace {

class NoPtyLine final : public Line {
 public:
  bool Open(std::string& error) override {
    error =
        "Windows has no pseudo-terminal: serve the device over TCP with --listen PORT and "
        "open rfc2217://127.0.0.1:PORT";
    return false;
  }
  void Close() override {}
  std::string Where() const override { return {}; }
  Ready Wait(std::chrono::nanoseconds, bool) override { return {}; }
  void Wake() override {}
  long Read(std::uint8_t*, std::size_t, int&) override { return 0; }
  std::size_t Write(const std::uint8_t*, std::size_t count) override { return count; }
  bool HangUp() override { return true; }
};

}  // namespace

std::unique_ptr<Line> MakePtyLine(const DeviceConfig&) {
  return std::make_unique<NoPtyLine>();
}

void PrepareServingThread() {}

}  // namespace zotpx::sim
