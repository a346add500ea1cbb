#include "cli/app.h"

#include <fcntl.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <memory>

#include "base/version.h"
#include "cli/commands.h"
#include "cli/decode.h"
#include "cli/json_output.h"
#include "cli/layout.h"
#include "cli/ports.h"
#include "cli/progress.h"
#include "cli/reporter.h"
#include "cli/station.h"

namespace zotpx::cli {

namespace {

constexpr const char* kExitStatusHelp =
    "Exit status:\n"
    "  0  success\n"
    "  1  the device failed or was not found\n"
    "  2  usage error or values refused (nothing was opened)\n"
    "  3  the port could not be opened\n"
    "With several ports the exit status is the worst of them.\n";

constexpr const char* kDescription =
    "Drives ZOT-PA and ZOT-PB on-screen-display devices over a serial port: the same commands,\n"
    "checks and frames as the zotpx-manager window, for scripts, test benches and production\n"
    "lines. With several ports (-p A -p B, or -p A,B, or -p all) the command runs on all of them\n"
    "at once, one worker process per port, and a summary table follows.";

struct Globals {
  std::vector<std::string> ports;
  std::string baud = "auto";
  std::string log;
  bool trace = false;
  bool json = false;
  bool quiet = false;
};

// One command of the table bound to its CLI11 subcommand and the options' storage.
struct Bound {
  const CommandDef* def = nullptr;
  CLI::App* app = nullptr;
  std::vector<std::pair<const OptionDef*, CLI::Option*>> options;
};

struct Storage {
  std::deque<std::string> texts;
  std::deque<std::vector<std::string>> lists;
  std::deque<bool> flags;
};

CLI::App* SubcommandFor(CLI::App& root, const std::string& path,
                        std::map<std::string, CLI::App*>& groups, const std::string& help) {
  const std::size_t space = path.find(' ');
  if (space == std::string::npos) return root.add_subcommand(path, help);
  const std::string group = path.substr(0, space);
  CLI::App*& parent = groups[group];
  if (!parent) {
    static const std::map<std::string, std::string> kGroupHelp = {
        {"bitmap", "the three bitmap commands: flashing, oversized, single"},
        {"cross", "crosshair settings (set) and movement (move)"},
        {"download", "downloads into the device's memory: font, static, cross"}};
    const auto help_of = kGroupHelp.find(group);
    parent = root.add_subcommand(group, help_of == kGroupHelp.end() ? group : help_of->second);
    parent->require_subcommand(1);
  }
  return parent->add_subcommand(path.substr(space + 1), help);
}

Bound BindCommand(CLI::App& root, const CommandDef& def, std::map<std::string, CLI::App*>& groups,
                  Storage& storage) {
  Bound bound{&def, SubcommandFor(root, def.path, groups, def.help), {}};
  for (const OptionDef& option : def.options) {
    CLI::Option* added = nullptr;
    const std::string help = OptionHelp(option);
    if (option.kind == OptionKind::Flag) {
      storage.flags.push_back(false);
      added = bound.app->add_flag("--" + option.name, storage.flags.back(), help);
    } else if (option.kind == OptionKind::Texts) {
      storage.lists.emplace_back();
      added = bound.app->add_option(option.name, storage.lists.back(), help);
    } else {
      storage.texts.emplace_back();
      std::string name = option.positional ? option.name : "--" + option.name;
      if (option.name == "output") name = "-o,--output";
      added = bound.app->add_option(name, storage.texts.back(), help);
    }
    if (option.kind == OptionKind::Edit) added->type_name("N");
    if (option.kind == OptionKind::List) added->type_name(option.list->keywords ? "WORD" : "N");
    if (option.name == "file" || option.name == "output" || option.name == "shapes")
      added->type_name("FILE");
    if (option.required) added->required();
    bound.options.emplace_back(&option, added);
  }
  return bound;
}

Given Collect(const Bound& bound) {
  Given given;
  for (const auto& [option, added] : bound.options) {
    if (added->count() == 0) continue;
    if (option->kind == OptionKind::Flag) {
      given.emplace_back(option->name, "true");
    } else {
      for (const std::string& text : added->as<std::vector<std::string>>())
        given.emplace_back(option->name, text);
    }
  }
  return given;
}

std::optional<int> ParseBaud(const std::string& text) {
  if (text.empty() || text.size() > 8 || text.find_first_not_of("0123456789") != std::string::npos)
    return std::nullopt;
  const int rate = std::stoi(text);
  if (rate <= 0) return std::nullopt;
  return rate;
}

// Prints one outcome the way the chosen output wants it.
void Print(const Outcome& outcome, const Globals& globals, bool with_port) {
  if (globals.json) {
    std::printf("%s\n", OutcomeToJson(outcome)
                            .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)
                            .c_str());
    return;
  }
  const bool ok = outcome.result == kResultOk;
  if (ok && globals.quiet) return;
  std::FILE* out = ok ? stdout : stderr;
  const std::string prefix = with_port ? outcome.port + ": " : "";
  if (!outcome.status.empty()) std::fprintf(out, "%s%s\n", prefix.c_str(), outcome.status.c_str());
  for (const std::string& line : outcome.details)
    std::fprintf(stdout, "%s%s\n", prefix.c_str(), line.c_str());
}

std::vector<std::string> ExpandPorts(const std::vector<std::string>& given) {
  std::vector<std::string> ports;
  for (const std::string& port : given) {
    if (port == "all") {
      for (const std::string& found : UsbSerialPortPaths()) ports.push_back(found);
    } else if (!port.empty()) {
      ports.push_back(port);
    }
  }
  return ports;
}

}  // namespace

