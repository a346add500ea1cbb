#include "sim_fixture.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

namespace zotpx::test {

namespace {

constexpr int kFirstLinkedCom = 100;
constexpr int kLastCom = 256;

// Names the pty as the program under test will open it.
void Name(SimDevice& device) {
  device.link.port = device->path();
  const char* folder = std::getenv("ZOTPX_TEST_PORT_LINKS");
  if (!folder || !*folder) return;
  device.com = std::make_unique<PortLink>(folder, device->path());
  if (device.com->port.empty()) ADD_FAILURE() << "no free comN link in " << folder;
  device.link.port = device.com->port;
}

}  // namespace

PortLink::PortLink(const std::string& folder, const std::string& target) {
  // symlink() refuses a name that is there: a number another run holds is skipped.
  for (int n = kFirstLinkedCom; n <= kLastCom && port.empty(); ++n) {
    const std::string path = folder + "/com" + std::to_string(n);
    if (symlink(target.c_str(), path.c_str()) == 0) {
      path_ = path;
      port = "COM" + std::to_string(n);
    }
  }
}

PortLink::~PortLink() {
  if (!path_.empty()) unlink(path_.c_str());
}

SimDevice StartSim(const sim::DeviceConfig& config) {
  SimDevice device{std::make_unique<sim::SimServer>(config), Link{{}, config.baud}, nullptr};
  if (device->Start()) {
    Name(device);
  } else {
    ADD_FAILURE() << "simulated device did not start: " << device->error();
  }
  return device;
}

bool SimDevice::Restart() {
  server->Stop();
  if (!server->Start()) return false;
  com.reset();
  Name(*this);
  return true;
}

}  // namespace zotpx::test
