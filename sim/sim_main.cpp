// zotpx-sim: a simulated ZOT-PA / ZOT-PB on a pseudo-terminal, served until SIGINT or SIGTERM.
#include <signal.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "base/attributes.h"
#include "sim_device.h"

namespace {

using zotpx::sim::Fault;
using zotpx::sim::FaultRule;

constexpr int kDefaultLateMs = 1500;

const char kUsage[] =
    "usage: zotpx-sim --model ZOT-PA|ZOT-PB --baud RATE [--version TEXT] [--port COMn]\n"
    "                 [--dump FILE] [--pacing] [--processing-us N] [--fault KIND[:N[:MS]]]...\n"
    "  RATE   9600 19200 38400 57600 115200 230400 345600 460800\n"
    "  KIND   noise bad-checksum wrong-echo short-frame stall silence refuse hang-up late\n"
    "  N      the n-th frame received, from 1 (default 0: every frame)\n"
    "  MS     for late: how long the reply is held back (default 1500)\n"
    "Prints the pty's path; SIGUSR1 writes the memory dump now, SIGINT/SIGTERM end it.\n";

int Usage(const std::string& message) {
  std::cerr << "zotpx-sim: " << message << "\n" << kUsage;
  return 2;
}

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
  if (!ParseInt(fault_text.substr(first + 1, second - first - 1), 0, 1000000000, rule.nth)) return false;
  if (second == std::string::npos) return true;
  return rule.fault == Fault::Late && ParseInt(fault_text.substr(second + 1), 0, 600000, rule.delay_ms);
}

bool IsPortName(const std::string& name) {
  int n = 0;
  return name.rfind("COM", 0) == 0 && name.size() > 3 && name[3] != '0' &&
         std::isdigit(static_cast<unsigned char>(name[3])) && ParseInt(name.substr(3), 1, 999, n);
}

bool Dump(const zotpx::sim::SimServer& server, const std::string& file) {
  if (file.empty()) return true;
  if (server.DumpMemory(file)) return true;
  std::cerr << "zotpx-sim: cannot write the memory dump " << file << "\n";
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  zotpx::sim::DeviceConfig config;
  config.model.clear();
  config.baud = 0;
  std::string dump;
  std::vector<FaultRule> faults;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool has_value = i + 1 < argc;
    auto value = [&]() -> std::string { return has_value ? argv[++i] : std::string(); };
    if (arg == "--help" || arg == "-h") {
      std::cout << kUsage;
      return 0;
    } else if (arg == "--pacing") {
      config.pacing = true;
    } else if (arg != "--model" && arg != "--baud" && arg != "--version" && arg != "--port" &&
               arg != "--dump" && arg != "--fault" && arg != "--processing-us") {
      return Usage("unknown argument: " + arg);
    } else if (!has_value) {
      return Usage(arg + " needs a value");
    } else if (arg == "--model") {
      config.model = value();
      if (config.model != "ZOT-PA" && config.model != "ZOT-PB") {
        return Usage("unknown model: " + config.model + " (ZOT-PA or ZOT-PB)");
      }
    } else if (arg == "--baud") {
      const std::string text = value();
      bool known = false;
      for (int rate : zotpx::kBaudRateList) known = known || text == std::to_string(rate);
      if (!known) return Usage("the device cannot run at " + text + " baud");
      config.baud = std::atoi(text.c_str());
    } else if (arg == "--version") {
      config.version = value();
      if (config.version.empty()) return Usage("--version needs a text");
    } else if (arg == "--port") {
      config.link_name = value();
      if (!IsPortName(config.link_name)) {
        return Usage("not a port name: " + config.link_name + " (COM1, COM2, ...)");
      }
    } else if (arg == "--dump") {
      dump = value();
    } else if (arg == "--processing-us") {
      if (!ParseInt(value(), 0, 10000000, config.processing_us)) {
        return Usage("--processing-us needs microseconds, 0 to 10000000");
      }
    } else {
      const std::string fault_text = value();
      FaultRule rule;
      if (!ParseFault(fault_text, rule)) return Usage("not a fault: " + fault_text);
      faults.push_back(rule);
    }
  }
  if (config.model.empty()) return Usage("--model is required");
  if (config.baud == 0) return Usage("--baud is required");

  // Signals are taken by sigtimedwait below; the serving thread inherits the mask.
  sigset_t signals;
  sigemptyset(&signals);
  for (int s : {SIGINT, SIGTERM, SIGUSR1, SIGHUP}) sigaddset(&signals, s);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  zotpx::sim::SimServer server(config);
  for (const FaultRule& rule : faults) server.AddFault(rule);
  if (!server.Start()) {
    std::cerr << "zotpx-sim: " << server.error() << "\n";
    return 1;
  }
  std::cout << server.path() << std::endl;
  if (!config.link_name.empty()) {
    std::cerr << "zotpx-sim: " << config.model << " at " << config.baud << " baud on "
              << config.link_name << " (" << server.path() << ")\n";
  }

  const timespec tick{0, 200 * 1000 * 1000};
  for (;;) {
    const int s = sigtimedwait(&signals, nullptr, &tick);
    if (s == SIGINT || s == SIGTERM || s == SIGHUP) break;
    if (s == SIGUSR1) Dump(server, dump);
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
  return Dump(server, dump) ? 0 : 1;
}