int RunZotpx(int argc, char** argv) {
  CLI::App app(kDescription, "zotpx");
  app.footer(kExitStatusHelp);
  app.set_version_flag("--version", std::string("zotpx ") + kVersion);
  app.require_subcommand(1);
  Globals globals;
  app.add_option("-p,--port", globals.ports,
                 "serial port: COMn or a device path (default COM1); repeat it or give a comma "
                 "list for several at once; 'all' for every USB serial port")
      ->delimiter(',')
      ->type_name("NAME");
  app.add_option("-b,--baud", globals.baud,
                 "rate in bit/s, or 'auto' to find it with the connect scan first (default auto)")
      ->type_name("RATE|auto");
  app.add_option("--log", globals.log,
                 "append the communication log to FILE, as the window shows it")
      ->type_name("FILE");
  app.add_flag("--trace", globals.trace, "show the communication log on standard error as it goes");
  app.add_flag("--json", globals.json,
               "one JSON object per port and command on standard output instead of text");
  app.add_flag("-q,--quiet", globals.quiet, "print nothing but failures; no progress");

  Storage storage;
  std::map<std::string, CLI::App*> groups;
  std::vector<Bound> bound;
  for (const CommandDef& def : Commands()) bound.push_back(BindCommand(app, def, groups, storage));

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    // A word that is no command leaves CLI11 asking for one; name the word instead.
    const std::vector<std::string> extra = app.remaining();
    const std::string message = !extra.empty() && dynamic_cast<const CLI::RequiredError*>(&e)
                                    ? "unknown command '" + extra.front() + "'"
                                    : e.what();
    std::fprintf(stderr, "zotpx: %s\nRun 'zotpx --help' for the commands and options.\n",
                 message.c_str());
    return kExitRefused;
  }

  const Bound* chosen = nullptr;
  for (const Bound& b : bound)
    if (b.app->parsed()) chosen = &b;
  if (!chosen) return kExitRefused;
  const CommandDef& command = *chosen->def;

  FillResult filled = FillValues(command, Collect(*chosen));
  if (filled.error) {
    std::fprintf(stderr, "zotpx: %s\n", filled.error->c_str());
    return kExitRefused;
  }
  if (const int refused = CheckLayoutArgument(command, filled.values, globals.quiet);
      refused != kExitOk)
    return refused;

  if (command.id == CommandId::Decode) return RunDecode(filled.values, globals.json);
  if (command.use == CommandUse::Local) {
    const Outcome outcome = RunLocal(command, filled.values);
    Print(outcome, globals, false);
    return ExitStatusOf(outcome.result);
  }

  Session session;
  if (globals.baud != "auto") {
    session.baud = ParseBaud(globals.baud);
    if (!session.baud) {
      std::fprintf(stderr, "zotpx: --baud '%s': a rate in bit/s or 'auto'\n", globals.baud.c_str());
      return kExitRefused;
    }
  }
  if (globals.ports.empty()) globals.ports.push_back("COM1");
  const std::vector<std::string> ports = ExpandPorts(globals.ports);
  if (ports.empty()) {
    std::fprintf(stderr, "zotpx: --port all: no USB serial port found\n");
    return kExitPort;
  }

  int log_fd = -1;
  if (!globals.log.empty()) {
    log_fd = open(globals.log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (log_fd < 0) {
      std::fprintf(stderr, "zotpx: --log %s: %s\n", globals.log.c_str(), std::strerror(errno));
      return kExitRefused;
    }
  }
  const bool terminal = isatty(STDERR_FILENO) == 1;
  const bool several = ports.size() > 1;

  auto work = [&](const std::string& port, ProgressSink& progress) {
    CliReporter reporter(log_fd, globals.trace, several ? "[" + port + "] " : "",
                         globals.quiet ? nullptr : &progress);
    Session one = session;
    one.port = port;
    return RunOnPort(command, filled.values, one, reporter);
  };

  int status = kExitOk;
  if (!several) {
    std::unique_ptr<ProgressSink> progress;
    if (terminal)
      progress = std::make_unique<TerminalProgress>(stderr);
    else
      progress = std::make_unique<PlainProgress>(stderr, "");
    const Outcome outcome = work(ports.front(), *progress);
    Print(outcome, globals, false);
    status = ExitStatusOf(outcome.result);
  } else {
    const std::vector<Outcome> outcomes =
        RunStation(ports, command.path, work, {stderr, terminal, globals.quiet});
    if (globals.json) {
      for (const Outcome& outcome : outcomes) Print(outcome, globals, true);
    } else if (!globals.quiet) {
      std::printf("%s", SummaryTable(outcomes).c_str());
    } else {
      for (const Outcome& outcome : outcomes) Print(outcome, globals, true);
    }
    status = WorstExitStatus(outcomes);
  }
  if (log_fd >= 0) close(log_fd);
  return status;
}

}  // namespace zotpx::cli
