// A layout file made from the overlay commands a device took: what `zotpx decode --layout`
// makes of a communication log, and what the window exports from its session. `zotpx apply`
// replays it to the very same frames.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "base/bytes.h"
#include "command/codec.h"

namespace zotpx {

struct LayoutFile {
  std::string toml;                                    // empty: no object to write
  std::vector<std::pair<std::string, Bytes>> bitmaps;  // file name beside the layout, content
  std::vector<std::string> notes;                      // what was left out, and why: "where: why"
};

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
  void Note(std::string note) { file_.notes.push_back(std::move(note)); }
  std::size_t objects() const { return objects_; }
  LayoutFile Finish() const;

 private:
  void AddObject(const Values& values, const std::string& where);

  LayoutFile file_;
  std::string base_name_;
  CommandAssembler assembler_;
  // The bitmap whose run of data frames lost a frame: its control frame is left out too.
  const CommandRow* broken_ = nullptr;
  std::size_t objects_ = 0;
};

// The layout's file name without its folder and its ".toml".
std::string LayoutBaseName(const std::string& path);

}  // namespace zotpx
