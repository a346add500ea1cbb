#include "cli/layout.h"

#include <toml++/toml.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>

#include "base/paths.h"
#include "cli/device_steps.h"
#include "crosshair/cross_download.h"
#include "device/clock.h"
#include "screen/png_writer.h"
#include "screen/screen.h"
#include "serial/memory_transfer.h"
#include "text/static_download.h"

namespace zotpx::cli {

namespace {

// A layout is read whole; far larger than any overlay needs, small enough to refuse junk.
constexpr std::size_t kLayoutFileLimit = 1048576;

// The layout's tables and the commands they stand for, in the order --help and errors list them.
struct TableKind {
  std::string_view table;
  CommandId id;
};
constexpr TableKind kTables[] = {
    {"params", CommandId::Params},  {"clock", CommandId::Clock},
    {"date", CommandId::Date},      {"time", CommandId::Time},
    {"text", CommandId::Text},      {"area", CommandId::Area},
    {"line", CommandId::Line},      {"rect", CommandId::Rect},
    {"circle", CommandId::Circle},  {"bitmap", CommandId::BitmapSingle},
    {"cross", CommandId::CrossSet}, {"cross-move", CommandId::CrossMove},
};
constexpr std::string_view kBitmapKinds[] = {"flashing", "oversized", "single"};

std::string TableNames() {
  std::string names;
  for (const TableKind& kind : kTables)
    names += (names.empty() ? "" : ", ") + std::string(kind.table);
  return names;
}

int LineOf(const toml::node& node) {
  return static_cast<int>(node.source().begin.line);
}

// One table of the file, wherever it stands: [rect], an element of [[rect]] or an inline one.
struct Entry {
  std::string table;
  const toml::table* values;
  toml::source_position at;
};

class Reader {
 public:
  Reader(Layout& layout, std::string base_dir) : layout_(layout), base_dir_(std::move(base_dir)) {}

  void Read(const Entry& entry) {
    const int line = static_cast<int>(entry.at.line);
    const auto kind = std::find_if(std::begin(kTables), std::end(kTables),
                                   [&](const TableKind& k) { return k.table == entry.table; });
    if (kind == std::end(kTables))
      return Error(line, "unknown table [" + entry.table + "]; a layout has " + TableNames());
    const CommandDef* command = &CommandOf(kind->id);
    if (kind->table == "bitmap") {
      command = BitmapCommand(*entry.values, line);
      if (!command) return;
    }

    // Keys in the order they stand, so that messages follow the file.
    std::vector<std::pair<std::string, const toml::node*>> keys;
    for (auto&& [key, node] : *entry.values)
      if (!(kind->table == "bitmap" && key.str() == "kind")) keys.emplace_back(key.str(), &node);
    std::sort(keys.begin(), keys.end(),
              [](const auto& a, const auto& b) { return LineOf(*a.second) < LineOf(*b.second); });

    Given given;
    std::vector<int> given_lines;  // each given key's own line, for the messages
    int file_line = line;
    const std::size_t errors_before = errors_.size();
    for (const auto& [name, node] : keys) {
      const std::string& key = name;  // a lambda cannot capture a structured binding
      const auto option = std::find_if(
          command->options.begin(), command->options.end(),
          [&](const OptionDef& o) { return o.name == key && o.kind != OptionKind::Texts; });
      if (option == command->options.end()) {
        Error(LineOf(*node),
              "[" + entry.table + "] takes no key '" + key + "'; it takes " + KeyNames(*command));
        continue;
      }
      std::optional<std::string> text = ValueText(*option, *node);
      if (!text) continue;
      if (option->name == "file" && option->kind == OptionKind::Text) {
        file_line = LineOf(*node);
        if (!text->empty() && !IsRootedPath(*text)) *text = base_dir_ + *text;
      }
      given.emplace_back(key, *text);
      given_lines.push_back(LineOf(*node));
    }
    for (const OptionDef& option : command->options) {
      const bool named = std::any_of(given.begin(), given.end(),
                                     [&](const auto& g) { return g.first == option.name; });
      if (option.required && !named &&
          errors_.size() == errors_before)  // a bad value of it was said already
        Error(line, "[" + entry.table + "] needs " + option.name + " = ...");
    }
    if (errors_.size() != errors_before) return;

    FillResult filled = FillValues(*command, given, Spelling::Keys);
    if (filled.error) {
      const auto at = std::find_if(given.begin(), given.end(),
                                   [&](const auto& g) { return g.first == filled.error_name; });
      return Error(
          at == given.end() ? line : given_lines[static_cast<std::size_t>(at - given.begin())],
          *filled.error);
    }
    LayoutObject object{command, std::move(filled.values), {}, line};
    object.prepared = PrepareFrames(*command, object.values);
    if (!object.prepared.build) {
      const bool file = object.prepared.result == std::string_view(kResultFileFailed);
      return Error(file ? file_line : BlameLine(*command, given, given_lines, line),
                   object.prepared.refusal
                       ? command->title + *object.prepared.refusal
                       : "at = " + object.values.at + ": " +
                             ClockTextFault(object.values.at).value_or("refused"));
    }
    layout_.objects.push_back(std::move(object));
  }

