// Station mode: one command on several ports at once, one worker process per port (the
// serial state is per process), one progress line per port while they run.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/progress.h"

namespace zotpx::cli {

// What a worker does for its port; progress goes to `progress`.
using PortWork = std::function<Outcome(const std::string& port, ProgressSink& progress)>;

struct StationDisplay {
  std::FILE* out = stderr;
  bool terminal = false;  // redraw one line per port in place
  bool quiet = false;     // no progress at all
};

// Runs the command for every port at once, each in a worker: this program started again with
// kStationWorkerOption, the port and `args` (the arguments this run was given), and waits for
// all of them. One worker failing, or dying, never stops the others; its outcome says what
// happened. An interrupt the parent catches is passed to every worker, which stops at its next
// request and reports as usual. Outcomes come in the ports' order.
std::vector<Outcome> RunStation(const std::vector<std::string>& ports, const std::string& command,
                                const std::vector<std::string>& args,
                                const StationDisplay& display);

// What a worker's arguments start with: the option, then its port. Not for users: it is not
// in --help.
inline constexpr const char* kStationWorkerOption = "--station-worker";
// A worker's part: runs `work` for `port`, hands progress and the outcome to the parent on
// standard output, and returns the exit status.
int RunStationWorker(const std::string& port, const PortWork& work);

// The table printed after a station run: port, model, version, result, seconds and status.
std::string SummaryTable(const std::vector<Outcome>& outcomes);

}  // namespace zotpx::cli
