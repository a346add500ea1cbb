// zotpx-sim: a simulated ZOT-PA / ZOT-PB on a pseudo-terminal, served until SIGINT or SIGTERM.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/attributes.h"
#include "base/device_model.h"
#include "base/file_save.h"
#include "base/version.h"
#include "cli/help_format.h"
#include "base/write_signals.h"
#include "screen/png_writer.h"
#include "screen/screen.h"
#include "serial/port_name.h"
#include "sim_device.h"
#include "simulated_device.h"
#ifdef ZOTPX_SIM_WINDOW
#include "screen_window.h"
#else
#include "screen_program.h"
#endif

namespace {

using zotpx::sim::Fault;
using zotpx::sim::FaultRule;

constexpr int kDefaultLateMs = 1500;
constexpr int kUsageStatus = 2;

const char kDescription[] =
    "A simulated ZOT-PA / ZOT-PB on-screen-display device on a pseudo-terminal.\n"
    "\n"
    "It prints the path of its pseudo-terminal, links it as COMn when asked (removing\n"
    "the link on exit), answers the probe only at its own rate, identifies itself,\n"
    "acknowledges every command and draws it on its screen, erases and writes its\n"
    "0x78000-byte memory, runs the static commands stored there when it starts, and can\n"
    "misbehave on request.";

const char kFooter[] =
    "Memory file (--memory FILE):\n"
    "  A missing FILE is created erased (491520 bytes of 0xFF); so is the file a\n"
    "  symbolic link names when there is none yet. Every erase and write the device\n"
    "  acknowledges is in FILE by then, so a download survives a restart. A FILE of\n"
    "  another size, or one that cannot be read and written, ends the program with\n"
    "  status 1 and is left untouched.\n"
    "\n"
    "Faults (--fault KIND[:N[:MS]]):\n"
    "  KIND   noise bad-checksum wrong-echo short-frame stall silence refuse hang-up\n"
    "         late\n"
    "  N      the n-th frame received, from 1 (default 0: every frame)\n"
    "  MS     for late: how long the reply is held back (default 1500)\n"
    "  A frame whose checksum is wrong is dropped: it gets no answer, faulted or not.\n"
    "\n"
    "Trace (--trace):\n"
    "  One line on standard error for everything the device receives and answers, as\n"
    "  it happens: the local time, \"host\" or \"device\", and what the bytes mean, as\n"
    "  zotpx decode tells it: a command by its title, name and fields, the checksum's\n"
    "  verdict, what is wrong with it and \"not drawn\" when the screen leaves it\n"
    "  aside; the reply and its status, the identification, a probe and its answer,\n"
    "  bytes that make no frame (bytes sent at another rate arrive as garbage), frames\n"
    "  cut short. An answer a fault shaped starts with the fault's name (\"fault\n"
    "  short-frame: ...\", \"fault late: after 1500 ms: ...\") and tells what went on\n"
    "  the line (\"no answer\", \"hangs up the line\").\n"
    "\n"
    "Pacing (--pacing): the line's time is counted at the rate the host has set; line\n"
    "time beyond what a serial driver holds (4096 bytes), or left from another rate,\n"
    "is not owed: a pty takes the host's bytes at once.\n"
    "\n"
    "Signals: SIGUSR1 writes the memory dump (--dump) now; SIGINT, SIGTERM and SIGHUP\n"
    "end the simulator, which writes the dump once more on the way out and removes the\n"
    "COMn link, as it does when the --screen window closes or its display goes away.\n"
    "Without a display, --screen ends the program (status 1) before any pty or link is\n"
    "made.\n"
    "\n"
    "Files (--dump, --screen-png) are replaced whole; a symbolic link is followed, and\n"
    "a name that is no regular file (a FIFO, a device) is refused. No two of --memory,\n"
    "--dump, --screen-png and --video may name one file (status 2), and --port takes\n"
    "no name that another running simulator holds (status 1).";

bool ParseInt(const std::string& text, long low, long high, int& out) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || value < low || value > high) return false;
  out = static_cast<int>(value);
  return true;
}

