#include "cli/station.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>

#include "base/console.h"
#include "base/printable.h"
#include "cli/device_steps.h"
#include "cli/interrupt.h"
#include "cli/json_output.h"
#include "cli/process.h"

namespace zotpx::cli {

namespace {

using Clock = std::chrono::steady_clock;

// The worker's lines to the parent, on its standard output: "P done total" for progress,
// "R {json}" for the outcome.
void WriteLine(const std::string& line) {
  WriteText(stdout, line + "\n");
  std::fflush(stdout);
}

// A worker's progress, sent to the parent once per whole per cent.
class PipeProgress : public ProgressSink {
 public:
  void Update(std::size_t done, std::size_t total) override {
    const int percent = total == 0 ? 0 : static_cast<int>(done * 100 / total);
    if (percent == shown_) return;
    shown_ = percent;
    WriteLine("P " + std::to_string(done) + " " + std::to_string(total));
  }
  void Finish() override {}

 private:
  int shown_ = -1;
};

struct Worker {
  std::string port;
  std::unique_ptr<ChildProcess> process;
  bool reading = false;  // its output is still open
  std::string pending;   // bytes read that do not yet end a line
  std::size_t done = 0;
  std::size_t total = 0;
  Clock::time_point started;
  bool finished = false;
  Outcome outcome;
  std::string line;  // what its progress line shows now
};

std::string Pad(const std::string& text, std::size_t width) {
  // Columns are counted in characters, not bytes: UTF-8 continuation bytes take no room.
  std::size_t shown = 0;
  for (unsigned char c : text) shown += (c & 0xC0) != 0x80;
  return text + std::string(width > shown ? width - shown : 1, ' ');
}

std::string ProgressLine(const Worker& w, std::size_t port_width) {
  if (w.finished) return Pad(w.port, port_width) + w.outcome.result + "  " + w.outcome.status;
  if (w.total == 0) return Pad(w.port, port_width) + "...";
  return Pad(w.port, port_width) + ProgressBar(w.done, w.total, 20) + " " +
         ProgressFigures(w.done, w.total, Clock::now() - w.started);
}

void Launch(Worker& w, const std::string& command, const std::vector<std::string>& args) {
  w.started = Clock::now();
  std::vector<std::string> worker_args = {kStationWorkerOption, w.port};
  worker_args.insert(worker_args.end(), args.begin(), args.end());
  std::fflush(stdout);
  std::fflush(stderr);
  w.process = std::make_unique<ChildProcess>();
  if (!w.process->Start(worker_args)) {
    w.finished = true;
    w.outcome.port = w.port;
    w.outcome.command = command;
    Refuse(w.outcome, w.process->error(), kResultPortFailed);
    w.process.reset();
    return;
  }
  w.reading = true;
  PassInterruptsTo(*w.process);
}

// Takes what the worker sent; false at the end of its output.
bool Drain(Worker& w) {
  const bool open = w.process->ReadAvailable(w.pending);
  std::size_t end;
  while ((end = w.pending.find('\n')) != std::string::npos) {
    const std::string line = w.pending.substr(0, end);
    w.pending.erase(0, end + 1);
    if (line.rfind("P ", 0) == 0) {
      std::sscanf(line.c_str() + 2, "%zu %zu", &w.done, &w.total);
    } else if (line.rfind("R ", 0) == 0) {
      const nlohmann::json j = nlohmann::json::parse(line.substr(2), nullptr, false);
      if (!j.is_discarded()) {
        w.outcome = OutcomeFromJson(j);
        w.finished = true;
      }
    }
  }
  return open;
}

}  // namespace

std::vector<Outcome> RunStation(const std::vector<std::string>& ports, const std::string& command,
                                const std::vector<std::string>& args,
                                const StationDisplay& display) {
  std::vector<Worker> workers(ports.size());
  std::size_t port_width = 0;
  for (std::size_t i = 0; i < ports.size(); ++i) {
    workers[i].port = ports[i];
    port_width = std::max(port_width, ports[i].size() + 2);
  }
  for (Worker& w : workers) Launch(w, command, args);

  bool drawn = false;
  auto draw = [&] {
    if (display.quiet) return;
    if (display.terminal) {
      if (drawn) PrintText(display.out, "\033[%zuA", workers.size());
      for (const Worker& w : workers)
        PrintText(display.out, "\r%s\033[K\n", ProgressLine(w, port_width).c_str());
      drawn = true;
    } else {
      for (Worker& w : workers) {
        const std::string line = ProgressLine(w, port_width);
        // Into a file or pipe: a line only when the per cent or the result changes, so each
        // port's result stands there once however the draws fall.
        const std::string key = w.finished ? line
                                : w.total  ? std::to_string(w.done * 100 / w.total)
                                           : std::string();
        if (key == w.line) continue;
        if (!w.finished && w.total == 0) continue;
        w.line = key;
        if (w.finished)
          PrintText(display.out, "%s\n", line.c_str());
        else
          PrintText(display.out, "%s%s%%\n", Pad(w.port, port_width).c_str(), key.c_str());
      }
    }
    std::fflush(display.out);
  };

  auto last_draw = Clock::now();
  for (;;) {
    std::vector<ChildProcess*> reading;
    for (Worker& w : workers)
      if (w.reading) reading.push_back(w.process.get());
    if (reading.empty()) break;
    ChildProcess::WaitForOutput(reading, std::chrono::milliseconds(200));
    for (Worker& w : workers)
      if (w.reading) w.reading = Drain(w);
    if (Clock::now() - last_draw > std::chrono::milliseconds(200)) {
      draw();
      last_draw = Clock::now();
    }
  }

  for (Worker& w : workers) {
    if (!w.process) continue;
    ForgetInterruptWorker(*w.process);
    const ChildProcess::End end = w.process->Wait();
    if (!w.finished) {
      // A worker that died without a word: its device is the one that failed.
      w.finished = true;
      w.outcome.port = w.port;
      w.outcome.command = command;
      w.outcome.result = kResultNoDevice;
      w.outcome.status =
          "worker ended " + (end.cause.empty() ? std::string("without a result") : end.cause);
    }
    w.outcome.seconds = w.outcome.seconds
                            ? w.outcome.seconds
                            : std::chrono::duration<double>(Clock::now() - w.started).count();
  }
  draw();

  std::vector<Outcome> outcomes;
  for (Worker& w : workers) outcomes.push_back(w.outcome);
  return outcomes;
}

int RunStationWorker(const std::string& port, const PortWork& work) {
  TakeInterruptsFromParent();
  PipeProgress progress;
  const Outcome outcome = work(port, progress);
  WriteLine("R " +
            OutcomeToJson(outcome).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
  std::fflush(stderr);
  return ExitStatusOf(outcome.result);
}

std::string SummaryTable(const std::vector<Outcome>& outcomes) {
  std::size_t port_width = 6, model_width = 7, version_width = 9, result_width = 8;
  // A device's version is its own text: shown printable, and measured so.
  const auto version = [](const Outcome& o) { return PrintableText(o.version.value_or("-")); };
  for (const Outcome& o : outcomes) {
    port_width = std::max(port_width, o.port.size() + 2);
    model_width = std::max(model_width, o.model.value_or("-").size() + 2);
    version_width = std::max(version_width, version(o).size() + 2);
    result_width = std::max(result_width, o.result.size() + 2);
  }
  std::string table = Pad("PORT", port_width) + Pad("MODEL", model_width) +
                      Pad("VERSION", version_width) + Pad("RESULT", result_width) +
                      Pad("SECONDS", 9) + "STATUS\n";
  for (const Outcome& o : outcomes) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.2f", o.seconds);
    table += Pad(o.port, port_width) + Pad(o.model.value_or("-"), model_width) +
             Pad(version(o), version_width) + Pad(o.result, result_width) + Pad(seconds, 9) +
             PrintableText(o.status) + "\n";
  }
  return table;
}

}  // namespace zotpx::cli
