// The command line's commands and their options. A frame command is a row of the command table
// (command/table.h) and its options are the row's fields, made from the table: an edit box's
// option, a list's keyword, a flag and its other item's flag, a bitmap's file. The other
// commands (ports, downloads, conversions, layouts, send, decode) list theirs here in the same
// form. Layout files take a frame command's option names as keys (layout/layout_reader.h).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "command/words.h"

namespace zotpx::cli {

// What a command was given: a frame command's values, and the other commands' options.
struct CommandValues {
  std::optional<Values> fields;  // a frame command's: the window's defaults, then the words given
  // A field's value the window refuses with its own status (a character code page 936 lacks, a
  // bitmap file that cannot be read): said when the command runs, as its check's refusal is.
  std::optional<WordRefusal> refused;
  std::string file;                 // the file a conversion, download or layout command reads
  std::vector<std::string> files;   // crosshair shape bitmaps, in slot order
  std::string origin;               // crosshair origin "X,Y"
  std::string output;               // the file a conversion writes
  std::string image;                // static from a layout: the "User.cfg" image to write too
  std::string video;                // render: the picture under the overlay
  std::string cross_file;           // render: the crosshair file the device is taken to hold
  std::string at;                   // render: the moment the date and time fields show
  std::vector<std::string> hex;     // send: the frame's bytes
  bool raw = false;                 // send: the bytes exactly as given, the reply as it comes
  bool allow_empty = false;         // static, download static: an empty start-up list on purpose
  std::vector<std::string> inputs;  // decode: hex bytes or files
  bool to_layout = false;           // decode: the log as a layout file
  std::vector<std::string> only;    // decode: the commands to keep, by name
  bool errors_only = false;         // decode: only what is wrong
  bool stats = false;               // decode: the summary instead of the frames
  bool watch = false;               // ports: then the ports that come and go, until stopped
};

enum class OptionKind {
  Value,   // one word: a field's value, a file, a text
  Values,  // several words (positional)
  Flag,    // true or false (1 or 0)
};

// What the option's word sets; a flag's word is "true" or "false".
using Setter = std::function<void(CommandValues&, const std::string& word)>;

struct OptionDef {
  std::string name;  // the long option without dashes, or the positional's name
  std::string help;  // its whole line of --help
  OptionKind kind = OptionKind::Value;
  std::string type_name;  // "N", "WORD", "FILE"; empty: the parser's own
  bool positional = false;
  bool required = false;
  std::string default_text;  // set before the words given; empty: nothing
  Setter set;                // nothing for a field's option: its word goes to the row's values
};

enum class CommandId {
  Ports,
  Connect,
  Frames,  // a row of the command table
  CrossFile,
  Static,
  DownloadFont,
  DownloadStatic,
  DownloadCross,
  Send,
  Apply,   // a layout file's objects, in order
  Render,  // a layout file drawn by the screen model
  Format,  // a layout file written again as the designer saves it
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
  const CommandRow* row = nullptr;  // a frame command's
};

const std::vector<CommandDef>& Commands();
const CommandDef* FindCommand(std::string_view path);
const CommandDef& CommandOf(CommandId id);
// The frame command of a row that has one (a layout object's).
const CommandDef& CommandFor(const CommandRow& row);

using Given = std::vector<GivenWord>;

struct FillResult {
  CommandValues values;
  // A usage error: a word no option takes, a value no item has, flags that contradict each
  // other.
  std::optional<std::string> error;
};

// The defaults first, then each word given in turn: a frame command's through SetFieldWords
// (command/words.h), the others' through their options.
FillResult FillValues(const CommandDef& command, const Given& given);

}  // namespace zotpx::cli
