// A simulated device served in the test's own process, and the link that reaches it.
//
//   auto sim = zotpx::test::StartSim({.model = zotpx::DeviceModel::PB, .baud = 115200});
//   sim->AddFault({.fault = zotpx::sim::Fault::Silence, .nth = 1});
//   zotpx::RunCommandFrames(reporter, title, sim.link, build);
//   EXPECT_EQ(sim->ReceivedFrames().back(), expected_frame);
//
// The device answers only at its own rate; sim.link carries that rate. Faults count every
// frame received since start (or ClearFaults), from 1. Nothing to tear down: the server
// stops when the SimDevice goes out of scope.
#pragma once

#include <memory>

#include "serial/transaction.h"
#include "sim_device.h"

namespace zotpx::test {

struct SimDevice {
  std::unique_ptr<sim::SimServer> server;
  Link link;  // {the pty's path, the device's rate}

  sim::SimServer* operator->() const { return server.get(); }
  sim::SimServer& operator*() const { return *server; }
  // A fresh pty for the same device (memory, faults and frames kept), e.g. after a HangUp
  // fault; link.port follows it.
  bool Restart();
};

// Starts the device; a failure to start fails the current test (link.port is empty then).
SimDevice StartSim(const sim::DeviceConfig& config = {});

}  // namespace zotpx::test