  // The messages in the order of the file's lines.
  void Finish() {
    std::stable_sort(errors_.begin(), errors_.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [line, message] : errors_)
      layout_.errors.push_back(layout_.Where(line) + ": " + message);
  }

  void Error(int line, const std::string& message) { errors_.emplace_back(line, message); }

 private:
  const CommandDef* BitmapCommand(const toml::table& values, int line) {
    const toml::node* kind = values.get("kind");
    const std::optional<std::string> word = kind ? kind->value<std::string>() : std::nullopt;
    if (word && std::find(std::begin(kBitmapKinds), std::end(kBitmapKinds), *word) !=
                    std::end(kBitmapKinds))
      return FindCommand("bitmap " + *word);
    Error(kind ? LineOf(*kind) : line,
          "[bitmap] needs kind = \"flashing\", \"oversized\" or \"single\"");
    return nullptr;
  }

  // The line a refusal of the command's own check belongs to: the key whose value alone, put
  // back to the window's default, lets the object pass (the last such in the file); else the
  // first key from which on it no longer passes; else the table's line.
  static int BlameLine(const CommandDef& command, const Given& given, const std::vector<int>& lines,
                       int table_line) {
    const auto passes = [&command](const Given& part) {
      const FillResult filled = FillValues(command, part, Spelling::Keys);
      return !filled.error && PrepareFrames(command, filled.values).build != nullptr;
    };
    for (std::size_t i = given.size(); i-- > 0;) {
      Given without = given;
      without.erase(without.begin() + static_cast<std::ptrdiff_t>(i));
      if (passes(without)) return lines[i];
    }
    for (std::size_t i = 0; i < given.size(); ++i)
      if (!passes(Given(given.begin(), given.begin() + static_cast<std::ptrdiff_t>(i + 1))))
        return lines[i];
    return table_line;
  }

  static std::string KeyNames(const CommandDef& command) {
    std::string names = command.id == CommandId::BitmapFlashing ||
                                command.id == CommandId::BitmapOversized ||
                                command.id == CommandId::BitmapSingle
                            ? "kind"
                            : "";
    for (const OptionDef& option : command.options)
      if (option.kind != OptionKind::Texts) names += (names.empty() ? "" : ", ") + option.name;
    return names;
  }

