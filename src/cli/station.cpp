#include "cli/station.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>

#include "cli/interrupt.h"
#include "cli/json_output.h"

namespace zotpx::cli {

namespace {

using Clock = std::chrono::steady_clock;

void WriteLine(int fd, const std::string& line) {
  const std::string text = line + "\n";
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

// A worker's progress, sent to the parent once per whole per cent.
class PipeProgress : public ProgressSink {
 public:
  explicit PipeProgress(int fd) : fd_(fd) {}
  void Update(std::size_t done, std::size_t total) override {
    const int percent = total == 0 ? 0 : static_cast<int>(done * 100 / total);
    if (percent == shown_) return;
    shown_ = percent;
    WriteLine(fd_, "P " + std::to_string(done) + " " + std::to_string(total));
  }
  void Finish() override {}

 private:
  int fd_;
  int shown_ = -1;
};

struct Worker {
  std::string port;
  pid_t pid = -1;
  int fd = -1;
  std::string pending;  // bytes read that do not yet end a line
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

void Launch(Worker& w, const std::string& command, const PortWork& work) {
  int fds[2];
  w.started = Clock::now();
  if (pipe(fds) != 0) {
    w.finished = true;
    w.outcome = {w.port, command, kResultPortFailed, "no pipe for the worker", {}, {}, {}, {},
                 {},     0};
    return;
  }
  std::fflush(stdout);
  std::fflush(stderr);
  const pid_t pid = fork();
  if (pid == 0) {
    TakeInterruptsFromParent();
    close(fds[0]);
    PipeProgress progress(fds[1]);
    Outcome outcome = work(w.port, progress);
    WriteLine(fds[1], "R " + OutcomeToJson(outcome).dump(-1, ' ', false,
                                                         nlohmann::json::error_handler_t::replace));
    close(fds[1]);
    std::fflush(stderr);
    _exit(ExitStatusOf(outcome.result));
  }
  close(fds[1]);
  if (pid < 0) {
    close(fds[0]);
    w.finished = true;
    w.outcome = {w.port, command, kResultPortFailed, "no worker process", {}, {}, {}, {}, {}, 0};
    return;
  }
  w.pid = pid;
  w.fd = fds[0];
  PassInterruptsTo(pid);
}

// Reads what the worker sent; false at the end of its pipe.
bool Drain(Worker& w) {
  char buffer[4096];
  const ssize_t n = read(w.fd, buffer, sizeof buffer);
  if (n < 0 && errno == EINTR) return true;
  if (n <= 0) return false;
  w.pending.append(buffer, static_cast<std::size_t>(n));
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
  return true;
}

}  // namespace

std::vector<Outcome> RunStation(const std::vector<std::string>& ports, const std::string& command,
                                const PortWork& work, const StationDisplay& display) {
  std::vector<Worker> workers(ports.size());
  std::size_t port_width = 0;
  for (std::size_t i = 0; i < ports.size(); ++i) {
    workers[i].port = ports[i];
    port_width = std::max(port_width, ports[i].size() + 2);
  }
  for (Worker& w : workers) Launch(w, command, work);

  bool drawn = false;
  auto draw = [&](bool force) {
    if (display.quiet) return;
    if (display.terminal) {
      if (drawn) std::fprintf(display.out, "\033[%zuA", workers.size());
      for (const Worker& w : workers)
        std::fprintf(display.out, "\r%s\033[K\n", ProgressLine(w, port_width).c_str());
      drawn = true;
    } else {
      for (Worker& w : workers) {
        const std::string line = ProgressLine(w, port_width);
        // Into a file or pipe: a line only when the per cent or the result changes.
        const std::string key = w.finished ? line
                                : w.total  ? std::to_string(w.done * 100 / w.total)
                                           : std::string();
        if (!force && key == w.line) continue;
        if (!w.finished && w.total == 0) continue;
        w.line = key;
        if (w.finished)
          std::fprintf(display.out, "%s\n", line.c_str());
        else
          std::fprintf(display.out, "%s%s%%\n", Pad(w.port, port_width).c_str(), key.c_str());
      }
    }
    std::fflush(display.out);
  };

  auto last_draw = Clock::now();
  for (;;) {
    std::vector<pollfd> fds;
    std::vector<Worker*> owners;
    for (Worker& w : workers)
      if (w.fd >= 0) {
        fds.push_back({w.fd, POLLIN, 0});
        owners.push_back(&w);
      }
    if (fds.empty()) break;
    poll(fds.data(), fds.size(), 200);
    for (std::size_t i = 0; i < fds.size(); ++i) {
      if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      Worker& w = *owners[i];
      if (!Drain(w)) {
        close(w.fd);
        w.fd = -1;
      }
    }
    if (Clock::now() - last_draw > std::chrono::milliseconds(200)) {
      draw(false);
      last_draw = Clock::now();
    }
  }

  for (Worker& w : workers) {
    if (w.pid <= 0) continue;
    ForgetInterruptWorker(w.pid);
    int status = 0;
    while (waitpid(w.pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!w.finished) {
      // A worker that died without a word: its device is the one that failed.
      w.finished = true;
      w.outcome.port = w.port;
      w.outcome.command = command;
      w.outcome.result = kResultNoDevice;
      w.outcome.status = WIFSIGNALED(status)
                             ? std::string("worker ended by signal ") + strsignal(WTERMSIG(status))
                             : "worker ended without a result";
    }
    w.outcome.seconds = w.outcome.seconds
                            ? w.outcome.seconds
                            : std::chrono::duration<double>(Clock::now() - w.started).count();
  }
  draw(true);

  std::vector<Outcome> outcomes;
  for (Worker& w : workers) outcomes.push_back(w.outcome);
  return outcomes;
}

std::string SummaryTable(const std::vector<Outcome>& outcomes) {
  std::size_t port_width = 6, model_width = 7, version_width = 9, result_width = 8;
  for (const Outcome& o : outcomes) {
    port_width = std::max(port_width, o.port.size() + 2);
    model_width = std::max(model_width, o.model.value_or("-").size() + 2);
    version_width = std::max(version_width, o.version.value_or("-").size() + 2);
    result_width = std::max(result_width, o.result.size() + 2);
  }
  std::string table = Pad("PORT", port_width) + Pad("MODEL", model_width) +
                      Pad("VERSION", version_width) + Pad("RESULT", result_width) +
                      Pad("SECONDS", 9) + "STATUS\n";
  for (const Outcome& o : outcomes) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.2f", o.seconds);
    table += Pad(o.port, port_width) + Pad(o.model.value_or("-"), model_width) +
             Pad(o.version.value_or("-"), version_width) + Pad(o.result, result_width) +
             Pad(seconds, 9) + o.status + "\n";
  }
  return table;
}

}  // namespace zotpx::cli
