// zotpx-sim: a simulated ZOT-PA / ZOT-PB on a pseudo-terminal or over TCP, served until stopped.
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
#include "base/write_signals.h"
#include "cli/help_format.h"
#include "screen/png_writer.h"
#include "screen/screen.h"
#include "serial/port_name.h"
#include "serial/port_url.h"
#include "sim_device.h"
#include "sim_platform.h"
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

const char kFooterFiles[] =
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
    "  bytes that make no frame (bytes sent at another rate arrive as garbage),\n"
    "  frames cut short. An answer a fault shaped starts with the fault's name\n"
    "  (\"fault short-frame: ...\", \"fault late: after 1500 ms: ...\") and tells what\n"
    "  went on the line (\"no answer\", \"hangs up the line\").\n"
    "\n"
    "Network (--listen [HOST:]PORT, --listen-mode MODE):\n"
    "  One device served over TCP instead of a pseudo-terminal, at 127.0.0.1 unless a\n"
    "  HOST is given (an IPv6 one in brackets: [::1]:5000); PORT 0 takes any free\n"
    "  port. The first line on standard output is the URL to open, e.g.\n"
    "  rfc2217://127.0.0.1:5000 (tcp://... in raw mode). Bound to another address\n"
    "  than the loopback, it warns that anyone on the network can drive the device:\n"
    "  RFC 2217 and raw TCP carry no authentication (tunnel them over SSH).\n"
    "  rfc2217  Telnet with the serial-port control of RFC 2217, as a serial server\n"
    "           speaks it: every COM-PORT-OPTION request is answered, and the rate\n"
    "           set with SET-BAUDRATE is the line's (at another than --baud the\n"
    "           device does not answer)\n"
    "  raw      the bytes as they are; the line runs at --baud\n"
    "  auto     (the default) by the client's first byte: IAC (0xFF) is Telnet, any\n"
    "           other raw; nothing is sent before it, and there is no time-out\n"
    "  One client at a time: another is told the device is in use and turned away;\n"
    "  once the first leaves, the next may connect. A hang-up fault drops the client.\n"
    "\n"
    "Pacing (--pacing): the line's time is counted at the rate the host has set; line\n"
    "time beyond what a serial driver holds (4096 bytes), or left from another rate,\n"
    "is not owed: a pty takes the host's bytes at once.\n"
    "\n";

// After the system's own paragraph on what stops the simulator.
const char kFooterEnd[] =
    "Files (--dump, --screen-png) are replaced whole; a symbolic link is followed,\n"
    "and a name that is no regular file (a FIFO, a device) is refused. No two of\n"
    "--memory, --dump, --screen-png and --video may name one file (status 2), and\n"
    "--port takes no name that another running simulator holds (status 1).";

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
  std::string lang;  // the screen window's
  std::string screen_png;
  std::string video;
};

// Anything but the loopback can be reached from the network.
bool IsLoopback(const std::string& host) {
  return host.empty() || host == "localhost" || host == "::1" || host.rfind("127.", 0) == 0;
}