  // The value as the command line would have been given it, or nothing (said) when its type
  // does not suit the option.
  std::optional<std::string> ValueText(const OptionDef& option, const toml::node& node) {
    const int line = LineOf(node);
    const std::string& key = option.name;
    switch (option.kind) {
      case OptionKind::Edit:
      case OptionKind::List: {
        std::optional<std::string> text;
        if (const auto number = node.value_exact<std::int64_t>()) text = std::to_string(*number);
        if (const auto string = node.value_exact<std::string>()) text = *string;
        // An on/off list takes a state as a check box does: overlay = true.
        if (const auto flag = node.value_exact<bool>(); flag && option.kind == OptionKind::List)
          text = *flag ? "true" : "false";
        if (!text) {
          Error(line, key + ": an integer or a text" +
                          std::string(option.kind == OptionKind::Edit ? " such as \"$1F\"" : ""));
          return std::nullopt;
        }
        if (option.kind == OptionKind::List && !ItemByWord(*option.list, *text)) {
          Error(line, key + " = " + *text + ": no such item; " + OptionHelp(option));
          return std::nullopt;
        }
        return text;
      }
      case OptionKind::Flag:
        if (const auto flag = node.value_exact<bool>()) return *flag ? "true" : "false";
        // 1 and 0 are the box's state; any other number is refused by the vocabulary.
        if (const auto number = node.value_exact<std::int64_t>()) return std::to_string(*number);
        Error(line, key + ": true or false");
        return std::nullopt;
      default:
        if (const auto string = node.value_exact<std::string>()) return *string;
        // The clock's moment may be written as TOML writes one: 2026-12-07 20:45:00.
        if (key == "at") {
          if (const auto* moment = node.as_date_time()) return MomentText(moment->get());
          if (node.is_date() || node.is_time()) {
            Error(line, key + ": a date and a time, 2026-12-07 20:45:00");
            return std::nullopt;
          }
        }
        Error(line, key + ": a text in quotes");
        return std::nullopt;
    }
  }

  // A TOML date and time as the clock's text. One with an offset (Z, +08:00) is an instant:
  // the device's clock is set to that instant in this computer's local time, as the window
  // sets it from the local time.
  static std::string MomentText(const toml::date_time& moment) {
    LocalDateTime t{moment.date.year, moment.date.month,  moment.date.day,
                    moment.time.hour, moment.time.minute, moment.time.second};
    if (moment.offset) {
      using namespace std::chrono;
      const sys_seconds utc = sys_days{year(t.year) / month(static_cast<unsigned>(t.month)) /
                                       day(static_cast<unsigned>(t.day))} +
                              hours(t.hour) + minutes(t.minute - moment.offset->minutes) +
                              seconds(t.second);
      t = LocalTimeOf(utc);
    }
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    return text;
  }