bool ParseFault(const std::string& fault_text, FaultRule& rule) {
  const std::size_t first = fault_text.find(':');
  const std::optional<Fault> kind = zotpx::sim::FaultFromName(fault_text.substr(0, first));
  if (!kind) return false;
  rule = FaultRule{*kind, 0, -1, *kind == Fault::Late ? kDefaultLateMs : 0};
  if (first == std::string::npos) return true;
  const std::size_t second = fault_text.find(':', first + 1);
  if (!ParseInt(fault_text.substr(first + 1, second - first - 1), 0, 1000000000, rule.nth))
    return false;
  if (second == std::string::npos) return true;
  return rule.fault == Fault::Late &&
         ParseInt(fault_text.substr(second + 1), 0, 600000, rule.delay_ms);
}

// A CLI11 check from a test that gives the message for a value it refuses (empty: accepted).
CLI::Validator Check(std::function<std::string(const std::string&)> test) {
  return CLI::Validator([test](std::string& value) { return test(value); }, "");
}

struct Options {
  zotpx::sim::DeviceConfig config;
  bool trace = false;
  std::string dump;
  std::vector<FaultRule> faults;
  bool screen = false;
  std::string screen_png;
  std::string video;
};

// Parses the command line into `options`; an exit status when the program ends here (help,
// version, or a usage error already reported).
std::optional<int> ParseOptions(int argc, char** argv, Options& options) {
  zotpx::sim::DeviceConfig& config = options.config;
  CLI::App app(kDescription, "zotpx-sim");
  app.set_version_flag("--version", std::string("zotpx-sim ") + zotpx::kVersion,
                       "Print the program's version and exit");
  app.set_help_flag("-h,--help", "Print this help and exit");
  app.footer(kFooter);
  app.formatter(std::make_shared<zotpx::cli::HelpFormatter>(28));

  const std::string pa(zotpx::ModelName(zotpx::DeviceModel::PA));
  const std::string pb(zotpx::ModelName(zotpx::DeviceModel::PB));
  app.add_option_function<std::string>(
         "--model",
         [&config](const std::string& name) { config.model = *zotpx::ModelFromName(name); },
         "The device model")
      ->required()
      ->type_name(pa + "|" + pb)
      ->check(Check([pa, pb](const std::string& name) {
        return zotpx::ModelFromName(name)
                   ? std::string()
                   : "unknown model: " + name + " (" + pa + " or " + pb + ")";
      }));
  std::string rates;
  for (int rate : zotpx::kBaudRateList) rates += (rates.empty() ? "" : " ") + std::to_string(rate);
  app.add_option("--baud", config.baud, "The device's own rate; it answers at no other:\n" + rates)
      ->required()
      ->type_name("RATE")
      ->check(Check([](const std::string& text) {
        for (int rate : zotpx::kBaudRateList) {
          if (text == std::to_string(rate)) return std::string();
        }
        return "the device cannot run at " + text + " baud";
      }));
  app.add_option("--firmware", config.version,
                 "The version text the device identifies itself with, after\n"
                 "the model (default \"" +
                     std::string(zotpx::sim::kDefaultVersion) + "\")")
      ->type_name("TEXT")
      ->check(Check([](const std::string& text) {
        return text.empty() ? std::string("--firmware needs a text") : std::string();
      }));
  app.add_option("--port", config.link_name,
                 "Link the pseudo-terminal as COMn in ~/.local/state/zotpx/ports/,\n"
                 "where the tool's port name COMn leads")
      ->type_name("COMn")
      ->transform(CLI::Validator(
          [](std::string& name) {
            const zotpx::PortName parsed = zotpx::ParsePortName(name);
            if (parsed.kind == zotpx::PortName::Kind::Path)
              return "takes a name COM1 ... COM256, not a path: " + name;
            if (parsed.kind == zotpx::PortName::Kind::Invalid) return name + ": " + parsed.reason;
            name = parsed.text;  // "com3" is linked as COM3, the name the tool looks up
            return std::string();
          },
          ""));
  app.add_option("--memory", config.memory_file,
                 "Keep the device's memory in FILE across runs (below)")
      ->type_name("FILE");
  app.add_option("--dump", options.dump, "Write the memory to FILE at exit and on SIGUSR1")
      ->type_name("FILE");
  app.add_flag("--screen", options.screen,
               "Show the device's screen in a window, at twice its size\n"
               "(zotpx-manager package); closing the window ends the simulator");
  app.add_option("--screen-png", options.screen_png,
                 "Write the device's screen to FILE as a PNG after every change")
      ->type_name("FILE");
  app.add_option("--video", options.video,
                 "The video picture under the overlay (PNG, JPEG, BMP; scaled to\n"
                 "384 x 256); default: a built-in test card")
      ->type_name("FILE");
  app.add_flag("--pacing", config.pacing,
               "Take the line's time for every byte and --processing-us for\n"
               "every request, as a real device does");
  app.add_option("--processing-us", config.processing_us,
                 "Processing time per request with --pacing, 0 to 10000000\n"
                 "microseconds (default 0)")
      ->type_name("N")
      ->check(Check([](const std::string& text) {
        int n = 0;
        return ParseInt(text, 0, 10000000, n) ? std::string()
                                              : "--processing-us needs microseconds, 0 to 10000000";
      }));
  app.add_flag("--trace", options.trace,
               "Explain on standard error every frame the device receives\n"
               "and every answer it gives, one line each (below)");
  std::vector<std::string> fault_texts;
  app.add_option("--fault", fault_texts, "Misbehave on request (below); may be repeated")
      ->type_name("KIND[:N[:MS]]")
      ->check(Check([](const std::string& text) {
        FaultRule rule;
        return ParseFault(text, rule) ? std::string() : "not a fault: " + text;
      }));

  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::cerr << "zotpx-sim: " << e.what() << "\nRun zotpx-sim --help for the options.\n";
    return kUsageStatus;
  }
  for (const std::string& text : fault_texts) {
    FaultRule& rule = options.faults.emplace_back();
    ParseFault(text, rule);
  }
  return std::nullopt;
}

