// zotpx-sim: a simulated ZOT-PA / ZOT-PB on a pseudo-terminal, served until SIGINT or SIGTERM.
#include <signal.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/attributes.h"
#include "base/version.h"
#include "device_model.h"
#include "sim_device.h"

namespace {

using zotpx::sim::Fault;
using zotpx::sim::FaultRule;

constexpr int kDefaultLateMs = 1500;
constexpr int kUsageStatus = 2;

const char kDescription[] =
    "A simulated ZOT-PA / ZOT-PB on-screen-display device on a pseudo-terminal. It prints the\n"
    "path of its pseudo-terminal, links it as COMn when asked (removing the link on exit),\n"
    "answers the probe only at its own rate, identifies itself, acknowledges every command,\n"
    "erases and writes its 0x78000-byte memory, and can misbehave on request.";

const char kFooter[] =
    "Faults (--fault KIND[:N[:MS]]):\n"
    "  KIND   noise bad-checksum wrong-echo short-frame stall silence refuse hang-up late\n"
    "  N      the n-th frame received, from 1 (default 0: every frame)\n"
    "  MS     for late: how long the reply is held back (default 1500)\n"
    "\n"
    "Signals: SIGUSR1 writes the memory dump (--dump) now; SIGINT, SIGTERM and SIGHUP end the\n"
    "simulator, which writes the dump once more on the way out.";

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
  static const std::map<std::string, Fault> kKinds = {{"noise", Fault::Noise},
                                                      {"bad-checksum", Fault::BadChecksum},
                                                      {"wrong-echo", Fault::WrongEcho},
                                                      {"short-frame", Fault::ShortFrame},
                                                      {"stall", Fault::Stall},
                                                      {"silence", Fault::Silence},
                                                      {"refuse", Fault::Refuse},
                                                      {"hang-up", Fault::HangUp},
                                                      {"late", Fault::Late}};
  const std::size_t first = fault_text.find(':');
  const auto kind = kKinds.find(fault_text.substr(0, first));
  if (kind == kKinds.end()) return false;
  rule = FaultRule{kind->second, 0, -1, kind->second == Fault::Late ? kDefaultLateMs : 0};
  if (first == std::string::npos) return true;
  const std::size_t second = fault_text.find(':', first + 1);
  if (!ParseInt(fault_text.substr(first + 1, second - first - 1), 0, 1000000000, rule.nth))
    return false;
  if (second == std::string::npos) return true;
  return rule.fault == Fault::Late &&
         ParseInt(fault_text.substr(second + 1), 0, 600000, rule.delay_ms);
}

bool IsPortName(const std::string& name) {
  int n = 0;
  return name.rfind("COM", 0) == 0 && name.size() > 3 && name[3] != '0' &&
         std::isdigit(static_cast<unsigned char>(name[3])) && ParseInt(name.substr(3), 1, 999, n);
}

// A CLI11 check from a test and the message for a value that fails it.
CLI::Validator Check(const std::string& shape,
                     std::function<std::string(const std::string&)> test) {
  return CLI::Validator([test](std::string& value) { return test(value); }, shape);
}

struct Options {
  zotpx::sim::DeviceConfig config;
  std::string dump;
  std::vector<FaultRule> faults;
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
  app.get_formatter()->column_width(30);

