#include "cli/app.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <tuple>

#include "base/console.h"
#include "base/language.h"
#include "base/platform_words.h"
#include "base/printable.h"
#include "base/version.h"
#include "base/write_signals.h"
#include "cli/commands.h"
#include "cli/decode.h"
#include "cli/help_format.h"
#include "cli/interrupt.h"
#include "cli/json_output.h"
#include "cli/layout_commands.h"
#include "cli/ports.h"
#include "cli/progress.h"
#include "cli/reporter.h"
#include "cli/station.h"
#include "cli/usage.h"
#include "serial/port.h"
#include "serial/port_url.h"

namespace zotpx::cli {

namespace {

std::string ExitStatusHelp() {
  return std::string(
             "Exit status:\n"
             "  0  success\n"
             "  1  the device failed or was not found\n"
             "  2  usage error or values refused: before anything was opened, or once the\n"
             "     device has identified itself, by a download's checks or as a command its\n"
             "     model does not have (nothing more is sent); or an output file that cannot\n"
             "     be written\n"
             "  3  the port could not be opened, or its line went mid-command (an adapter\n"
             "     pulled, a network connection lost)\n"
             "  4  the command did its work, but standard output or a --log or --log-dir\n"
             "     file could not be written in full (said on standard error); the status\n"
             "     of any other failure comes first\n") +
         SystemWords().stop_status + "With several ports the exit status is the worst of them.\n";
}

constexpr const char* kValuesHelp =
    "Values:\n"
    "  Numbers are decimal, leading zeros too (010 is ten), or hex after $, x or\n"
    "  0x where --help says so. --NAME= is an empty value, as --NAME '' is: an\n"
    "  edit box's or a text's option refuses it as the window does, --at takes it\n"
    "  for now; a file name or a flag's state may not be empty. A flag takes true\n"
    "  or false (1 or 0); --at exactly YYYY-MM-DD HH:MM:SS. An option given twice\n"
    "  must give the same value (of -b, --log and --log-dir the later counts).\n"
    "  ports, cross-file, static, render and decode use no port: they refuse -p,\n"
    "  -b, --log, --log-dir, --trace and --log-time.\n";

// The heading of the global options in each command's --help (bash completion reads it).
constexpr const char* kGlobalOptionsHeading = "Global options (before or after the command)";

// One paragraph: --help breaks it to the terminal's 80 columns (help_format.h).
constexpr const char* kDescription =
    "Drives ZOT-PA and ZOT-PB on-screen-display devices over a serial port, local or "
    "through a serial server on the network (rfc2217://HOST:PORT, tcp://HOST:PORT): the same "
    "commands, checks and frames as the zotpx-manager window, for scripts, test benches and "
    "production lines. With several ports (-p A -p B, or -p A,B, or -p all) the command runs "
    "on all of them "
    "at once, one worker process per port, and a summary table follows.";

// One command of the table bound to its CLI11 subcommand and the options' storage.
struct Bound {
  const CommandDef* def = nullptr;
  CLI::App* app = nullptr;
  std::vector<std::pair<const OptionDef*, CLI::Option*>> options;
};

struct Storage {
  std::deque<std::string> texts;
  std::deque<std::vector<std::string>> lists;
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
    if (option.kind == OptionKind::Flag) {
      // Its words are FillValues' to judge: CLI11 would refuse "--filled=maybe" in its own.
      storage.texts.emplace_back();
      added = bound.app->add_flag("--" + option.name, storage.texts.back(), option.help);
    } else if (option.kind == OptionKind::Values && option.positional) {
      storage.lists.emplace_back();
      added = bound.app->add_option(option.name, storage.lists.back(), option.help);
    } else if (option.kind == OptionKind::Values) {
      // One word a time, so that an input after it is never taken for one of its values.
      storage.lists.emplace_back();
      added = bound.app->add_option("--" + option.name, storage.lists.back(), option.help)
                  ->allow_extra_args(false);
    } else {
      storage.texts.emplace_back();
      std::string name = option.positional ? option.name : "--" + option.name;
      if (option.name == "output") name = "-o,--output";
      const bool file_out = option.name == "output" || option.name == "image";
      added =
          bound.app->add_option(name, storage.texts.back(),
                                file_out ? option.help + " ('-': standard output)" : option.help);
      // Given twice, both words go to FillValues, which refuses two that differ.
      if (!option.positional) added->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    }
    if (!option.type_name.empty()) added->type_name(option.type_name);
    if (option.required) added->required();
    bound.options.emplace_back(&option, added);
  }
  return bound;
}

// The words in the order they stand on the command line, each occurrence with its value
// (--fill=false is a choice too).
Given Collect(const Bound& bound) {
  Given given;
  std::map<const CLI::Option*, std::size_t> taken;
  for (const CLI::Option* added : bound.app->parse_order()) {
    const auto option = std::find_if(bound.options.begin(), bound.options.end(),
                                     [added](const auto& o) { return o.second == added; });
    const std::size_t n = taken[added]++;
    if (option != bound.options.end() && n < added->results().size())
      given.push_back({option->first->name, added->results()[n]});
  }
  return given;
}

// Decimal digits; leading zeros are decimal ones too, as the integer rule has them.
std::optional<int> ParseBaud(std::string text) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
    return std::nullopt;
  text.erase(0, std::min(text.find_first_not_of('0'), text.size() - 1));
  if (text.size() > 8) return std::nullopt;
  const int rate = std::stoi(text);
  if (rate <= 0) return std::nullopt;
  return rate;
}