// "14:03:07.125 host   ..." in one write, so that lines from two threads never mix.
void PrintTraceLine(const zotpx::sim::TraceLine& line) {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  tm local{};
  localtime_r(&now.tv_sec, &local);
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d.%03ld ", local.tm_hour, local.tm_min,
                local.tm_sec, now.tv_nsec / 1000000);
  const std::string text =
      stamp + std::string(line.from_host ? "host   " : "device ") + line.text + "\n";
  (void)!write(STDERR_FILENO, text.data(), text.size());
}

// Where a file option leads: the file itself (device and inode, through links and hard links)
// when it exists, else the path it would be made at.
std::string FileIdentity(const std::string& name) {
  struct stat st {};
  if (stat(name.c_str(), &st) == 0)
    return "inode " + std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
  const std::string target = zotpx::LinkTarget(name);
  std::error_code error;
  const std::filesystem::path made =
      std::filesystem::weakly_canonical(target.empty() ? name : target, error);
  return "path " + (error ? name : made.string());
}

// The files the simulator reads and writes must be apart: a dump over the memory file would
// replace the very file it keeps its memory in, a screen picture over the video picture or a
// dump would overwrite what was given.
std::string SharedFile(const Options& options) {
  const std::pair<const char*, const std::string*> files[] = {
      {"--memory", &options.config.memory_file},
      {"--dump", &options.dump},
      {"--screen-png", &options.screen_png},
      {"--video", &options.video}};
  for (std::size_t i = 0; i < std::size(files); ++i) {
    for (std::size_t j = i + 1; j < std::size(files); ++j) {
      const auto& [a, a_name] = files[i];
      const auto& [b, b_name] = files[j];
      if (!a_name->empty() && !b_name->empty() && FileIdentity(*a_name) == FileIdentity(*b_name))
        return std::string(a) + " and " + b + " name the same file (" + *b_name + ")";
    }
  }
  return "";
}

