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

// The help's words for what the system decides: how the device is reached, and what ends it.
struct HelpWords {
  const char* description;
  const char* stopping;  // a paragraph of the footer, with its blank line after it
  const char* dump;      // when --dump writes
};
const HelpWords& SystemHelpWords();

}  // namespace zotpx::sim