  Layout& layout_;
  std::string base_dir_;
  std::vector<std::pair<int, std::string>> errors_;
};

std::string DirectoryOf(const std::string& path) {
  return FolderOfPath(path);
}

Layout ErrorLayout(const std::string& name, const std::string& message) {
  Layout layout;
  layout.name = name;
  layout.errors.push_back(name + ": " + message);
  return layout;
}

bool TakesLayout(const CommandDef& command, const CommandValues& values) {
  switch (command.id) {
    case CommandId::Apply:
    case CommandId::Render:
      return true;
    case CommandId::Static:
    case CommandId::DownloadStatic:
      return IsLayoutPath(values.file);
    default:
      return false;
  }
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string joined;
  for (const std::string& line : lines) joined += (joined.empty() ? "" : "\n") + line;
  return joined;
}

Bytes TextBytes(const std::string& text) {
  return {text.begin(), text.end()};
}

Outcome StaticFromLayout(const CommandDef& command, const CommandValues& values) {
  Outcome outcome;
  outcome.command = command.path;
  const Layout layout = LoadLayout(values.file);
  const LayoutStatic start_up = layout.ok() ? StaticFramesOf(layout) : LayoutStatic{};
  if (!layout.ok() || !start_up.errors.empty()) {
    Refuse(outcome, JoinLines(layout.ok() ? start_up.errors : layout.errors));
    return outcome;
  }
  const Bytes text = TextBytes(FormatStaticText(start_up.frames));
  if (!WriteOutputFile(values.output, text)) {
    Refuse(outcome, command.title + kStaticSaveFailedText + ": " + values.output,
           kResultFileFailed);
    return outcome;
  }
  outcome.details.push_back(std::to_string(start_up.frames.size()) + " records -> " +
                            values.output);
  outcome.bytes = text.size();
  if (!values.image.empty()) {
    // The window's own reader makes the image from the text just written: the two cannot differ.
    const StaticImage built = BuildStaticImage(text);
    if (built.failure || !WriteOutputFile(values.image, built.image)) {
      Refuse(outcome,
             command.title + built.failure.value_or(kStaticSaveFailedText) + ": " + values.image,
             kResultFileFailed);
      return outcome;
    }
    outcome.details.push_back(std::to_string(built.records) + " records -> " + values.image);
  }
  outcome.status = kStaticGeneratedLogLine;
  return outcome;
}

Outcome Render(const CommandDef& command, const CommandValues& values) {
  Outcome outcome;
  outcome.command = command.path;
  const Layout layout = LoadLayout(values.file);
  if (!layout.ok()) {
    Refuse(outcome, JoinLines(layout.errors));
    return outcome;
  }
  screen::Picture video = screen::TestCard();
  if (!values.video.empty()) {
    std::optional<screen::Picture> picture = screen::LoadVideoPicture(values.video);
    if (!picture) {
      Refuse(outcome, "render: --video " + values.video + ": not a picture that can be read",
             kResultFileFailed);
      return outcome;
    }
    video = std::move(*picture);
  }
  // The device's memory as far as render knows it: erased, with the crosshair file where the
  // crosshair download puts it, so the crosshair's shapes are drawn as the device would.
  Bytes memory(screen::kMemorySize, 0xFF);
  if (!values.cross_file.empty()) {
    const CrossDownloadFile cross = ReadCrossDownloadFile(values.cross_file);
    if (cross.failure) {
      Refuse(outcome, "render: --cross " + values.cross_file + ": " + *cross.failure,
             kResultFileFailed);
      return outcome;
    }
    const std::span<const std::uint8_t> part = CrossDownloadPart(cross.bytes);
    std::copy(part.begin(), part.end(), memory.begin() + kCrossBase);
  }
  // The date and time fields show the given moment (or now) until the layout sets the clock.
  CommandValues clock;
  clock.at = values.at;
  const Prepared start = PrepareFrames(CommandOf(CommandId::Clock), clock);
  if (!start.build) {
    Refuse(outcome,
           "render: --at '" + values.at + "': " + ClockTextFault(values.at).value_or("refused"));
    return outcome;
  }
  screen::ScreenModel model(0);
  model.AttachMemory(memory);
  for (const Bytes& frame : start.build()) model.Apply(frame, 0);
  for (const LayoutObject& object : layout.objects)
    for (const Bytes& frame : object.prepared.build())
      if (!model.Apply(frame, 0))
        outcome.details.push_back(layout.Where(object.line) + ": the device would refuse " +
                                  object.command->path + "'s frame " +
                                  FormatLogLine("", frame.size(), frame.data()));
  screen::Picture picture;
  model.Render(0, video, picture);
  for (const std::string& message : screen::TakeFontMessages()) outcome.details.push_back(message);
  const std::optional<std::vector<std::uint8_t>> png = screen::EncodePng(picture);
  if (!png || !WriteOutputFile(values.output, *png)) {
    Refuse(outcome, "render: cannot write " + values.output, kResultFileFailed);
    return outcome;
  }
  outcome.status = layout.name + " -> " + values.output;
  return outcome;
}

}  // namespace

bool IsLayoutPath(std::string_view path) {
  constexpr std::string_view kExtension = ".toml";
  if (path.size() < kExtension.size()) return false;
  const std::string_view end = path.substr(path.size() - kExtension.size());
  return std::equal(end.begin(), end.end(), kExtension.begin(), [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) == b;
  });
}

Layout ParseLayout(std::string_view text, const std::string& name, const std::string& base_dir) {
  Layout layout;
  layout.name = name;
  toml::table root;
  try {
    root = toml::parse(text, name);
  } catch (const toml::parse_error& error) {
    layout.errors.push_back(layout.Where(static_cast<int>(error.source().begin.line)) + ": " +
                            std::string(error.description()));
    return layout;
  }
  // toml++ keeps a table's keys sorted; the order of sending is the order of the file.
  Reader reader(layout, base_dir);
  std::vector<Entry> entries;
  for (auto&& [key, node] : root) {
    if (const toml::table* table = node.as_table()) {
      entries.push_back({std::string(key.str()), table, table->source().begin});
    } else if (const toml::array* array = node.as_array(); array && array->is_array_of_tables()) {
      for (const toml::node& element : *array)
        entries.push_back({std::string(key.str()), element.as_table(), element.source().begin});
    } else {
      const std::string table(key.str());
      reader.Error(LineOf(node),
                   "'" + table + "' must be a table: [" + table + "] or [[" + table + "]]");
    }
  }
  std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
    return a.at.line != b.at.line ? a.at.line < b.at.line : a.at.column < b.at.column;
  });
  for (const Entry& entry : entries) reader.Read(entry);
  reader.Finish();
  return layout;
}

