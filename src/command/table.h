// The commands the device knows, as data: one row per command with its code, its title (the
// button's caption) and its fields in frame order. Each field says what it is to the user (name
// = command-line option = layout key, kind, vocabulary, the window's control, default and
// limits) and where it sits in the frame. One builder and one decoder (command/codec.h) read
// every row; each row adds only its check.
//
//   const CommandRow& rect = *FindRow("rect");
//   Values values(rect);                  // the window's defaults
//   values["left"].text = "10";
//   if (!rect.check(values)) frames = BuildFrames(values);
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/attributes.h"
#include "base/device_model.h"
#include "graphics/bitmap.h"

namespace zotpx {

class Values;

enum class FieldKind {
  Coordinate,  // an edit box read by the integer rule: a screen X (0..383) or Y (0..255)
  Number,      // an edit box read by the integer rule, with limits of its own
  List,        // a drop-down: the item index
  Flag,        // a check box, or a two-item drop-down set by naming its second item: 0 or 1
  Text,        // code page 936 bytes, to the frame's end
  Format,      // the date or time format: ASCII, counted, in fixed slots
  Moment,      // the clock: "YYYY-MM-DD HH:MM:SS", or empty for the computer's time when sent
  Bitmap,      // a bitmap slot's picture: W, H and its packed bytes
  Data,        // raw bytes behind a count byte (a memory write)
};

enum class Place {
  None,     // not in the frame: decides which frames go (the bitmaps' control-only box)
  Bits,     // `width` bits of data byte `byte` from bit `shift` on
  Word,     // a big-endian value of `width` bytes at `byte`
  Tail,     // bytes from `byte` to the frame's end
  Counted,  // a count byte at `count_at`, the bytes from `byte` on: `width` slots filled up with
            // zeros, or (width 0) exactly `count` bytes to the frame's end
  Moment,   // year - 2000, month, day, hour, minute, second from `byte` on
  Picture,  // W and H at `byte`, then the packed picture (all of it, or one numbered block)
};

struct Placement {
  Place place = Place::None;
  int byte = 0;
  int width = 0;
  int shift = 0;
  int count_at = 0;
};

// What the device receives for a list item.
enum class ListCode {
  Index,  // ItemCode: the index, or the list's own codes (the area layer's mask)
  Shown,  // the number the item shows (radius 5..127, shape 1..20, step 2..20)
};

struct FieldDef {
  std::string_view name;  // option, layout key, JSON key
  FieldKind kind = FieldKind::Coordinate;
  Placement at;
  std::string_view control;  // the window's control ("EditRectLeft"); empty: none
  // What it is called beside its control, in the window and the designer ("左上角X坐标："); a
  // check box's caption.
  std::string_view label;
  const ComboDef* list = nullptr;  // List, and a Flag that names a list's second item
  ListCode code = ListCode::Index;
  std::string_view off_name;  // Flag: the word for its first item, where it has one ("fill")
  std::string_view off_help;  // and its line for --help
  // The command line takes it as an argument rather than an option: the text string, the
  // crosshair's centre, a bitmap's file.
  bool positional = false;
  std::string default_text;  // Coordinate, Number, Format, Text (UTF-8): the window's default
  int default_index = 0;     // List, Flag: the window's default item
  int min = 0;               // Coordinate, Number: limits; Text, Format, Data: bytes
  int max = 0;
  std::string_view help;  // one line for --help
};

// The block commands' pictures travel in numbered 240-byte frames before a control frame.
struct BlockFrames {
  std::size_t max_blocks = 0;  // 0: the picture rides in the command's one frame
  Placement block;             // where the block number sits in the attribute byte
};

using CheckFunction = std::optional<std::string> (*)(const Values& values);

// The models a command is for, one bit per DeviceModel: the window shows a model's pages only.
constexpr unsigned ModelBit(DeviceModel model) {
  return 1u << static_cast<unsigned>(model);
}
inline constexpr unsigned kEveryModel = ModelBit(DeviceModel::PA) | ModelBit(DeviceModel::PB);

struct CommandRow {
  std::string_view name;   // the command line's command: "rect", "bitmap single", "cross set"
  std::string_view table;  // its layout table ("bitmap" with kind = the name's last word); empty:
                           // no layout object, and no command of its own on the command line
  std::uint8_t command = 0;
  std::optional<std::uint8_t> selector;  // data byte 0, where one code carries several rows
  std::string title;                     // the button's caption: log title, status prefix
  std::size_t data_size = 0;             // the fixed part of the data; variable rows add a tail
  bool variable = false;                 // a Tail, Counted data or Picture makes the length vary
  std::vector<FieldDef> fields;          // in frame order
  // The window's checks in the window's order: the failure message after the title, or nothing.
  CheckFunction check = nullptr;
  std::string_view edit_message;  // what an edit box that is no integer, or out of range, says
  BlockFrames blocks;
  const BitmapLimits* picture_limits = nullptr;  // the bitmap slot's
  unsigned models = kEveryModel;
  std::string_view help;

  // Whether a device of that model has the command; an unknown model may have any.
  bool ForModel(DeviceModel model) const {
    return model == DeviceModel::Unknown || (models & ModelBit(model)) != 0;
  }

  const FieldDef* Field(std::string_view field_name) const;
  std::size_t IndexOf(std::string_view field_name) const;  // fields.size() when none
};

// Every row, in the order the device's code table lists them.
std::span<const CommandRow> CommandRows();
// By the command line's name ("rect", "cross move"); nullptr when none.
const CommandRow* FindRow(std::string_view name);
// The row a frame's code (and, where codes are shared, data byte 0) stands for; nullptr when
// the table has none.
const CommandRow* RowForFrame(std::uint8_t command, std::span<const std::uint8_t> data);

// The connect scan's one-byte handshake, at each rate in turn.
struct Probe {
  std::uint8_t request;
  std::uint8_t answer;
};
Probe ConnectProbe();

}  // namespace zotpx