// Parses the command line into `options`; an exit status when the program ends here (help,
// version, or a usage error already reported).
std::optional<int> ParseOptions(int argc, char** argv, Options& options) {
  zotpx::sim::DeviceConfig& config = options.config;
  const zotpx::sim::HelpWords& words = zotpx::sim::SystemHelpWords();
  CLI::App app(words.description, "zotpx-sim");
  app.set_version_flag("--version", std::string("zotpx-sim ") + zotpx::kVersion,
                       "Print the program's version and exit");
  app.set_help_flag("-h,--help", "Print this help and exit");
  app.footer(std::string(kFooterFiles) + words.stopping + kFooterEnd);
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
                 "The version text the device identifies itself with, after "
                 "the model (default \"" +
                     std::string(zotpx::sim::kDefaultVersion) + "\")")
      ->type_name("TEXT")
      ->check(Check([](const std::string& text) {
        return text.empty() ? std::string("--firmware needs a text") : std::string();
      }));
  app.add_option("--port", config.link_name,
                 "Link the pseudo-terminal as COMn in ~/.local/state/zotpx/ports/, "
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
  app.add_option_function<std::string>(
         "--listen",
         [&config](const std::string& text) {
           const zotpx::ListenAddress address = zotpx::ParseListenAddress(text);
           config.listen = true;
           config.listen_host = address.host;
           config.listen_port = address.port;
         },
         "Serve over TCP at PORT on 127.0.0.1, or at HOST:PORT, instead "
         "of a pseudo-terminal (below)")
      ->type_name("[HOST:]PORT")
      ->check(Check([](const std::string& text) {
        return zotpx::ParseListenAddress(text).ok
                   ? std::string()
                   : "not an address to listen at: " + text +
                         " (PORT or HOST:PORT, PORT 0 to 65535, an IPv6 HOST in brackets)";
      }));
  static const std::map<std::string, zotpx::sim::ListenMode> modes = {
      {"auto", zotpx::sim::ListenMode::Auto},
      {"raw", zotpx::sim::ListenMode::Raw},
      {"rfc2217", zotpx::sim::ListenMode::Rfc2217}};
  CLI::Option* listen_mode =
      app.add_option_function<std::string>(
             "--listen-mode",
             [&config](const std::string& name) { config.listen_mode = modes.at(name); },
             "How the TCP client speaks: rfc2217, raw, or auto (by its first byte; the default)")
          ->type_name("auto|raw|rfc2217")
          ->check(Check([](const std::string& name) {
            return modes.count(name) ? std::string()
                                     : "unknown mode: " + name + " (auto, raw or rfc2217)";
          }));
  app.add_option("--memory", config.memory_file,
                 "Keep the device's memory in FILE across runs (below)")
      ->type_name("FILE");
  app.add_option("--dump", options.dump, words.dump)->type_name("FILE");
  app.add_flag("--screen", options.screen,
               "Show the device's screen in a window, at twice its size "
               "(zotpx-manager package); closing the window ends the simulator");
  app.add_option("--lang", options.lang,
                 "The screen window's language: en or zh (default: the one chosen in the "
                 "windows, else the system's)")
      ->check(CLI::IsMember({"en", "zh"}))
      ->type_name("LANG");
  app.add_option("--screen-png", options.screen_png,
                 "Write the device's screen to FILE as a PNG after every change")
      ->type_name("FILE");
  app.add_option("--video", options.video,
                 "The video picture under the overlay (PNG, JPEG, BMP; scaled to "
                 "384 x 256); default: a built-in test card")
      ->type_name("FILE");
  app.add_flag("--pacing", config.pacing,
               "Take the line's time for every byte and --processing-us for "
               "every request, as a real device does");
  app.add_option("--processing-us", config.processing_us,
                 "Processing time per request with --pacing, 0 to 10000000 "
                 "microseconds (default 0)")
      ->type_name("N")
      ->check(Check([](const std::string& text) {
        int n = 0;
        return ParseInt(text, 0, 10000000, n) ? std::string()
                                              : "--processing-us needs microseconds, 0 to 10000000";
      }));
  app.add_flag("--trace", options.trace,
               "Explain on standard error every frame the device receives "
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
  if (config.listen && !config.link_name.empty()) {
    std::cerr << "zotpx-sim: --port links a pseudo-terminal; with --listen there is none\n"
                 "Run zotpx-sim --help for the options.\n";
    return kUsageStatus;
  }
  if (listen_mode->count() > 0 && !config.listen) {
    std::cerr << "zotpx-sim: --listen-mode needs --listen\nRun zotpx-sim --help for the options.\n";
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
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const long long ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  tm local{};
  localtime_r(&seconds, &local);
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d.%03lld ", local.tm_hour, local.tm_min,
                local.tm_sec, ms);
  const std::string text =
      stamp + std::string(line.from_host ? "host   " : "device ") + line.text + "\n";
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
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
      if (!a_name->empty() && !b_name->empty() &&
          zotpx::sim::FileIdentity(*a_name) == zotpx::sim::FileIdentity(*b_name))
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
  Session(zotpx::sim::SimServer& server, const Options& options)
      : server_(server), options_(options) {}

  // Waits up to `wait_ms` for a signal, then does what is due. False when the simulator ends.
  bool Tick(long wait_ms) {
    const zotpx::sim::SimSignal s = zotpx::sim::WaitForSignal(wait_ms);
    if (s == zotpx::sim::SimSignal::Stop) {
      WritePng();  // the last commands' picture, also when the stop follows them at once
      return false;
    }
    if (s == zotpx::sim::SimSignal::Dump) Dump(server_, options_.dump);
    Say(server_.MemoryFileError(), memory_error_, " (the request was refused)");
    for (const std::string& message : zotpx::screen::TakeFontMessages()) {
      std::cerr << "zotpx-sim: " << message << "\n";
    }
    if (!Replug()) return false;
    WritePng();
    return true;
  }

#ifdef ZOTPX_SIM_WINDOW
  zotpx::sim::ScreenTitle Title() const {
    const zotpx::sim::DeviceConfig& c = options_.config;
    return {std::string(zotpx::ModelName(c.model)), c.baud, c.link_name, server_.path()};
  }
#endif

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

  zotpx::sim::TakeSignals();
  // A reader of the pty's path or of the trace that went away, or a dump past a file size
  // limit, must not end the program with the link left.
  zotpx::KeepGoingWhenWritesFail();

#ifdef ZOTPX_SIM_WINDOW
  // The display first: without one the program ends here, before any pty or link exists.
  std::optional<zotpx::sim::ScreenWindow> window;
  if (options.screen) window.emplace(argc, argv, options.lang);
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
  if (config.listen) {
    std::cerr << "zotpx-sim: " << zotpx::ModelName(config.model) << " at " << config.baud
              << " baud, listening on " << server.path() << "\n";
    if (!IsLoopback(config.listen_host)) {
      std::cerr << "zotpx-sim: warning: listening on " << config.listen_host
                << ", not the loopback: anyone on the network can drive this device (no "
                   "authentication; tunnel it over SSH instead)\n";
    }
  }

  Session session(server, options);
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
