// A simulated device served in the test's own process, and the link that reaches it.
//
//   auto sim = zotpx::test::StartSim({.model = zotpx::DeviceModel::PB, .baud = 115200});
//   sim->AddFault({.fault = zotpx::sim::Fault::Silence, .nth = 1});
//   zotpx::Port port;
//   zotpx::RunCommandFrames(port, reporter, title, sim.link, build);
//   EXPECT_EQ(sim->ReceivedFrames().back(), expected_frame);
//
// The device answers only at its own rate; sim.link carries that rate. Faults count every
// frame received since start (or ClearFaults), from 1. Nothing to tear down: the server
// stops when the SimDevice goes out of scope.
//
// With ZOTPX_TEST_PORT_LINKS naming a folder (a Wine prefix's dosdevices), the pty is linked
// there as "comN" and link.port is "COMN": the name a Windows program under that Wine opens it
// by. The command-line tests run zotpx.exe so (zotpx_run.h); nothing else in the process may
// open link.port then.
#pragma once

#include <memory>
#include <string>

#include "serial/transaction.h"
#include "sim_device.h"

namespace zotpx::test {

// A "comN" link to a pty in the folder ZOTPX_TEST_PORT_LINKS names, removed with the object.
class PortLink {
 public:
  // The first free number from 100 up; `port` is "COMN", empty when none could be made.
  PortLink(const std::string& folder, const std::string& target);
  ~PortLink();
  PortLink(const PortLink&) = delete;
  PortLink& operator=(const PortLink&) = delete;
  std::string port;

 private:
  std::string path_;
};

struct SimDevice {
  std::unique_ptr<sim::SimServer> server;
  Link link;  // {the pty's path (or its COM name, above), the device's rate}
  std::unique_ptr<PortLink> com;

  sim::SimServer* operator->() const { return server.get(); }
  sim::SimServer& operator*() const { return *server; }
  // A fresh pty for the same device (memory, faults and frames kept), e.g. after a HangUp
  // fault; link.port follows it.
  bool Restart();
};

// Starts the device; a failure to start fails the current test (link.port is empty then).
SimDevice StartSim(const sim::DeviceConfig& config = {});

}  // namespace zotpx::test
