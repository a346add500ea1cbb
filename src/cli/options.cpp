#include "cli/options.h"

#include <algorithm>

#include "base/captions.h"
#include "cli/decode.h"
#include "cli/layout.h"

namespace zotpx::cli {

namespace {

const ComboDef& List(std::string_view name) {
  return *FindComboDef(name);
}

// "允许屏幕叠加" is a check box on the form; on the command line it reads like a list whose
// numbers are the box's state.
const Items kOverlayItems = {"on", "off"};
const ComboDef kOverlay{"CheckEnable",  &kOverlayItems, 0,
                        &kOverlayItems, nullptr,        ItemNumbers::State};

OptionDef Edit(std::string name, std::string help, std::string default_text, Setter set) {
  return {std::move(name), std::move(help), OptionKind::Edit, nullptr, 1, std::move(default_text),
          false,           false,           std::move(set)};
}

OptionDef Pick(std::string name, std::string help, const ComboDef& list, Setter set) {
  return {std::move(name), std::move(help), OptionKind::List, &list, 1, {},
          false,           false,           std::move(set)};
}

OptionDef Flag(std::string name, std::string help, const ComboDef* list, Setter set,
               int flag_index = 1) {
  return {std::move(name), std::move(help), OptionKind::Flag, list, flag_index, {},
          false,           false,           std::move(set)};
}

OptionDef Text(std::string name, std::string help, std::string default_text, Setter set,
               bool positional = false, bool required = false) {
  return {std::move(name),         std::move(help), OptionKind::Text, nullptr,       1,
          std::move(default_text), positional,      required,         std::move(set)};
}

OptionDef Texts(std::string name, std::string help, Setter set) {
  return {std::move(name), std::move(help), OptionKind::Texts, nullptr, 1, {}, true, true,
          std::move(set)};
}

OptionDef Positional(OptionDef option, bool required = false) {
  option.positional = true;
  option.required = required;
  return option;
}

// Where a command keeps its text attributes.
using AttributesOf = TextAttributes& (*)(CommandValues&);

// The text attribute rows shared by the date, time, text string and crosshair read-out:
// colour, spacing, font, size and show, from the group's own lists.
void AddTextAttributes(std::vector<OptionDef>& options, const std::string& prefix,
                       const std::string& group, AttributesOf attributes_of,
                       const std::string& hide_name, const std::string& hide_help) {
  auto field = [attributes_of](int TextAttributes::*member) {
    return [attributes_of, member](CommandValues& v, const std::string&, int index) {
      attributes_of(v).*member = index;
    };
  };
  options.push_back(Pick(prefix + "colour", "colour mode", List("Combo" + group + "Color"),
                         field(&TextAttributes::colour)));
  options.push_back(Pick(prefix + "spacing", "character spacing in pixels",
                         List("Combo" + group + "Space"), field(&TextAttributes::spacing)));
  options.push_back(
      Pick(prefix + "font", "font", List("Combo" + group + "Font"), field(&TextAttributes::font)));
  options.push_back(Pick(prefix + "size", "magnification", List("Combo" + group + "Size"),
                         field(&TextAttributes::magnification)));
  options.push_back(
      Flag(hide_name, hide_help, &List("Combo" + group + "Show"), field(&TextAttributes::hide)));
}

std::vector<OptionDef> DateTimeOptions(ClockField field, const std::string& group,
                                       const std::string& top_default,
                                       const std::string& format_default) {
  std::vector<OptionDef> options = {
      Edit("x", "top-left X, 0-383", "292",
           [field](CommandValues& v, const std::string& t, int) {
             v.date_time.field = field;
             v.date_time.left = t;
           }),
      Edit("y", "top-left Y, 0-255", top_default,
           [](CommandValues& v, const std::string& t, int) { v.date_time.top = t; }),
      Text("format",
           field == ClockField::Date ? "date format, 8 or 10 characters"
                                     : "time format, 8 characters",
           format_default,
           [](CommandValues& v, const std::string& t, int) { v.date_time.format = t; }),
  };
  AddTextAttributes(
      options, "", group,
      [](CommandValues& v) -> TextAttributes& { return v.date_time.attributes; }, "hide",
      field == ClockField::Date ? "hide the date" : "hide the time");
  return options;
}

ShapeStyle& StyleOf(CommandValues& v, CommandId id) {
  if (id == CommandId::Line) return v.line.style;
  if (id == CommandId::Rect) return v.rect.style;
  return v.circle.style;
}

void AddShapeStyle(std::vector<OptionDef>& options, CommandId id, const std::string& group,
                   const std::string& mode_name, const std::string& mode_help) {
  auto field = [id](int ShapeStyle::*member) {
    return [id, member](CommandValues& v, const std::string&, int index) {
      StyleOf(v, id).*member = index;
    };
  };
  options.push_back(
      Pick("colour", "colour", List("Combo" + group + "Color"), field(&ShapeStyle::colour)));
  options.push_back(Pick("thickness", "line thickness in pixels", List("Combo" + group + "Thick"),
                         field(&ShapeStyle::thickness)));
  options.push_back(
      Flag(mode_name, mode_help, &List("Combo" + group + "Mode"), field(&ShapeStyle::mode)));
  options.push_back(Flag("delete", "delete it instead of drawing it",
                         &List("Combo" + group + "Show"), field(&ShapeStyle::show)));
}

// An empty start-up list replaces the device's own: only on purpose.
OptionDef AllowEmpty() {
  return Flag("allow-empty",
              "accept a file that gives no start-up command: the start-up list becomes empty",
              nullptr, [](CommandValues& v, const std::string&, int i) { v.allow_empty = i != 0; });
}

Setter SetText(std::string CommandValues::*member) {
  return [member](CommandValues& v, const std::string& t, int) { v.*member = t; };
}

std::vector<OptionDef> BlockBitmapOptions(const std::string& x_default, const std::string& group) {
  return {
      Text("file", "bitmap file (1 bit per pixel)", "", SetText(&CommandValues::file), true, true),
      Edit("x", "top-left X, 0-383", x_default,
           [](CommandValues& v, const std::string& t, int) { v.block.x = t; }),
      Edit("y", "top-left Y, 0-255", "100",
           [](CommandValues& v, const std::string& t, int) { v.block.y = t; }),
      Pick("colour", "colour mode", List("Combo" + group + "Color"),
           [](CommandValues& v, const std::string&, int i) { v.block.colour = i; }),
      Flag("delete", "delete it instead of showing it", &List("Combo" + group + "Show"),
           [](CommandValues& v, const std::string&, int i) { v.block.show = i; }),
      Flag("control-only", "send the control frame only, without the picture", nullptr,
           [](CommandValues& v, const std::string&, int i) { v.block.control_only = i != 0; }),
  };
}

std::vector<CommandDef> BuildCommands() {
  std::vector<CommandDef> commands;
  commands.push_back({CommandId::Ports,
                      "ports",
                      "list the serial ports, what they are and whether you may open them",
                      "",
                      CommandUse::Local,
                      {}});
  commands.push_back({CommandId::Connect,
                      "connect",
                      "find the device's rate and identify it (model, version, rate)",
                      zotpx::captions::kBtnSearchCmd,
                      CommandUse::Device,
                      {}});

  std::vector<OptionDef> params = {
      Pick("overlay", "show the overlay at all", kOverlay,
           [](CommandValues& v, const std::string&, int i) { v.params.overlay_enabled = i == 0; }),
      Pick("offset-ex", "horizontal offset on external video", List("ComboColumnOffsetEx"),
           [](CommandValues& v, const std::string&, int i) { v.params.column_offset_ex = i; }),
      Pick("offset-in", "horizontal offset on internal video", List("ComboColumnOffsetIn"),
           [](CommandValues& v, const std::string&, int i) { v.params.column_offset_in = i; }),
  };
  for (int k = 0; k < 6; ++k) {
    const std::string n = std::to_string(k + 1);
    params.push_back(Pick("key" + n, "switch " + n + " active level", List("ComboKey" + n),
                          [k](CommandValues& v, const std::string&, int i) {
                            v.params.key_polarity[static_cast<std::size_t>(k)] = i;
                          }));
  }
  commands.push_back({CommandId::Params, "params",
                      "system parameters: overlay, switch levels, video offsets",
                      zotpx::captions::kBtnConfigCmd, CommandUse::Frames, params});

  commands.push_back({CommandId::Clock,
                      "clock",
                      "set the device clock",
                      zotpx::captions::kBtnSetTimeCmd,
                      CommandUse::Frames,
                      {Text("at",
                            "\"YYYY-MM-DD HH:MM:SS\", years 2000-2255, to set instead of the "
                            "computer's time",
                            "", SetText(&CommandValues::at))}});
  commands.push_back({CommandId::Date, "date", "place or hide the date field",
                      zotpx::captions::kBtnDateCmd, CommandUse::Frames,
                      DateTimeOptions(ClockField::Date, "Date", "0", "yyyy/mm/dd")});
  commands.push_back({CommandId::Time, "time", "place or hide the time field",
                      zotpx::captions::kBtnTimeCmd, CommandUse::Frames,
                      DateTimeOptions(ClockField::Time, "Time", "18", "hh:mm:ss")});

  std::vector<OptionDef> text = {
      Text("text", "the string (UTF-8; sent in code page 936)",
           "欢迎使用云帆ZOT-Px系列字符叠加产品", SetText(&CommandValues::text), true),
      Edit("x", "top-left X, 0-383", "5",
           [](CommandValues& v, const std::string& t, int) { v.text_string.left = t; }),
      Edit("y", "top-left Y, 0-255", "50",
           [](CommandValues& v, const std::string& t, int) { v.text_string.top = t; }),
  };
  AddTextAttributes(
      text, "", "String",
      [](CommandValues& v) -> TextAttributes& { return v.text_string.attributes; }, "delete",
      "delete the string");
  commands.push_back({CommandId::Text, "text", "place or delete a text string",
                      zotpx::captions::kBtnStringCmd, CommandUse::Frames, text});

  commands.push_back(
      {CommandId::Area,
       "area",
       "fill or clear an area on one colour layer or all",
       zotpx::captions::kBtnAreaCmd,
       CommandUse::Frames,
       {Edit("left", "left X, 0-383", "0",
             [](CommandValues& v, const std::string& t, int) { v.area.left = t; }),
        Edit("top", "top Y, 0-255", "0",
             [](CommandValues& v, const std::string& t, int) { v.area.top = t; }),
        Edit("right", "right X, 0-383", "383",
             [](CommandValues& v, const std::string& t, int) { v.area.right = t; }),
        Edit("bottom", "bottom Y, 0-255", "255",
             [](CommandValues& v, const std::string& t, int) { v.area.bottom = t; }),
        Pick("layer", "colour layer", List("ComboAreaLayer"),
             [](CommandValues& v, const std::string&, int i) { v.area.layer = i; }),
        Flag(
            "fill", "fill the area", &List("ComboAreaShow"),
            [](CommandValues& v, const std::string&, int i) { v.area.clear = i; }, 0),
        Flag(
            "clear", "clear the area (the default)", &List("ComboAreaShow"),
            [](CommandValues& v, const std::string&, int i) { v.area.clear = i; }, 1)}});

  std::vector<OptionDef> line = {
      Edit("x", "start X, 0-383", "5",
           [](CommandValues& v, const std::string& t, int) { v.line.x = t; }),
      Edit("y", "start Y, 0-255", "20",
           [](CommandValues& v, const std::string& t, int) { v.line.y = t; }),
      Edit("length", "length in pixels, 0-384", "200",
           [](CommandValues& v, const std::string& t, int) { v.line.length = t; }),
  };
  AddShapeStyle(line, CommandId::Line, "Line", "vertical", "a vertical line");
  commands.push_back({CommandId::Line, "line", "draw or delete a line",
                      zotpx::captions::kBtnLineCmd, CommandUse::Frames, line});

  std::vector<OptionDef> rect = {
      Edit("left", "left X, 0-383", "0",
           [](CommandValues& v, const std::string& t, int) { v.rect.left = t; }),
      Edit("top", "top Y, 0-255", "0",
           [](CommandValues& v, const std::string& t, int) { v.rect.top = t; }),
      Edit("right", "right X, 0-383", "383",
           [](CommandValues& v, const std::string& t, int) { v.rect.right = t; }),
      Edit("bottom", "bottom Y, 0-255", "255",
           [](CommandValues& v, const std::string& t, int) { v.rect.bottom = t; }),
  };
  AddShapeStyle(rect, CommandId::Rect, "Rect", "filled", "fill the inside too");
  commands.push_back({CommandId::Rect, "rect", "draw or delete a rectangle",
                      zotpx::captions::kBtnRectCmd, CommandUse::Frames, rect});

  std::vector<OptionDef> circle = {
      Edit("x", "centre X", "30",
           [](CommandValues& v, const std::string& t, int) { v.circle.x = t; }),
      Edit("y", "centre Y", "200",
           [](CommandValues& v, const std::string& t, int) { v.circle.y = t; }),
      Pick("radius", "radius in pixels", List("ComboCircleRadius"),
           [](CommandValues& v, const std::string&, int i) { v.circle.radius_index = i; }),
  };
  AddShapeStyle(circle, CommandId::Circle, "Circle", "filled", "fill the inside too");
  commands.push_back({CommandId::Circle, "circle", "draw or delete a circle",
                      zotpx::captions::kBtnCircleCmd, CommandUse::Frames, circle});

  commands.push_back(
      {CommandId::BitmapFlashing,
       "bitmap flashing",
       "the flashing bitmap character (up to 40x48 or 48x40)",
       zotpx::captions::kBtnBitmapCmd,
       CommandUse::Frames,
       {Text("file", "bitmap file (1 bit per pixel)", "", SetText(&CommandValues::file), true,
             true),
        Edit("x", "top-left X, 0-383", "5",
             [](CommandValues& v, const std::string& t, int) { v.flash.x = t; }),
        Edit("y", "top-left Y, 0-255", "100",
             [](CommandValues& v, const std::string& t, int) { v.flash.y = t; }),
        Pick("colour", "colour mode", List("ComboBitmapColor"),
             [](CommandValues& v, const std::string&, int i) { v.flash.colour = i; }),
        Pick("flash", "automatic flashing", List("ComboBitmapFlash"),
             [](CommandValues& v, const std::string&, int i) { v.flash.flash = i; }),
        Pick("cycle", "flash period in seconds", List("ComboBitmapCycle"),
             [](CommandValues& v, const std::string&, int i) { v.flash.cycle = i; }),
        Flag("delete", "delete it instead of showing it", &List("ComboBitmapShow"),
             [](CommandValues& v, const std::string&, int i) { v.flash.show = i; })}});
  commands.push_back({CommandId::BitmapOversized, "bitmap oversized",
                      "the oversized bitmap character (up to 128x128)",
                      zotpx::captions::kBtnSuperBitmapCmd, CommandUse::Frames,
                      BlockBitmapOptions("55", "SuperBitmap")});
  commands.push_back({CommandId::BitmapSingle, "bitmap single",
                      "the single-colour bitmap (up to 192x128)",
                      zotpx::captions::kBtnSingleBitmapCmd, CommandUse::Frames,
                      BlockBitmapOptions("185", "SingleBitmap")});

  std::vector<OptionDef> cross = {
      Pick("enable", "crosshair on or off", List("ComboCrossEnable"),
           [](CommandValues& v, const std::string&, int i) { v.cross.enable = i; }),
      Pick("shape", "shape of the downloaded crosshair file", List("ComboCrossSelect"),
           [](CommandValues& v, const std::string&, int i) { v.cross.shape = i; }),
      Pick("colour", "crosshair colour", List("ComboCrossColor"),
           [](CommandValues& v, const std::string&, int i) { v.cross.colour = i; }),
      Pick("step", "keyboard quick-move step in pixels", List("ComboCrossKeyStep"),
           [](CommandValues& v, const std::string&, int i) { v.cross.key_step = i; }),
  };
  AddTextAttributes(
      cross, "text-", "CrossText", [](CommandValues& v) -> TextAttributes& { return v.cross.text; },
      "text-hide", "hide the coordinate text");
  cross.push_back(Edit("text-x", "coordinate text's top-left X, 0-383", "0",
                       [](CommandValues& v, const std::string& t, int) { v.cross.text_left = t; }));
  cross.push_back(Edit("text-y", "coordinate text's top-left Y, 0-255", "0",
                       [](CommandValues& v, const std::string& t, int) { v.cross.text_top = t; }));
  commands.push_back({CommandId::CrossSet, "cross set", "crosshair settings",
                      zotpx::captions::kBtnCrossConfigCmd, CommandUse::Frames, cross});
  commands.push_back(
      {CommandId::CrossMove,
       "cross move",
       "move the crosshair's centre",
       zotpx::captions::kBtnCrossMoveCmd,
       CommandUse::Frames,
       {Positional(Edit("x", "centre X, 0-383", "192",
                        [](CommandValues& v, const std::string& t, int) { v.move.x = t; })),
        Positional(Edit("y", "centre Y, 0-255", "128",
                        [](CommandValues& v, const std::string& t, int) { v.move.y = t; }))}});

  commands.push_back(
      {CommandId::CrossFile,
       "cross-file",
       "build a crosshair file from up to 20 shape bitmaps (384x256, 1 bit per pixel)",
       zotpx::captions::kBtnCrossDownFile,
       CommandUse::Local,
       {Texts("shapes", "shape bitmaps, in slot order",
              [](CommandValues& v, const std::string& t, int) { v.files.push_back(t); }),
        Text("origin", "the shapes' common origin X,Y", "192,128", SetText(&CommandValues::origin)),
        Text("output", "the crosshair file to write", "", SetText(&CommandValues::output), false,
             true)}});
  commands.push_back(
      {CommandId::Static,
       "static",
       "turn a static command text into the start-up image (User.cfg), or a layout (.toml) "
       "into a static command text",
       zotpx::captions::kBtnStaticCmd,
       CommandUse::Local,
       {Text("file", "static command text, or a layout file (.toml)", "",
             SetText(&CommandValues::file), true, true),
        Text("output", "the image to write; from a layout, the static command text", "",
             SetText(&CommandValues::output), false, true),
        Text("image", "from a layout: the start-up image (User.cfg) to write too", "",
             SetText(&CommandValues::image)),
        AllowEmpty()}});

  const auto download_file = [](const std::string& help) {
    return Text("file", help, "", SetText(&CommandValues::file), true, true);
  };
  commands.push_back({CommandId::DownloadFont,
                      "download font",
                      "download an internal font library",
                      zotpx::captions::kBtnEepromCmd,
                      CommandUse::Download,
                      {download_file("font library file")}});
  commands.push_back(
      {CommandId::DownloadStatic,
       "download static",
       "build the start-up image from a static command text or a layout (.toml) "
       "and download it",
       zotpx::captions::kBtnStaticCmd,
       CommandUse::Download,
       {download_file("static command text, or a layout file (.toml)"), AllowEmpty()}});
  commands.push_back({CommandId::DownloadCross,
                      "download cross",
                      "download a crosshair file (ZOT-PB)",
                      zotpx::captions::kBtnCrossDownCmd,
                      CommandUse::Download,
                      {download_file("crosshair file")}});
  commands.push_back(
      {CommandId::Send,
       "send",
       "send one command frame (checksum filled in when left out) and print the reply",
       // No button of the window sends raw frames; this heads the log block and the status.
       "原始命令帧",
       CommandUse::Device,
       {Texts("bytes",
              "the frame in hex, from 55 AA on; the checksum byte may be left out, and a "
              "wrong one is refused",
              [](CommandValues& v, const std::string& t, int) { v.hex.push_back(t); }),
        Flag("raw",
             "send the bytes exactly as given (any length, any checksum) and print, in hex, "
             "whatever comes back within the reply time-out",
             nullptr, [](CommandValues& v, const std::string&, int i) { v.raw = i != 0; })}});
  AddLayoutCommands(commands);
  AddDecodeCommand(commands);
  return commands;
}

// The numbers that name a keyword list's items besides their keywords, exactly as accepted:
// " or 0-7 in that order", " or 1|2|4|7 in that order", " or 0 for none", ", also 1|0 or
// true|false".
std::string NumberChoices(const ComboDef& list) {
  if (!list.keywords) return {};
  if (list.numbers == ItemNumbers::State) return ", also 1|0 or true|false";
  const int count = static_cast<int>(list.items->size());
  std::vector<std::pair<int, int>> numbers;  // (number, item) where the keyword is not the number
  for (int i = 0; i < count; ++i) {
    const std::optional<int> number = ItemNumberName(list, i);
    if (number && std::to_string(*number) != (*list.keywords)[static_cast<std::size_t>(i)])
      numbers.emplace_back(*number, i);
  }
  if (numbers.empty()) return {};
  std::string text = " or ";
  if (static_cast<int>(numbers.size()) < count) {
    for (const auto& [number, item] : numbers) {
      if (text.size() > 4) text += ", ";
      text += std::to_string(number);
      text += " for ";
      text += (*list.keywords)[static_cast<std::size_t>(item)];
    }
    return text;
  }
  const bool run = std::all_of(numbers.begin(), numbers.end(), [&](const auto& n) {
    return n.first == numbers.front().first + n.second;
  });
  if (run && count > 2) {
    text += std::to_string(numbers.front().first);
    text += '-';
    text += std::to_string(numbers.back().first);
  } else {
    for (const auto& n : numbers) {
      if (text.size() > 4) text += '|';
      text += std::to_string(n.first);
    }
  }
  return text + " in that order";
}

std::string Choices(const ComboDef& list) {
  std::string words;
  const int count = static_cast<int>(list.items->size());
  // Appended piece by piece: GCC 12 sees overlapping copies in chained concatenations.
  if (!list.keywords && count > 6) {
    words = ItemWord(list, 0);
    words += '-';
    words += ItemWord(list, count - 1);
    return words;
  }
  for (int i = 0; i < count; ++i) {
    if (i) words += '|';
    words += ItemWord(list, i);
  }
  return words;
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

std::string OptionHelp(const OptionDef& option) {
  switch (option.kind) {
    case OptionKind::List:
      return option.help + ": " + Choices(*option.list) + NumberChoices(*option.list) +
             " (default " + ItemWord(*option.list, option.list->default_index) + ")";
    case OptionKind::Edit:
      return option.help + "; decimal, or hex after $, x or 0x (default " + option.default_text +
             ")";
    case OptionKind::Text:
      return option.default_text.empty()
                 ? option.help
                 : option.help + " (default \"" + option.default_text + "\")";
    default:
      return option.help;
  }
}

FillResult FillValues(const CommandDef& command, const Given& given, Spelling spelling) {
  FillResult result;
  CommandValues& values = result.values;
  for (const OptionDef& option : command.options) {
    if (!option.set) continue;
    if (option.kind == OptionKind::Edit || option.kind == OptionKind::Text)
      option.set(values, option.default_text, 0);
    else if (option.kind == OptionKind::List)
      option.set(values, {}, option.list->default_index);
    else if (option.kind == OptionKind::Flag)
      option.set(values, {}, option.list ? option.list->default_index : 0);
  }
  const auto spell = [spelling](const std::string& name, const std::string& text) {
    if (spelling == Spelling::Keys) return name + " = " + text;
    return text == "true" ? "--" + name : "--" + name + "=" + text;
  };
  const auto fail = [&result](const std::string& name, std::string message) {
    result.error = std::move(message);
    result.error_name = name;
    return result;
  };
  // What each flag chose so far: the list (or the flag itself) and the item, as given.
  struct Choice {
    const void* target;
    int item;
    std::string given;
  };
  std::vector<Choice> chosen;
  for (const auto& pair : given) {
    const std::string& name = pair.first;  // clang cannot capture a structured binding
    const std::string& text = pair.second;
    const auto found = std::find_if(command.options.begin(), command.options.end(),
                                    [&](const OptionDef& o) { return o.name == name; });
    if (found == command.options.end())
      return fail(name, "'" + command.path + "' takes no option '" + name + "'");
    const OptionDef& option = *found;
    switch (option.kind) {
      case OptionKind::List: {
        const std::optional<int> index = ItemByWord(*option.list, text);
        if (!index)
          return fail(name, (spelling == Spelling::Keys ? name + " = " + text
                                                        : "--" + name + " '" + text + "'") +
                                ": " + OptionHelp(option));
        option.set(values, text, *index);
        break;
      }
      case OptionKind::Flag: {
        // A number means the box's state, as it does for the on/off lists.
        const bool on = text == "true" || text == "1";
        if (!on && text != "false" && text != "0")
          return fail(name, spell(name, text) + ": a flag is true or false (1 or 0)");
        // A flag of a two-item list chooses its item; false chooses the other.
        const int item = option.list ? (on ? option.flag_index : 1 - option.flag_index) : on;
        const void* target = option.list ? static_cast<const void*>(option.list) : &option;
        const auto before = std::find_if(chosen.begin(), chosen.end(),
                                         [&](const Choice& c) { return c.target == target; });
        if (before != chosen.end() && before->item != item) {
          std::string message =
              before->given + " and " + spell(name, text) + " contradict each other";
          if (option.list && option.list->keywords)
            message += ": " + (*option.list->keywords)[0] + " or " + (*option.list->keywords)[1] +
                       ", not both";
          return fail(name, message);
        }
        chosen.push_back({target, item, spell(name, text)});
        option.set(values, text, item);
        break;
      }
      default:
        option.set(values, text, 0);
        break;
    }
  }
  return result;
}

}  // namespace zotpx::cli
