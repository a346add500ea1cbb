// Layout files read back: a whole overlay kept as a TOML text, checked at once into the values
// of its objects, in the order of the file. What `zotpx apply` sends, `static` and
// `download static` make start-up commands of, and `render` draws.
//
//   [[rect]]            # one table per object: a row of the command table by its `table`
//   left = "$1F"        # keys are the row's field names, values the words the command line takes
//   filled = true
//
// The rows that share a table (the three bitmaps) tell themselves apart by `kind`, the last
// word of the row's name. Each table may appear once ([rect]) or as often as needed ([[rect]]).
// Every table may also carry `name`, `hidden` and `locked` (layout/layout.h), and the file a
// `model` before its first table, which refuses objects the model does not have.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "layout/layout.h"
#include "text/static_file.h"

namespace zotpx {

// A layout is told from a static command text by its name: it ends in ".toml" (any case).
bool IsLayoutPath(std::string_view path);

// Reads and checks every object: tables, keys, types, words and each row's own check, bitmap
// files (relative to `base_dir`) included, which are kept in memory. An error names the line
// of the key at fault.
Layout ParseLayout(std::string_view text, const std::string& name, const std::string& base_dir);
Layout LoadLayout(const std::string& path);

// The layout's start-up commands: every frame of the objects it sends, in order, but the
// clock's. `errors` says where the
// static area is outgrown (the line of the first object that no longer fits) and `notes`
// that a clock setting was left out.
struct LayoutStatic {
  std::vector<Bytes> frames;
  std::vector<int> lines;  // of the object each frame comes from
  std::vector<std::string> errors;
  std::vector<std::string> notes;
};
LayoutStatic StaticFramesOf(const Layout& layout);

// The "User.cfg" image of a static command text, or of a layout (.toml) through its static
// command text, so both read exactly as the window's generate button reads a text. A layout's
// records carry the lines of their objects.
StaticImage ReadStaticSource(const std::string& path);
// The same of a layout in memory (one that was read whole, or edited).
StaticImage StaticImageOf(const Layout& layout);

}  // namespace zotpx
