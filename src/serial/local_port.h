// The local serial port as a transport: termios2 on Linux (local_port.cpp), the
// communications API on Windows (local_port_win32.cpp).
#pragma once

#include <memory>
#include <string>

#include "serial/port.h"
#include "serial/transport.h"

namespace zotpx {

// Resolves `name` ("COMn" or a path) and opens it raw 8N1 at `baud`, without flow control,
// DTR and RTS off, exclusively. `path` is what it resolved to. Nothing, with `failure` filled
// in, when it cannot be opened or set. The transport's destructor puts back the settings the
// port had.
std::unique_ptr<Transport> OpenLocalTransport(const std::string& name, int baud,
                                              PortFailure& failure, std::string& path);

// PortDeviceKey of a local port's name.
std::string LocalDeviceKey(const std::string& name);

}  // namespace zotpx