// Prints one outcome the way the chosen output wants it; `out` is where standard output's
// part goes (standard error when the command's output file is standard output).
void Print(const Outcome& outcome, const Globals& globals, bool with_port,
           std::FILE* out = stdout) {
  if (globals.json) {
    PrintText(out, "%s\n",
              OutcomeToJson(outcome)
                  .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)
                  .c_str());
    return;
  }
  const bool ok = outcome.result == kResultOk;
  // A device's identification is its own text: nothing in it reaches the terminal raw.
  const std::string prefix = with_port ? outcome.port + ": " : "";
  if (ok && globals.quiet) return;
  if (!outcome.status.empty())
    PrintText(ok ? out : stderr, "%s%s\n", prefix.c_str(), PrintableText(outcome.status).c_str());
  for (const std::string& line : outcome.details)
    PrintText(out, "%s%s\n", prefix.c_str(), PrintableText(line).c_str());
}

// The worst of the outcomes; a run the user stopped exits as its signal says; a run that went
// well but lost some of its log says so. A lost log is said on standard error, whatever the
// output's form.
int ExitStatusFor(const std::vector<Outcome>& outcomes, bool with_port) {
  for (const Outcome& outcome : outcomes)
    if (!outcome.log_error.empty())
      std::fprintf(stderr, "zotpx: %s%s; the log is incomplete\n",
                   with_port ? (outcome.port + ": ").c_str() : "", outcome.log_error.c_str());
  for (const Outcome& outcome : outcomes)
    if (outcome.result == kResultInterrupted && InterruptSignal() != 0)
      return InterruptedExitStatus();
  const int worst = WorstExitStatus(outcomes);
  const bool log_lost = std::any_of(outcomes.begin(), outcomes.end(),
                                    [](const Outcome& o) { return !o.log_error.empty(); });
  return worst == kExitOk && log_lost ? kExitRecordLost : worst;
}

// Standard output that could not be written whole (a closed pipe, a full disk) fails a run
// that went well: a script must not take a lost result for success.
int CheckStandardOutput(int status) {
  const bool flushed = std::fflush(stdout) == 0;
  if (flushed && !std::ferror(stdout)) return status;
  std::fprintf(stderr, "zotpx: standard output could not be written in full%s%s\n",
               flushed ? "" : ": ", flushed ? "" : std::strerror(errno));
  return status == kExitOk ? kExitRecordLost : status;
}

std::vector<std::string> ExpandPorts(const std::vector<std::string>& given) {
  std::vector<std::string> ports;
  for (const std::string& port : given) {
    if (port == "all") {
      for (const std::string& found : UsbSerialPortPaths()) ports.push_back(found);
    } else {
      ports.push_back(port);  // an empty one too: it is refused with the other bad names
    }
  }
  return ports;
}

}  // namespace

