#include "sim_fixture.h"

#include <gtest/gtest.h>

namespace zotpx::test {

SimDevice StartSim(const sim::DeviceConfig& config) {
  SimDevice device{std::make_unique<sim::SimServer>(config), Link{{}, config.baud}};
  if (device->Start()) {
    device.link.port = device->path();
  } else {
    ADD_FAILURE() << "simulated device did not start: " << device->error();
  }
  return device;
}

bool SimDevice::Restart() {
  server->Stop();
  if (!server->Start()) return false;
  link.port = server->path();
  return true;
}

}  // namespace zotpx::test
