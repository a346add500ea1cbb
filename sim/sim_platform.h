// What the simulator program asks of the system between requests: the signals that end it or
// ask for its memory dump (the console's control events on Windows), and which file a name
// leads to.
#pragma once

#include <string>

namespace zotpx::sim {

enum class SimSignal { None, Stop, Dump };

// Before any thread starts: from now on the signals are taken by WaitForSignal alone.
void TakeSignals();
// Waits up to `wait_ms` for one.
SimSignal WaitForSignal(long wait_ms);

// Where a file option leads: the file itself (through links and hard links) when it exists,
// else the path it would be made at. Two names that lead to one file give the same text.
std::string FileIdentity(const std::string& name);

}  // namespace zotpx::sim
