#include "cli/options.h"

#include <algorithm>

#include "base/texts.h"

namespace zotpx::cli {

namespace {

// The options of a row's fields, in frame order; a flag with a word for its other item has an
// option for each item.
std::vector<OptionDef> FieldOptions(const CommandRow& row) {
  std::vector<OptionDef> options;
  for (const FieldDef& field : row.fields) {
    OptionDef option;
    option.name = field.name;
    option.help = FieldHelp(field);
    option.positional = field.positional;
    switch (field.kind) {
      case FieldKind::Data:
        continue;
      case FieldKind::Flag:
        option.kind = OptionKind::Flag;
        // The flags in their list's order: --fill, then --clear.
        if (!field.off_name.empty())
          options.push_back({std::string(field.off_name),
                             std::string(field.off_help),
                             OptionKind::Flag,
                             {},
                             false,
                             false,
                             {},
                             {}});
        options.push_back(option);
        continue;
      case FieldKind::Coordinate:
      case FieldKind::Number:
        option.type_name = "N";
        break;
      case FieldKind::List:
        option.type_name = field.list->keywords ? "WORD" : "N";
        break;
      case FieldKind::Bitmap:
        option.type_name = "FILE";
        option.required = true;
        break;
      default:
        break;
    }
    options.push_back(option);
  }
  return options;
}

Setter SetText(std::string CommandValues::*member) {
  return [member](CommandValues& v, const std::string& word) { v.*member = word; };
}

Setter AddText(std::vector<std::string> CommandValues::*member) {
  return [member](CommandValues& v, const std::string& word) { (v.*member).push_back(word); };
}

// A comma list, each word on its own (an empty one too: it is refused as naming nothing).
Setter AddWords(std::vector<std::string> CommandValues::*member) {
  return [member](CommandValues& v, const std::string& words) {
    for (std::size_t at = 0; at <= words.size();) {
      const std::size_t comma = std::min(words.find(',', at), words.size());
      (v.*member).push_back(words.substr(at, comma - at));
      at = comma + 1;
    }
  };
}

Setter SetFlag(bool CommandValues::*member) {
  return [member](CommandValues& v, const std::string& word) { v.*member = word == "true"; };
}

OptionDef File(std::string name, std::string help, std::string type_name = "FILE") {
  return {std::move(name),
          std::move(help),
          OptionKind::Value,
          std::move(type_name),
          true,
          true,
          {},
          SetText(&CommandValues::file)};
}

OptionDef Output(std::string help, bool required = true) {
  return {"output",
          std::move(help),
          OptionKind::Value,
          "FILE",
          false,
          required,
          {},
          SetText(&CommandValues::output)};
}

OptionDef Text(std::string name, std::string help, std::string CommandValues::*member,
               std::string default_text = {}) {
  if (!default_text.empty()) help += " (default \"" + default_text + "\")";
  return {std::move(name), std::move(help), OptionKind::Value,       {},
          false,           false,           std::move(default_text), SetText(member)};
}

// A file named by an option, not an argument.
OptionDef FileText(std::string name, std::string help, std::string CommandValues::*member) {
  OptionDef option = Text(std::move(name), std::move(help), member);
  option.type_name = "FILE";
  return option;
}

OptionDef Flag(std::string name, std::string help, bool CommandValues::*member) {
  return {std::move(name), std::move(help), OptionKind::Flag, {}, false, false, {},
          SetFlag(member)};
}

OptionDef Positionals(std::string name, std::string help, std::string type_name, bool required,
                      std::vector<std::string> CommandValues::*member) {
  return {std::move(name),
          std::move(help),
          OptionKind::Values,
          std::move(type_name),
          true,
          required,
          {},
          AddText(member)};
}

// An empty start-up list replaces the device's own: only on purpose.
OptionDef AllowEmpty() {
  return Flag("allow-empty",
              "accept a file that gives no start-up command: the start-up list becomes empty",
              &CommandValues::allow_empty);
}

std::vector<CommandDef> BuildCommands() {
  std::vector<CommandDef> commands;
  commands.push_back({CommandId::Ports,
                      "ports",
                      "list the serial ports, what they are and whether you may open them",
                      "",
                      CommandUse::Local,
                      // Lines of their own: the help stays within 80 columns.
                      {Flag("watch",
                            "then a line (--json: an object) for each port\n"
                            "that arrives or leaves, written at once, until\n"
                            "Ctrl-C or SIGTERM; the ports there at the start\n"
                            "come first, as 'present'",
                            &CommandValues::watch),
                       Positionals("servers",
                                   "serial servers to try as well\n"
                                   "(rfc2217://HOST:PORT, tcp://HOST:PORT): each is\n"
                                   "connected to and said reachable, or why not",
                                   "URL", false, &CommandValues::urls)}});
  commands.push_back({CommandId::Connect,
                      "connect",
                      "find the device's rate and identify it (model, version, rate)",
                      std::string(zotpx::Text("caption.BtnSearchCmd")),
                      CommandUse::Device,
                      {}});
  // The rows a user sends: those a layout holds too.
  for (const CommandRow& row : CommandRows())
    if (!row.table.empty())
      commands.push_back({CommandId::Frames, std::string(row.name), std::string(row.help),
                          row.title, CommandUse::Frames, FieldOptions(row), &row});

  commands.push_back(
      {CommandId::CrossFile,
       "cross-file",
       "build a crosshair file from up to 20 shape bitmaps (384x256, 1 bit per pixel)",
       std::string(zotpx::Text("caption.BtnCrossDownFile")),
       CommandUse::Local,
       {Positionals("shapes", "shape bitmaps, in slot order", "FILE", true, &CommandValues::files),
        Text("origin", "the shapes' common origin X,Y", &CommandValues::origin, "192,128"),
        Output("the crosshair file to write")}});
  commands.push_back(
      {CommandId::Static,
       "static",
       "turn a static command text into the start-up image (User.cfg), or a layout (.toml) "
       "into a static command text",
       std::string(zotpx::Text("caption.BtnStaticCmd")),
       CommandUse::Local,
       {File("file", "static command text, or a layout file (.toml)"),
        Output("the image to write; from a layout, the static command text"),
        FileText("image", "from a layout: the start-up image (User.cfg) to write too",
                 &CommandValues::image),
        AllowEmpty()}});
  commands.push_back({CommandId::DownloadFont,
                      "download font",
                      "download an internal font library",
                      std::string(zotpx::Text("caption.BtnEepromCmd")),
                      CommandUse::Download,
                      {File("file", "font library file")}});
  commands.push_back(
      {CommandId::DownloadStatic,
       "download static",
       "build the start-up image from a static command text or a layout (.toml) "
       "and download it",
       std::string(zotpx::Text("caption.BtnStaticCmd")),
       CommandUse::Download,
       {File("file", "static command text, or a layout file (.toml)"), AllowEmpty()}});
  commands.push_back({CommandId::DownloadCross,
                      "download cross",
                      "download a crosshair file (ZOT-PB)",
                      std::string(zotpx::Text("caption.BtnCrossDownCmd")),
                      CommandUse::Download,
                      {File("file", "crosshair file")}});
  commands.push_back(
      {CommandId::Send,
       "send",
       "send one command frame (checksum filled in when left out) and print the reply",
       // No button of the window sends raw frames; this heads the log block and the status.
       std::string(zotpx::Text("cli.raw_frame")),
       CommandUse::Device,
       {Positionals("bytes",
                    "the frame in hex, from 55 AA on; the checksum byte may be left out, and a "
                    "wrong one is refused",
                    "", true, &CommandValues::hex),
        Flag("raw",
             "send the bytes exactly as given (any length, any checksum) and print, in hex, "
             "whatever comes back within the reply time-out",
             &CommandValues::raw)}});
  commands.push_back({CommandId::Apply,
                      "apply",
                      "check a layout file (.toml) whole, then send its objects in order",
                      "",
                      CommandUse::Frames,
                      {File("layout", "layout file")}});
  commands.push_back(
      {CommandId::Render,
       "render",
       "draw a layout file as the device would show it, into a PNG; no device needed",
       "",
       CommandUse::Local,
       {File("layout", "layout file"), Output("the PNG to write"),
        FileText("video", "picture under the overlay (PNG, JPEG, BMP...; default the test card)",
                 &CommandValues::video),
        FileText("cross",
                 "crosshair file (Cross.bin) the device holds, so its shapes are drawn (default "
                 "none: the crosshair shows only its read-out)",
                 &CommandValues::cross_file),
        Text("at",
             "\"YYYY-MM-DD HH:MM:SS\" the date and time fields show, unless the layout sets the "
             "clock (default now)",
             &CommandValues::at)}});
  commands.push_back(
      {CommandId::Format,
       "format",
       "write a layout file again as zotpx-designer saves it: the same frames "
       "and picture, one form (comments are not kept)",
       "",
       CommandUse::Local,
       {File("layout", "layout file", ""),
        {"output", "the layout to write, its bitmaps beside it (default: standard output)",
         OptionKind::Value, "FILE", false, false, "-", SetText(&CommandValues::output)}}});
  commands.push_back(
      {CommandId::Decode,
       "decode",
       "explain frames: hex bytes, a communication log or a static command text (default: "
       "standard input); or turn a log into a layout file",
       "",
       CommandUse::Local,
       {Positionals("input",
                    "hex bytes, or files: a communication log, a static command text, hex; - for "
                    "standard input",
                    "", false, &CommandValues::inputs),
        Flag("layout", "write the overlay commands the device acknowledged as a layout file",
             &CommandValues::to_layout),
        Output("with --layout: the layout file to write (bitmaps go beside it)", false),
        {"only",
         "keep these commands only, with their replies: rect, cross-move, bitmap (every "
         "kind)...; a comma list, or repeat it",
         OptionKind::Values,
         "NAME",
         false,
         false,
         {},
         AddWords(&CommandValues::only)},
        Flag("errors",
             "keep only what is wrong (frames, replies, requests unanswered or answered late, "
             "failed transfers); exit status 1 if any",
             &CommandValues::errors_only),
        Flag("stats",
             "a summary instead: per command its frames, failures, bytes, reply latency "
             "(median, worst)",
             &CommandValues::stats)}});
  return commands;
}

}  // namespace

const std::vector<CommandDef>& Commands() {
  static const std::vector<CommandDef> commands = BuildCommands();
  return commands;
}

const CommandDef* FindCommand(std::string_view path) {
  for (const CommandDef& command : Commands())
    if (command.path == path) return &command;
  return nullptr;
}

const CommandDef& CommandOf(CommandId id) {
  for (const CommandDef& command : Commands())
    if (command.id == id) return command;
  return Commands().front();
}

const CommandDef& CommandFor(const CommandRow& row) {
  for (const CommandDef& command : Commands())
    if (command.row == &row) return command;
  return Commands().front();
}

namespace {

// Why the words cannot be taken whatever the command: an option given twice with two values,
// an empty file name. Flags are judged with their words (two that differ contradict).
std::optional<std::string> CheckWords(const CommandDef& command, const Given& given) {
  for (std::size_t i = 0; i < given.size(); ++i) {
    const auto& [name, word] = given[i];
    const auto option = std::find_if(command.options.begin(), command.options.end(),
                                     [&name = name](const OptionDef& o) { return o.name == name; });
    if (option == command.options.end() || option->kind != OptionKind::Value) continue;
    if (word.empty() && option->type_name == "FILE")
      return (option->positional ? name : "--" + name) + ": an empty file name";
    for (std::size_t j = 0; j < i; ++j)
      if (given[j].name == name && given[j].word != word)
        return "--" + name + " '" + given[j].word + "' and --" + name + " '" + word +
               "' contradict each other: give it once";
  }
  return std::nullopt;
}

}  // namespace

FillResult FillValues(const CommandDef& command, const Given& given) {
  FillResult result;
  CommandValues& values = result.values;
  if ((result.error = CheckWords(command, given))) return result;
  if (command.row) {
    values.fields.emplace(*command.row);
    const std::vector<WordRefusal> refusals =
        SetFieldWords(*values.fields, given, Spelling::Options);
    // The words first: a usage error stops the command before anything is judged.
    for (const WordRefusal& refusal : refusals) {
      if (refusal.kind != WordRefusal::Kind::Word) continue;
      result.error = refusal.message;
      return result;
    }
    if (!refusals.empty()) values.refused = refusals.front();
    return result;
  }
  for (const OptionDef& option : command.options)
    if (!option.default_text.empty()) option.set(values, option.default_text);
  for (const auto& [name, word] : given) {
    const auto option = std::find_if(command.options.begin(), command.options.end(),
                                     [&name = name](const OptionDef& o) { return o.name == name; });
    if (option == command.options.end()) {
      result.error = "'" + command.path + "' takes no option '" + name + "'";
      return result;
    }
    if (option->kind != OptionKind::Flag) {
      option->set(values, word);
    } else if (word == "true" || word == "1" || word == "false" || word == "0") {
      option->set(values, word == "true" || word == "1" ? "true" : "false");
    } else {
      result.error = "--" + name + "=" + word + ": a flag is true or false (1 or 0)";
      return result;
    }
  }
  return result;
}

}  // namespace zotpx::cli
