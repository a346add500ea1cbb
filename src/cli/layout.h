// Layout files: a whole overlay kept as a TOML text, checked at once, then sent live (apply),
// turned into start-up commands (static, download static) or drawn without a device (render).
//
//   [[rect]]            # one table per object, sent in the order of the file
//   left = "$1F"        # keys are the command's option names, values as the options take them
//   filled = true
//
// A table's name is the command's ("cross move" is [[cross-move]], "cross set" is [cross]);
// the three bitmap commands share [[bitmap]] and tell themselves apart by `kind`. Each table
// may appear once ([rect]) or as often as needed ([[rect]]).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/commands.h"
#include "text/static_file.h"

namespace zotpx::cli {

// A layout is told from a static command text by its name: it ends in ".toml" (any case).
bool IsLayoutPath(std::string_view path);

struct LayoutObject {
  const CommandDef* command = nullptr;
  CommandValues values;
  Prepared prepared;  // checked: `build` makes its frames
  int line = 0;       // of its table in the file
};

struct Layout {
  std::string name;  // as the messages show it: the path given
  std::vector<LayoutObject> objects;
  std::vector<std::string> errors;  // "name:line: message", in the order of the file
  bool ok() const { return errors.empty(); }
  std::string Where(int line) const { return name + ":" + std::to_string(line); }
};

// Reads and checks every object: tables, keys, types, values and each command's own check,
// bitmap files (relative to `base_dir`) included. Nothing is sent.
Layout ParseLayout(std::string_view text, const std::string& name, const std::string& base_dir);
Layout LoadLayout(const std::string& path);

// The layout's start-up commands: every frame in order but the clock's. `errors` says where the
// static area is outgrown (the line of the first object that no longer fits) and `notes`
// that a clock setting was left out.
struct LayoutStatic {
  std::vector<Bytes> frames;
  std::vector<std::string> errors;
  std::vector<std::string> notes;
};
LayoutStatic StaticFramesOf(const Layout& layout);

// The "User.cfg" image of a static command text, or of a layout (.toml) through its static
// command text, so both read exactly as the window's generate button reads a text.
StaticImage ReadStaticSource(const std::string& path);

// Hooks for the program. Before anything is opened: a layout the command names is loaded and
// checked whole, and a start-up list (static, download static) that would come out empty is
// refused unless --allow-empty; errors and notes go to standard error. kExitOk, or
// kExitRefused.
int CheckLayoutArgument(const CommandDef& command, const CommandValues& values, bool quiet);
// apply on one port; nothing for other commands.
std::optional<Outcome> RunLayoutOnPort(const CommandDef& command, const CommandValues& values,
                                       const Session& session, Reporter& reporter);
// static from a layout, and render; nothing for other commands.
std::optional<Outcome> RunLayoutLocal(const CommandDef& command, const CommandValues& values);
// Adds apply and render to the command table.
void AddLayoutCommands(std::vector<CommandDef>& commands);

}  // namespace zotpx::cli
