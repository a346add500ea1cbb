// Layout files written: one writer for a layout in memory (layout/layout.h), whether the
// designer made it, `zotpx format` read it, or the frames a device took were turned into it
// (`zotpx decode --layout`, the window's export). Reading what it writes gives the very same
// frames, and writing that again the very same text.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/bytes.h"
#include "command/codec.h"
#include "layout/layout.h"

namespace zotpx {

struct LayoutFile {
  std::string toml;                                    // empty: no object to write
  std::vector<std::pair<std::string, Bytes>> bitmaps;  // file name beside the layout, content
  std::vector<std::string> notes;                      // what was left out, and why: "where: why"
};

// The layout as a TOML text: its model, then one [[table]] per object in order, with the
// designer's keys (name, hidden, locked) first and every field's value after them, in the
// row's order (a flag only when set, or as its other item's word; the clock's moment only when
// given). `comment` heads the text as comment lines. The bitmaps to write are those with a
// name relative to the layout's folder; a rooted one is left where it is.
LayoutFile WriteLayout(const Layout& layout, std::string_view comment = {});

// The bitmap files beside the layout at `path` that saving `file` there would replace with
// different bytes.
std::vector<std::string> BitmapsReplaced(const LayoutFile& file, const std::string& path);
// The bitmaps first (a file that holds the same bytes already is left alone; missing folders
// are made), then the layout itself, each whole or not at all: a layout on disk never names a
// bitmap that is not there. The name of the file that could not be written, or nothing.
std::optional<std::string> SaveLayoutFile(const LayoutFile& file, const std::string& path);

// Frames go in as they went on the line; the start-up commands among them become the layout's
// objects in order. A bitmap's picture is written as a BMP file beside the layout, named after
// it ("session.toml" gives "session-3.bmp"). The clock, what the window would refuse and a
// picture whose blocks are not all there are left out, each with a note.
class LayoutWriter {
 public:
  // `source` names what the frames come from, in the file's first comment; `layout_path` is
  // where the layout is to be written.
  LayoutWriter(const std::string& source, const std::string& layout_path);
  // One frame and whether the device acknowledged it; `where` names it in notes. A frame that
  // was not acknowledged breaks a bitmap's run of frames off.
  void Add(const Bytes& frame, bool acknowledged, const std::string& where);
  // What follows starts afresh: a bitmap's run of frames so far is broken off.
  void BreakRun() {
    assembler_ = {};
    broken_ = nullptr;
  }
  // A note of the caller's own (the log held several ports, say).
  void Note(std::string note) { notes_.push_back(std::move(note)); }
  std::size_t objects() const { return layout_.objects.size(); }
  // The layout so far, its bitmaps named as Finish writes them.
  const Layout& layout() const { return layout_; }
  LayoutFile Finish() const;

 private:
  void AddObject(Values values, const std::string& where);

  Layout layout_;
  std::string comment_;
  std::vector<std::string> notes_;
  std::string base_name_;
  CommandAssembler assembler_;
  // The bitmap whose run of data frames lost a frame: its control frame is left out too.
  const CommandRow* broken_ = nullptr;
};

// The layout's file name without its folder and its ".toml".
std::string LayoutBaseName(const std::string& path);

}  // namespace zotpx