namespace {

// The program's options that only a command talking to a device uses.
constexpr const char* kDeviceOptions[] = {"--port",    "--baud",  "--log",
                                          "--log-dir", "--trace", "--log-time"};

// The words a flag may be given with ("--fill=", "--json=maybe") are judged here, not by CLI11,
// so that every flag reads its words alike.
std::set<std::string> FlagNames() {
  std::set<std::string> names = {"help", "version", "trace", "log-time", "json", "quiet"};
  for (const CommandDef& def : Commands())
    for (const OptionDef& option : def.options)
      if (option.kind == OptionKind::Flag) names.insert(option.name);
  return names;
}

int RefuseUsage(const std::string& command, const std::string& message, bool json,
                bool with_hint = false) {
  const int status = PrintRefusal(command, message, json);
  if (with_hint && !json) PrintText(stderr, "Run 'zotpx --help' for the commands and options.\n");
  return status;
}

}  // namespace

std::variant<Invocation, int> ParseCommandLine(int argc, const char* const* argv) {
  Invocation invocation;
  Globals& globals = invocation.globals;
  const std::vector<std::string> given(argv + 1, argv + argc);
  const bool json = AsksForJson(given);
  const auto split = SplitEmptyValues(given, FlagNames());
  if (const std::string* refused = std::get_if<std::string>(&split))
    return RefuseUsage("", *refused, json, true);
  std::vector<const char*> args = {argc > 0 ? argv[0] : "zotpx"};
  for (const std::string& arg : std::get<std::vector<std::string>>(split))
    args.push_back(arg.c_str());

  CLI::App app(kDescription, "zotpx");
  // Before the commands are added: each takes the program's formatter.
  const auto formatter = std::make_shared<HelpFormatter>();
  app.formatter(formatter);
  // "/dev/ttyUSB0" or "/tmp/a.bmp" is a value on every system, never a Windows-style option.
  app.allow_windows_style_options(false);
  app.footer(ExitStatusHelp());
  app.set_help_flag("-h,--help", "print this help and exit");
  app.set_version_flag("--version", std::string("zotpx ") + kVersion,
                       "print the program's version and exit");
  app.require_subcommand(1);
  // The global options stand before or after the command: an option the command does not
  // know is handed up to the program's own.
  app.fallthrough();
  // The flags' words, judged below as every flag's are.
  std::string trace, log_time, json_word, quiet, language;
  std::vector<const CLI::Option*> global_options = {
      // One name a time, so that a command's argument after it is never taken for a port.
      app.add_option("-p,--port", globals.ports,
                     std::string("port: ") + SystemWords().port_kinds +
                         ", or a serial server's rfc2217://HOST:PORT or tcp://HOST:PORT "
                         "(default COM1); repeat it or give a comma list for several at once, "
                         "local and remote mixed; 'all' for every USB serial port")
          ->allow_extra_args(false)
          ->delimiter(',')
          ->type_name("NAME"),
      // Given twice, before and after the command, the later one counts.
      app.add_option("-b,--baud", globals.baud,
                     "rate in bit/s, or 'auto' to find it with the connect scan first (default "
                     "auto); over tcp:// the far end's rate, which it cannot set: 'auto' then "
                     "identifies the device at whatever rate the line runs")
          ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast)
          ->type_name("RATE|auto"),
      app.add_option("--log", globals.log,
                     "append the communication log to FILE, as the window shows it; with "
                     "several ports each line starts with its port, as --trace shows it")
          ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast)
          ->type_name("FILE"),
      app.add_option("--log-dir", globals.log_dir,
                     std::string("append each port's communication log to a file of its own in "
                                 "DIR (made when missing): ") +
                         SystemWords().log_names +
                         ", rfc2217_HOST_PORT.log for rfc2217://HOST:PORT")
          ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast)
          ->type_name("DIR"),
      app.add_flag("--trace", trace, "show the communication log on standard error as it goes"),
      app.add_flag("--log-time", log_time,
                   "start every log line (--log, --log-dir, --trace) with its local time to "
                   "the microsecond and UTC offset; a reply's is its first byte's"),
      app.add_flag("--json", json_word,
                   "one JSON object per port and command on standard output instead of text; "
                   "a run refused before any port is opened gives one too"),
      app.add_flag("-q,--quiet", quiet, "print nothing but failures; no progress"),
      // Read before the parser runs (AskedLanguage); here to be documented and judged.
      app.add_option("--lang", language,
                     "the language of the messages: en or zh (default: ZOTPX_LANG, else the "
                     "locale's LANGUAGE, LC_ALL, LC_MESSAGES or LANG; Chinese when they name "
                     "neither); --json keys and result words stay the same in both")
          ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast)
          ->type_name("LANG"),
  };
  // Every command's --help lists them too, after its own: the commands take the footer the
  // program has when they are made.
  std::string global_help = formatter->make_group(kGlobalOptionsHeading, false, global_options);
  global_help.erase(0, global_help.find_first_not_of('\n'));
  app.footer(global_help + "\n" + kValuesHelp + "\n" + ExitStatusHelp());

  Storage storage;
  std::map<std::string, CLI::App*> groups;
  std::vector<Bound> bound;
  for (const CommandDef& def : Commands()) bound.push_back(BindCommand(app, def, groups, storage));
  app.footer(std::string(kValuesHelp) + "\n" + ExitStatusHelp());

  // What CLI11 prints goes out as the rest does: whole, and wide to a Windows console.
  const auto answer = [&app](const CLI::Error& e) {
    std::ostringstream out, err;
    const int status = app.exit(e, out, err);
    WriteText(stdout, out.str());
    WriteText(stderr, err.str());
    return status;
  };
  try {
    app.parse(static_cast<int>(args.size()), args.data());
  } catch (const CLI::CallForHelp& e) {
    return answer(e);
  } catch (const CLI::CallForAllHelp& e) {
    return answer(e);
  } catch (const CLI::CallForVersion& e) {
    return answer(e);
  } catch (const CLI::ParseError& e) {
    return RefuseUsage(CommandPath(ChosenCommand(app)), UsageErrorText(app, e), json, true);
  }

  const Bound* chosen = nullptr;
  for (const Bound& b : bound)
    if (b.app->parsed()) chosen = &b;
  if (!chosen) return RefuseUsage("", "no command given (zotpx --help lists them)", json, true);
  invocation.command = chosen->def;
  const std::string& path = chosen->def->path;
  for (const auto& [word, flag, name] : {std::tuple{&trace, &globals.trace, "--trace"},
                                         std::tuple{&log_time, &globals.log_time, "--log-time"},
                                         std::tuple{&json_word, &globals.json, "--json"},
                                         std::tuple{&quiet, &globals.quiet, "--quiet"}}) {
    const std::optional<bool> state = word->empty() ? false : FlagState(*word);
    if (!state)
      return RefuseUsage(
          path, std::string(name) + "=" + *word + ": a flag is true or false (1 or 0)", json);
    *flag = *state;
  }
  if (app.get_option("--lang")->count() > 0 && !LanguageByName(language))
    return RefuseUsage(path, "--lang '" + language + "': en or zh", json);
  // A command that talks to no device has no use for them: given, they are a slip.
  if (chosen->def->use == CommandUse::Local)
    for (const char* name : kDeviceOptions)
      if (app.get_option(name)->count() > 0)
        return RefuseUsage(path, "'" + path + "' uses no port: " + name + " does not apply to it",
                           json);
  if (app.get_option("--log")->count() > 0 && globals.log.empty())
    return RefuseUsage(path, "--log: an empty file name", json);
  if (app.get_option("--log-dir")->count() > 0 && globals.log_dir.empty())
    return RefuseUsage(path, "--log-dir: an empty folder name", json);

  FillResult filled = FillValues(*chosen->def, Collect(*chosen));
  if (filled.error) return RefuseUsage(path, *filled.error, json);
  invocation.values = std::move(filled.values);
  return invocation;
}

