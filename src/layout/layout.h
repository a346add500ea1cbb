// A layout in memory: the overlay's objects in the user's order, each with its checked values
// and what the designer keeps beside them (a name, hidden, locked), the model it is for, and
// the bitmap files its objects name. The reader fills it (layout_reader.h), the one writer
// writes it (layout_writer.h), and the designer edits it.
//
//   model = "ZOT-PA"      # optional: the model the layout is for
//
//   [[rect]]              # one table per object, in the order they are sent
//   name = "frame"        # the designer's keys: a name, hidden (kept, not sent), locked
//   left = 2              # the row's fields by their option names (layout_reader.h)
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "base/device_model.h"
#include "command/values.h"

namespace zotpx {

struct LayoutObject {
  Values values;        // checked: BuildFrames makes its frames. A bitmap's text is its file as the
                        // layout names it, a key of Layout::bitmaps.
  int line = 0;         // of its table in the file it was read from; 0 when made otherwise
  std::string name;     // the user's name for it; empty: none
  bool hidden = false;  // kept in the file, but neither sent nor drawn
  bool locked = false;  // the designer will not move it
};

struct Layout {
  std::string name;                  // as the messages show it: the path given
  std::optional<DeviceModel> model;  // the model it is for, when it says
  std::vector<LayoutObject> objects;
  // The bitmap files its objects name, by the name the layout gives them (relative to the
  // layout's folder, or rooted): the file's bytes as they were read or loaded.
  std::map<std::string, Bytes> bitmaps;
  // The paths of the bitmap files it was read from, as they were opened: what a command
  // writing files must not write over.
  std::vector<std::string> files;
  std::vector<std::string> errors;  // "name:line: message", in the order of the file
  bool ok() const { return errors.empty(); }
  std::string Where(int line) const { return name + ":" + std::to_string(line); }
};

// Whether the object goes to the device (and onto the picture).
inline bool IsSent(const LayoutObject& object) {
  return !object.hidden;
}

// Why a layout for `model` cannot hold an object of this row ("ZOT-PB has no rect: it is a
// ZOT-PA command"); nothing when it can.
std::optional<std::string> ModelLacks(const CommandRow& row, DeviceModel model);

}  // namespace zotpx