bool Dump(const zotpx::sim::SimServer& server, const std::string& file) {
  if (file.empty()) return true;
  const zotpx::SaveResult saved = server.DumpMemory(file);
  if (saved) return true;
  std::cerr << "zotpx-sim: cannot write the memory dump " << file << ": "
            << zotpx::SaveFailureText(zotpx::kCannotSaveText, saved.problem) << "\n";
  return false;
}

// What the simulator does between requests, with or without a window: signals, a device to plug
// in again after a hang-up, messages, and the screen's PNG.
class Session {
 public:
  Session(zotpx::sim::SimServer& server, const Options& options, const sigset_t& signals)
      : server_(server), options_(options), signals_(signals) {}

  // Waits up to `wait_ms` for a signal, then does what is due. False when the simulator ends.
  bool Tick(long wait_ms) {
    const timespec wait{wait_ms / 1000, wait_ms % 1000 * 1000000};
    const int s = sigtimedwait(&signals_, nullptr, &wait);
    if (s == SIGINT || s == SIGTERM || s == SIGHUP) {
      WritePng();  // the last commands' picture, also when the stop follows them at once
      return false;
    }
    if (s == SIGUSR1) Dump(server_, options_.dump);
    Say(server_.MemoryFileError(), memory_error_, " (the request was refused)");
    for (const std::string& message : zotpx::screen::TakeFontMessages()) {
      std::cerr << "zotpx-sim: " << message << "\n";
    }
    if (!Replug()) return false;
    WritePng();
    return true;
  }

  std::string Title() const {
    const zotpx::sim::DeviceConfig& c = options_.config;
    return "zotpx-sim " + std::string(zotpx::ModelName(c.model)) + " " + std::to_string(c.baud) +
           " baud " + (c.link_name.empty() ? "" : c.link_name + " ") + "(" + server_.path() + ")";
  }

 private:
  void Say(const std::string& message, std::string& last, const char* tail) {
    if (message == last) return;
    last = message;
    if (!message.empty()) std::cerr << "zotpx-sim: " << message << tail << "\n";
  }

  // A device that hung up is plugged back in a second later, on a new pty.
  bool Replug() {
    if (!server_.HungUp()) return true;
    const auto now = std::chrono::steady_clock::now();
    if (!hung_up_at_) hung_up_at_ = now;
    if (now - *hung_up_at_ < std::chrono::seconds(1)) return true;
    hung_up_at_.reset();
    if (!server_.Restart()) {
      std::cerr << "zotpx-sim: " << server_.error() << "\n";
      return false;
    }
    std::cout << server_.path() << std::endl;
    return true;
  }

  // After every change of the picture, the device's or the clock's.
  void WritePng() {
    if (options_.screen_png.empty()) return;
    const std::int64_t now = zotpx::sim::SimServer::NowMs();
    const std::uint64_t revision = server_.ScreenRevision();
    if (written_ && revision == revision_ && !(next_change_ && now >= *next_change_)) return;
    revision_ = revision;
    next_change_ = server_.NextScreenChangeMs(now);
    zotpx::screen::Picture picture = server_.Screen(now);
    if (written_ && picture.rgba == last_.rgba) return;
    const zotpx::SaveResult saved = zotpx::screen::WritePng(options_.screen_png, picture);
    const bool ok = static_cast<bool>(saved);
    Say(ok ? ""
           : "cannot write the screen picture " + options_.screen_png + ": " +
                 zotpx::SaveFailureText(zotpx::kCannotSaveText, saved.problem),
        png_error_, "");
    written_ = ok;
    last_ = std::move(picture);
  }

