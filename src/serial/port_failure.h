// What both platforms' port code shares about a failed open: the text the faces show, and how
// Windows error codes fall into the same categories as Linux's.
#pragma once

#include <cstdint>
#include <string>

#include "serial/port.h"

namespace zotpx {

// Why, in a phrase: what OpenFailureText appends. Empty for None.
std::string PortFailureCause(const PortFailure& failure);

// The step of opening a port on Windows that failed, for WindowsPortError.
enum class WindowsPortStep { Open, ReadSettings, ApplySettings };

// The category of a Windows error code (GetLastError) at `step`. A port another program holds
// answers ERROR_ACCESS_DENIED (or a sharing violation), so both are Busy; a handle that is no
// serial port fails the first settings call. Pure, so every platform's tests cover it.
PortError WindowsPortError(WindowsPortStep step, std::uint32_t code);

// Io detail when the driver took a rate but runs another (Wine runs 345600 as 38400).
std::string RateNotTakenText(int asked, int running);

}  // namespace zotpx
