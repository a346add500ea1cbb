// The designer's one way to a device: the port it names, the scan and identification the
// window runs, and the layout sent live or made the start-up image. Today's port functions
// live behind this class only, so that the day ports become objects only it changes.
#pragma once

#include <optional>
#include <string>

#include "device/connect.h"
#include "layout/layout.h"
#include "serial/reporter.h"

class DeviceLink {
 public:
  void SetPort(const std::string& port);
  const std::string& port() const { return port_; }
  // Identified by the last Connect on this port.
  bool connected() const { return found_.has_value(); }
  zotpx::DeviceModel model() const;
  std::string version() const;
  int baud() const;

  // The window's connect: the rate scan, then the identification.
  bool Connect(zotpx::Reporter& reporter, const std::string& title);

  // Why the device cannot take the layout (an object its model does not have), as a status
  // text; nothing when it can.
  std::optional<std::string> Refusal(const zotpx::Layout& layout, const std::string& title) const;
  // Every object the layout sends, in order, each as its button sends it, through one opening
  // of the port. True when the device acknowledged all of them; the status line says how far
  // it got otherwise.
  bool Apply(zotpx::Reporter& reporter, const zotpx::Layout& layout, const std::string& title);
  // The layout's start-up commands downloaded as the static command download does it.
  bool DownloadStartUp(zotpx::Reporter& reporter, const zotpx::Layout& layout,
                       const std::string& title);

 private:
  std::string port_ = "COM1";
  std::optional<zotpx::ConnectResult> found_;
};