Layout LoadLayout(const std::string& path) {
  std::optional<FileData> file = FileData::Open(path);
  if (!file) return ErrorLayout(path, "cannot be read (no such plain file, or no permission)");
  if (file->size() > kLayoutFileLimit) return ErrorLayout(path, "larger than 1 MiB");
  const std::optional<Bytes> bytes = file->ReadAll();
  if (!bytes) return ErrorLayout(path, "cannot be read to its end");
  return ParseLayout({reinterpret_cast<const char*>(bytes->data()), bytes->size()}, path,
                     DirectoryOf(path));
}

LayoutStatic StaticFramesOf(const Layout& layout) {
  LayoutStatic start_up;
  std::size_t bytes = 0;
  for (const LayoutObject& object : layout.objects) {
    if (object.command->id == CommandId::Clock) {
      start_up.notes.push_back(layout.Where(object.line) +
                               ": the clock setting is sent live only; it is left out of the "
                               "start-up commands, which would set the clock back at every "
                               "power-on");
      continue;
    }
    // A bitmap's run of frames goes in whole or not at all: half a picture is no start-up screen.
    for (Bytes& frame : object.prepared.build()) {
      bytes += frame.size() + 1;
      start_up.frames.push_back(std::move(frame));
    }
    if (const std::optional<std::string> failure = CheckStaticFrames(start_up.frames)) {
      start_up.errors.push_back(
          layout.Where(object.line) + ": " + CommandOf(CommandId::Static).title + *failure +
          " (the start-up commands hold at most " + std::to_string(kStaticMaxRecords) +
          " records in " + std::to_string(kStaticRecordEnd - 5) + " bytes; with this " +
          object.command->path + " they come to " + std::to_string(start_up.frames.size()) +
          " records in " + std::to_string(bytes) + " bytes)");
      break;
    }
  }
  return start_up;
}