  zotpx::sim::SimServer& server_;
  const Options& options_;
  const sigset_t& signals_;
  std::string memory_error_;
  std::string png_error_;
  std::optional<std::chrono::steady_clock::time_point> hung_up_at_;
  bool written_ = false;
  std::uint64_t revision_ = 0;
  std::optional<std::int64_t> next_change_;
  zotpx::screen::Picture last_;
};

// Every way out once the device serves, exit() included (Qt ends the program so when the
// window's X server goes away), stops it, which removes the COMn link, and writes the dump,
// once. Not on SIGKILL, nor when Wayland's client library ends the program with _exit.
zotpx::sim::SimServer* serving = nullptr;
const std::string* dump_file = nullptr;
bool dumped = true;

bool Finish() {
  if (serving) {
    serving->Stop();
    dumped = Dump(*serving, *dump_file);
    serving = nullptr;
  }
  return dumped;
}

void FinishAtExit() {
  Finish();
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (std::optional<int> status = ParseOptions(argc, argv, options)) return *status;
  const zotpx::sim::DeviceConfig& config = options.config;
  if (const std::string shared = SharedFile(options); !shared.empty()) {
    std::cerr << "zotpx-sim: " << shared << "\nRun zotpx-sim --help for the options.\n";
    return kUsageStatus;
  }
#ifndef ZOTPX_SIM_WINDOW
  // Before anything starts: the window's program takes over this very process.
  if (options.screen) return zotpx::sim::ExecScreenProgram(argv);
#endif

  // Signals are taken by sigtimedwait; the serving thread (and the window's) inherit the mask.
  sigset_t signals;
  sigemptyset(&signals);
  for (int s : {SIGINT, SIGTERM, SIGUSR1, SIGHUP}) sigaddset(&signals, s);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  // A reader of the pty's path or of the trace that went away, or a dump past a file size
  // limit, must not end the program with the link left.
  zotpx::KeepGoingWhenWritesFail();

#ifdef ZOTPX_SIM_WINDOW
  // The display first: without one the program ends here, before any pty or link exists.
  std::optional<zotpx::sim::ScreenWindow> window;
  if (options.screen) window.emplace(argc, argv);
#endif

  zotpx::sim::SimServer server(config);
  if (!options.video.empty()) {
    zotpx::screen::VideoPicture video = zotpx::screen::ReadVideoPicture(options.video);
    if (!video.picture) {
      std::cerr << "zotpx-sim: cannot read the video picture " << options.video << ": "
                << video.problem << "\n";
      return 1;
    }
    server.SetVideo(std::move(*video.picture));
  }
  for (const FaultRule& rule : options.faults) server.AddFault(rule);
  if (options.trace) server.SetTrace(PrintTraceLine);
  if (!server.Start()) {
    std::cerr << "zotpx-sim: " << server.error() << "\n";
    return 1;
  }
  serving = &server;
  dump_file = &options.dump;
  std::atexit(FinishAtExit);
  std::cout << server.path() << std::endl;
  if (!config.link_name.empty()) {
    std::cerr << "zotpx-sim: " << zotpx::ModelName(config.model) << " at " << config.baud
              << " baud on " << config.link_name << " (" << server.path() << ")\n";
  }

  Session session(server, options, signals);
  int status = 0;
#ifdef ZOTPX_SIM_WINDOW
  if (window) {
    status = window->Run(
        server, [&session] { return session.Title(); }, [&session] { return session.Tick(0); });
  }
#endif
  if (!options.screen) {
    // Often enough that the screen's PNG follows the commands closely.
    const long wait_ms = options.screen_png.empty() ? 200 : 40;
    while (session.Tick(wait_ms)) {
    }
  }
  return Finish() ? status : 1;
}