  app.add_option("--model", config.model, "The device model")
      ->required()
      ->type_name("ZOT-PA|ZOT-PB")
      ->check(Check("", [](const std::string& model) {
        return model == "ZOT-PA" || model == "ZOT-PB"
                   ? std::string()
                   : "unknown model: " + model + " (ZOT-PA or ZOT-PB)";
      }));
  std::string rates;
  for (int rate : zotpx::kBaudRateList) rates += (rates.empty() ? "" : " ") + std::to_string(rate);
  app.add_option("--baud", config.baud, "The device's own rate: " + rates)
      ->required()
      ->type_name("RATE")
      ->check(Check("", [](const std::string& text) {
        for (int rate : zotpx::kBaudRateList) {
          if (text == std::to_string(rate)) return std::string();
        }
        return "the device cannot run at " + text + " baud";
      }));
  app.add_option("--firmware", config.version,
                 "Version text of the identification reply, after the model (default \"" +
                     std::string(zotpx::sim::kDefaultVersion) + "\")")
      ->type_name("TEXT")
      ->check(Check("", [](const std::string& text) {
        return text.empty() ? std::string("--firmware needs a text") : std::string();
      }));
  app.add_option("--port", config.link_name,
                 "Link the pseudo-terminal as COMn in ~/.local/state/zotpx/ports/, where the "
                 "tool's port COMn looks first")
      ->type_name("COMn")
      ->check(Check("", [](const std::string& name) {
        return IsPortName(name) ? std::string() : "not a port name: " + name + " (COM1, COM2, ...)";
      }));
  app.add_option("--memory", config.memory_file,
                 "Keep the device's memory in FILE across runs: created erased when missing, "
                 "loaded at start, every erase and write stored at once")
      ->type_name("FILE");
  app.add_option("--dump", options.dump, "Write the memory to FILE at exit and on SIGUSR1")
      ->type_name("FILE");
  app.add_flag("--pacing", config.pacing,
               "Take the line's time for every byte and the processing time for every request");
  app.add_option("--processing-us", config.processing_us,
                 "Processing time per request with --pacing, 0 to 10000000 (default 0)")
      ->type_name("N")
      ->check(Check("", [](const std::string& text) {
        int n = 0;
        return ParseInt(text, 0, 10000000, n) ? std::string()
                                              : "--processing-us needs microseconds, 0 to 10000000";
      }));
  std::vector<std::string> fault_texts;
  app.add_option("--fault", fault_texts, "Misbehave as KIND on the N-th frame (repeatable; below)")
      ->type_name("KIND[:N[:MS]]")
      ->check(Check("", [](const std::string& text) {
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

bool Dump(const zotpx::sim::SimServer& server, const std::string& file) {
  if (file.empty()) return true;
  if (server.DumpMemory(file)) return true;
  std::cerr << "zotpx-sim: cannot write the memory dump " << file << "\n";
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (std::optional<int> status = ParseOptions(argc, argv, options)) return *status;
  const zotpx::sim::DeviceConfig& config = options.config;

  // Signals are taken by sigtimedwait below; the serving thread inherits the mask.
  sigset_t signals;
  sigemptyset(&signals);
  for (int s : {SIGINT, SIGTERM, SIGUSR1, SIGHUP}) sigaddset(&signals, s);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  zotpx::sim::SimServer server(config);
  for (const FaultRule& rule : options.faults) server.AddFault(rule);
  if (!server.Start()) {
    std::cerr << "zotpx-sim: " << server.error() << "\n";
    return 1;
  }
  std::cout << server.path() << std::endl;
  if (!config.link_name.empty()) {
    std::cerr << "zotpx-sim: " << config.model << " at " << config.baud << " baud on "
              << config.link_name << " (" << server.path() << ")\n";
  }

  std::string memory_error;
  const timespec tick{0, 200 * 1000 * 1000};
  for (;;) {
    const int s = sigtimedwait(&signals, nullptr, &tick);
    if (s == SIGINT || s == SIGTERM || s == SIGHUP) break;
    if (s == SIGUSR1) Dump(server, options.dump);
    if (std::string error = server.MemoryFileError(); error != memory_error) {
      std::cerr << "zotpx-sim: " << error << " (the request was refused)\n";
      memory_error = error;
    }
    if (server.HungUp()) {
      // Plugged back in after a second, on a new pty.
      sleep(1);
      server.Stop();
      if (!server.Start()) {
        std::cerr << "zotpx-sim: " << server.error() << "\n";
        break;
      }
      std::cout << server.path() << std::endl;
    }
  }
  server.Stop();
  return Dump(server, options.dump) ? 0 : 1;
}
