#include "cli/usage.h"

namespace zotpx::cli {

namespace {

std::vector<const CLI::App*> Subcommands(const CLI::App& app) {
  return app.get_subcommands([](const CLI::App*) { return true; });
}

std::string CommandList(const CLI::App& group) {
  std::string names;
  const std::vector<const CLI::App*> commands = Subcommands(group);
  for (std::size_t i = 0; i < commands.size(); ++i)
    names += (i == 0 ? "" : i + 1 == commands.size() ? " or " : ", ") + commands[i]->get_name();
  return names;
}

// "FILE", "-o FILE": how the help names what is missing.
std::string Named(const CLI::Option& option) {
  const std::string type = option.get_type_name();
  if (option.get_positional()) return type.empty() ? option.get_name() : type;
  const std::string name = option.get_lnames().empty() ? "-" + option.get_snames().front()
                                                       : "--" + option.get_lnames().front();
  return name + (type.empty() ? "" : " " + type);
}

std::string Extra(const CLI::App& app, const std::string& word) {
  const CLI::App& chosen = ChosenCommand(app);
  const std::string path = CommandPath(chosen);
  const bool wants_command = chosen.get_require_subcommand_min() > 0;
  if (word.size() > 1 && word.front() == '-') {
    const std::string name = word.substr(0, word.find('='));
    if (path.empty() || wants_command)
      return "no option " + name +
             " here: the global options are in 'zotpx --help', a command's "
             "own go after it (zotpx COMMAND --help)";
    return "'" + path + "' has no option " + name + " (zotpx " + path + " --help lists its own)";
  }
  if (path.empty()) return "unknown command '" + word + "' (zotpx --help lists them)";
  if (wants_command)
    return "unknown command '" + path + " " + word + "': '" + path + "' takes " +
           CommandList(chosen);
  bool positional = false;
  for (const CLI::Option* option : chosen.get_options())
    positional = positional || option->get_positional();
  return "'" + path + "' takes " + (positional ? "no further argument" : "no argument") + ": '" +
         word + "'";
}

std::string Missing(const CLI::App& app) {
  const CLI::App& chosen = ChosenCommand(app);
  const std::string path = CommandPath(chosen);
  if (chosen.get_require_subcommand_min() > 0 && chosen.get_subcommands().empty())
    return path.empty() ? "no command given (zotpx --help lists them)"
                        : "'" + path + "' needs its command: " + CommandList(chosen);
  for (const CLI::Option* option : chosen.get_options())
    if (option->get_required() && option->count() == 0)
      return "'" + path + "' needs " + Named(*option) + ": " + option->get_description();
  return "something required is missing (zotpx " + path + " --help)";
}

}  // namespace

std::string CommandPath(const CLI::App& command) {
  std::string path;
  for (const CLI::App* at = &command; at && at->get_parent(); at = at->get_parent())
    path = at->get_name() + (path.empty() ? "" : " " + path);
  return path;
}

std::variant<std::vector<std::string>, std::string> SplitEmptyValues(
    const std::vector<std::string>& args, const std::set<std::string>& flags) {
  std::vector<std::string> split;
  bool options = true;
  for (const std::string& arg : args) {
    options = options && arg != "--";
    const bool empty_value =
        options && arg.size() > 3 && arg.rfind("--", 0) == 0 && arg.find('=') == arg.size() - 1;
    if (!empty_value) {
      split.push_back(arg);
      continue;
    }
    const std::string name = arg.substr(2, arg.size() - 3);
    if (flags.count(name)) return arg + ": a flag is true or false (1 or 0), not empty";
    split.push_back("--" + name);
    split.emplace_back();
  }
  return split;
}

std::optional<bool> FlagState(const std::string& word) {
  if (word == "true" || word == "1") return true;
  if (word == "false" || word == "0") return false;
  return std::nullopt;
}

bool AsksForJson(const std::vector<std::string>& args) {
  bool json = false;
  for (const std::string& arg : args) {
    if (arg == "--") break;
    if (arg == "--json") json = true;
    if (arg.rfind("--json=", 0) == 0) json = FlagState(arg.substr(7)).value_or(json);
  }
  return json;
}

std::optional<Language> AskedLanguage(const std::vector<std::string>& args) {
  std::optional<Language> asked;
  for (std::size_t i = 0; i < args.size() && args[i] != "--"; ++i) {
    if (args[i] == "--lang" && i + 1 < args.size())
      asked = LanguageByName(args[++i]);
    else if (args[i].rfind("--lang=", 0) == 0)
      asked = LanguageByName(std::string_view(args[i]).substr(7));
  }
  return asked;
}

const CLI::App& ChosenCommand(const CLI::App& app) {
  const CLI::App* chosen = &app;
  for (bool deeper = true; deeper;) {
    deeper = false;
    for (const CLI::App* sub : Subcommands(*chosen))
      if (sub->parsed()) {
        chosen = sub;
        deeper = true;
        break;
      }
  }
  return *chosen;
}

std::string UsageErrorText(const CLI::App& app, const CLI::ParseError& error) {
  const std::vector<std::string> extra = app.remaining(true);
  if (!extra.empty()) return Extra(app, extra.front());
  if (dynamic_cast<const CLI::RequiredError*>(&error)) return Missing(app);
  if (dynamic_cast<const CLI::ArgumentMismatch*>(&error)) {
    // CLI11 names the option first: "--left: 1 required N missing".
    const std::string what = error.what();
    const std::string name = what.substr(0, what.find(':'));
    if (const CLI::Option* option = app.get_option_no_throw(name))
      return Named(*option) + ": the value is missing";
    for (const CLI::App* sub = &ChosenCommand(app); sub; sub = sub->get_parent())
      if (const CLI::Option* option = sub->get_option_no_throw(name))
        return Named(*option) + ": the value is missing";
  }
  return std::string("the command line cannot be read: ") + error.what();
}

}  // namespace zotpx::cli