namespace {

int RunCommand(int argc, char** argv) {
  // A station worker: started by station mode with its port and the run's own arguments.
  const std::vector<std::string> args(argv + 1, argv + argc);
  const bool worker = args.size() >= 2 && args[0] == kStationWorkerOption;
  if (worker) {
    argv[2] = argv[0];
    argv += 2;
    argc -= 2;
  }
  std::variant<Invocation, int> parsed = ParseCommandLine(argc, argv);
  if (const int* status = std::get_if<int>(&parsed)) return *status;
  Invocation& invocation = std::get<Invocation>(parsed);
  const CommandDef& command = *invocation.command;
  const CommandValues& values = invocation.values;
  Globals& globals = invocation.globals;
  const auto refuse = [&](const std::string& status, const char* result = kResultRefused) {
    return PrintRefusal(command.path, status, globals.json, result);
  };
  // A worker's run was checked by the parent, which has said what there was to say.
  if (!worker)
    if (const std::optional<Outcome> refused = CheckLayoutArgument(command, values, globals.quiet))
      return PrintRefusal(*refused, globals.json);

  if (command.id == CommandId::Decode) return RunDecode(values, globals.json);
  for (const std::string& url : values.urls)
    if (ParsePortUrl(url).kind == PortUrl::Kind::NotUrl)
      return refuse("ports: '" + url +
                    "' is no serial server's URL (rfc2217://HOST:PORT or tcp://HOST:PORT); the "
                    "local ports are listed without naming them");
  if (command.id == CommandId::Ports && values.watch) {
    // A server is no device that comes and goes: it is tried once, without --watch.
    if (!values.urls.empty())
      return refuse("ports: --watch follows the local ports; try a serial server without it");
    return WatchPorts(globals.json, globals.quiet);
  }
  if (command.use == CommandUse::Local) {
    const Outcome outcome = RunLocal(command, values);
    Print(outcome, globals, false, WritesToStandardOutput(values) ? stderr : stdout);
    return ExitStatusOf(outcome.result);
  }

  Session session;
  if (globals.baud != "auto") {
    session.baud = ParseBaud(globals.baud);
    if (!session.baud) return refuse("--baud '" + globals.baud + "': a rate in bit/s or 'auto'");
  }
  if (globals.ports.empty()) globals.ports.push_back("COM1");
  const std::vector<std::string> ports =
      worker ? std::vector<std::string>{args[1]} : ExpandPorts(globals.ports);
  if (ports.empty()) return refuse("--port all: no USB serial port found", kResultPortFailed);
  if (const std::optional<std::string> refused = RefusePortNames(ports)) return refuse(*refused);

  const bool several = ports.size() > 1 || worker;
  const LogFiles logs(globals.log, globals.log_dir, ports);
  if (!logs.error().empty()) return refuse(logs.error());
  const bool terminal = StandardErrorIsTerminal();
  CatchInterrupts();

  auto work = [&](const std::string& port, ProgressSink& progress) {
    Outcome outcome;
    {
      // Its last block is written when it goes.
      CliReporter reporter(logs.For(port, several), globals.trace, several ? "[" + port + "] " : "",
                           globals.quiet ? nullptr : &progress, globals.log_time);
      // Everything this invocation sends goes through one opening of the port, and one purge.
      Port line;
      line.Hold();
      Session one = session;
      one.port = port;
      one.line = &line;
      outcome = RunOnPort(command, values, one, reporter);
      line.Release();
    }
    // One port to a process: this process's logs are this port's.
    outcome.log_error = logs.WriteFailures();
    return outcome;
  };

  if (worker) return RunStationWorker(ports.front(), work);
  int status = kExitOk;
  if (!several) {
    std::unique_ptr<ProgressSink> progress;
    if (terminal)
      progress = std::make_unique<TerminalProgress>(stderr);
    else
      progress = std::make_unique<PlainProgress>(stderr, "");
    const Outcome outcome = work(ports.front(), *progress);
    Print(outcome, globals, false);
    status = ExitStatusFor({outcome}, false);
  } else {
    const std::vector<Outcome> outcomes =
        RunStation(ports, command.path, args, {stderr, terminal, globals.quiet});
    if (globals.json) {
      for (const Outcome& outcome : outcomes) Print(outcome, globals, true);
    } else if (!globals.quiet) {
      PrintText(stdout, "%s", SummaryTable(outcomes).c_str());
    } else {
      for (const Outcome& outcome : outcomes) Print(outcome, globals, true);
    }
    status = ExitStatusFor(outcomes, true);
  }
  return status;
}

}  // namespace

int RunZotpx(int argc, char** argv) {
  KeepGoingWhenWritesFail();
  // Once, before anything is printed; a station's workers are given the same arguments and
  // environment, so they speak as their parent does.
  SetLanguage(AskedLanguage(std::vector<std::string>(argv + 1, argv + argc))
                  .value_or(LanguageFromSystem()));
  return CheckStandardOutput(RunCommand(argc, argv));
}

}  // namespace zotpx::cli
