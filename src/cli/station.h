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

// Runs `work` for every port at once and waits for all of them. One worker failing, or dying,
// never stops the others; its outcome says what happened. An interrupt the parent catches is
// passed to every worker, which stops at its next request and reports as usual. Outcomes come
// in the ports' order.
std::vector<Outcome> RunStation(const std::vector<std::string>& ports, const std::string& command,
                                const PortWork& work, const StationDisplay& display);

// The table printed after a station run: port, model, version, result, seconds and status.
std::string SummaryTable(const std::vector<Outcome>& outcomes);

}  // namespace zotpx::cli
