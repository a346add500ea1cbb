// The command line's vocabulary: one table per command of the options it takes, each saying
// what kind of field of the window it stands for, which field of the core's value struct it
// sets, and the window's default. The command line and layout files fill values through this
// one table, so an option name is also a layout key and a keyword means the same in both.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/attributes.h"
#include "crosshair/cross_cmd.h"
#include "device/date_time.h"
#include "device/system_params.h"
#include "graphics/bitmap_cmd.h"
#include "graphics/shapes.h"
#include "text/char_area.h"
#include "text/text_string.h"

namespace zotpx::cli {

// Every value a command can take, in the core's own structs; each command fills its part.
struct CommandValues {
  SystemParams params;
  std::string at;  // clock: "YYYY-MM-DD HH:MM:SS"; empty: the computer's time when sent
  DateTimeValues date_time;
  std::string text;  // text string, UTF-8 (code page 936 when sent)
  TextStringValues text_string;
  CharAreaValues area;
  LineValues line;
  RectValues rect;
  CircleValues circle;
  FlashBitmapValues flash;
  BlockBitmapValues block;
  CrossSettings cross;
  CrossMove move;
  std::string file;                // the file a bitmap, conversion or download reads
  std::vector<std::string> files;  // crosshair shape bitmaps, in slot order
  std::string origin;              // crosshair origin "X,Y"
  std::string output;              // the file a conversion writes
  std::string image;               // static from a layout: the "User.cfg" image to write too
  std::string video;               // render: the picture under the overlay
  std::string cross_file;          // render: the crosshair file the device is taken to hold
  std::vector<std::string> hex;    // a raw frame's bytes
  bool raw = false;                // send: the bytes exactly as given, the reply as it comes
  bool allow_empty = false;        // static, download static: an empty start-up list on purpose
  std::vector<std::string> inputs;  // decode: hex bytes or files
  bool to_layout = false;           // decode: the log as a layout file
};

enum class OptionKind {
  Edit,   // an edit box: the text as typed, judged by the command's check (integer rule)
  List,   // a drop-down: a keyword, the item's code, or the number the item shows
  Flag,   // a check box or one item of a two-item list: true means that item, false the other
  Text,   // a free text or file name
  Texts,  // several texts (positional)
};

// What the setter receives: the text as given, and for lists and flags the item index.
using Setter = std::function<void(CommandValues&, const std::string& text, int index)>;

struct OptionDef {
  std::string name;  // the long option without dashes, and the layout key
  std::string help;
  OptionKind kind = OptionKind::Edit;
  const ComboDef* list = nullptr;  // List; Flag when it stands for a list item
  int flag_index = 1;              // Flag: the item it selects
  std::string default_text;        // Edit, Text: the window's default; List: from the list
  bool positional = false;
  bool required = false;
  Setter set;
};

enum class CommandId {
  Ports,
  Connect,
  Params,
  Clock,
  Date,
  Time,
  Text,
  Area,
  Line,
  Rect,
  Circle,
  BitmapFlashing,
  BitmapOversized,
  BitmapSingle,
  CrossSet,
  CrossMove,
  CrossFile,
  Static,
  DownloadFont,
  DownloadStatic,
  DownloadCross,
  Send,
  Apply,   // a layout file's objects, in order
  Render,  // a layout file drawn by the screen model
  Decode,  // what frames, logs and static texts mean
};

enum class CommandUse {
  Local,     // no device: lists ports or converts files
  Frames,    // one or more command frames, as the window's buttons send them
  Download,  // identifies the device, then a memory transfer
  Device,    // connect, send: talks to the device its own way
};

struct CommandDef {
  CommandId id;
  std::string path;   // "rect", "bitmap flashing", "cross move"
  std::string help;   // one line for --help
  std::string title;  // the window's button caption: log title and status prefix
  CommandUse use;
  std::vector<OptionDef> options;
};

const std::vector<CommandDef>& Commands();
const CommandDef* FindCommand(std::string_view path);
const CommandDef& CommandOf(CommandId id);

// The help text of an option with its choices and the window's default.
std::string OptionHelp(const OptionDef& option);

using Given = std::vector<std::pair<std::string, std::string>>;

// How messages name what was given: "--fill", "--colour 'pink'" on the command line,
// "fill = true", "colour = pink" in a layout.
enum class Spelling { Options, Keys };

struct FillResult {
  CommandValues values;
  // A name the command does not take, a value no item has, or flags that contradict each other.
  std::optional<std::string> error;
  std::string error_name;  // the option the error is about
};

// The window's defaults first, then each (name, text) in turn. A flag's text is "true" or "1",
// "false" or "0"; two flags that choose different items of one list (--fill and --clear, or
// --hide and --hide=false) are refused. A Texts option takes one pair per text.
FillResult FillValues(const CommandDef& command, const Given& given,
                      Spelling spelling = Spelling::Options);

}  // namespace zotpx::cli