StaticImage ReadStaticSource(const std::string& path) {
  if (!IsLayoutPath(path)) return ReadStaticImage(path);
  const Layout layout = LoadLayout(path);
  const LayoutStatic start_up = layout.ok() ? StaticFramesOf(layout) : LayoutStatic{};
  if (!layout.ok() || !start_up.errors.empty()) {
    StaticImage refused;
    refused.failure = std::string(kStaticInvalidText) + ": " +
                      (layout.ok() ? start_up.errors : layout.errors).front();
    return refused;
  }
  const std::string text = FormatStaticText(start_up.frames);
  return BuildStaticImage({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

int CheckLayoutArgument(const CommandDef& command, const CommandValues& values, bool quiet) {
  if (command.id == CommandId::Static && !IsLayoutPath(values.file) && !values.image.empty()) {
    std::fprintf(stderr,
                 "zotpx: static: --image goes with a layout (.toml); from a static command text, "
                 "-o writes the image\n");
    return kExitRefused;
  }
  const bool start_up = command.id == CommandId::Static || command.id == CommandId::DownloadStatic;
  // An empty start-up list would replace the device's own without a word: only on purpose.
  const auto refuse_empty = [&values] {
    std::fprintf(stderr,
                 "zotpx: %s: no start-up command in it; the start-up list made of it would be "
                 "empty (give --allow-empty to make it all the same): nothing was sent or "
                 "written\n",
                 values.file.c_str());
    return kExitRefused;
  };
  if (!TakesLayout(command, values)) {
    // A text the reader cannot take is refused by the command itself, with the window's words.
    if (start_up && !values.allow_empty) {
      const StaticImage built = ReadStaticImage(values.file);
      if (!built.failure && built.records == 0) return refuse_empty();
    }
    return kExitOk;
  }
  const Layout layout = LoadLayout(values.file);
  std::vector<std::string> errors = layout.errors;
  std::vector<std::string> notes;
  bool empty = false;
  if (layout.ok() && start_up) {
    LayoutStatic from_layout = StaticFramesOf(layout);
    errors = std::move(from_layout.errors);
    notes = std::move(from_layout.notes);
    empty = from_layout.frames.empty();
  }
  for (const std::string& error : errors) std::fprintf(stderr, "%s\n", error.c_str());
  if (!errors.empty()) {
    std::fprintf(stderr, "zotpx: %s: nothing was sent or written\n", layout.name.c_str());
    return kExitRefused;
  }
  if (!quiet)
    for (const std::string& note : notes) std::fprintf(stderr, "%s\n", note.c_str());
  if (empty && !values.allow_empty) return refuse_empty();
  return kExitOk;
}

std::optional<Outcome> RunLayoutOnPort(const CommandDef& command, const CommandValues& values,
                                       const Session& session, Reporter& reporter) {
  if (command.id != CommandId::Apply) return std::nullopt;
  Outcome total;
  total.port = session.port;
  total.command = command.path;
  const Layout layout = LoadLayout(values.file);
  if (!layout.ok()) {
    Refuse(total, JoinLines(layout.errors));
    return total;
  }
  // The first object finds the device's rate (with --baud auto); the others use it.
  Session reached = session;
  std::size_t sent = 0;
  for (const LayoutObject& object : layout.objects) {
    const Outcome one = RunOnPort(*object.command, object.values, reached, reporter);
    total.seconds += one.seconds;
    if (one.baud) total.baud = reached.baud = one.baud;
    if (one.model) total.model = one.model;
    if (one.version) total.version = one.version;
    total.details.push_back(layout.Where(object.line) + " " + object.command->path + ": " +
                            one.status);
    if (one.result != kResultOk) {
      total.result = one.result;
      total.status = one.status;
      return total;
    }
    ++sent;
  }
  total.status = layout.name + ": " + std::to_string(sent) + " objects sent";
  return total;
}

std::optional<Outcome> RunLayoutLocal(const CommandDef& command, const CommandValues& values) {
  if (command.id == CommandId::Render) return Render(command, values);
  if (command.id == CommandId::Static && IsLayoutPath(values.file))
    return StaticFromLayout(command, values);
  return std::nullopt;
}

void AddLayoutCommands(std::vector<CommandDef>& commands) {
  const auto text = [](std::string name, std::string help, std::string CommandValues::*member,
                       bool positional = false, bool required = false) {
    return OptionDef{std::move(name),
                     std::move(help),
                     OptionKind::Text,
                     nullptr,
                     1,
                     {},
                     positional,
                     required,
                     [member](CommandValues& v, const std::string& t, int) { v.*member = t; }};
  };
  commands.push_back({CommandId::Apply,
                      "apply",
                      "check a layout file (.toml) whole, then send its objects in order",
                      "",
                      CommandUse::Frames,
                      {text("layout", "layout file", &CommandValues::file, true, true)}});
  commands.push_back(
      {CommandId::Render,
       "render",
       "draw a layout file as the device would show it, into a PNG; no device needed",
       "",
       CommandUse::Local,
       {text("layout", "layout file", &CommandValues::file, true, true),
        text("output", "the PNG to write", &CommandValues::output, false, true),
        text("video", "picture under the overlay (PNG, JPEG, BMP...; default the test card)",
             &CommandValues::video),
        text("cross",
             "crosshair file (Cross.bin) the device holds, so its shapes are drawn (default "
             "none: the crosshair shows only its read-out)",
             &CommandValues::cross_file),
        text("at",
             "\"YYYY-MM-DD HH:MM:SS\" the date and time fields show, unless the layout sets the "
             "clock (default now)",
             &CommandValues::at)}});
}

}  // namespace zotpx::cli
