#include "command/table.h"

#include <deque>

#include "base/coordinates.h"
#include "base/texts.h"
#include "command/checks.h"
#include "device/connect.h"
#include "serial/memory_transfer.h"

namespace zotpx {

namespace {

// "允许屏幕叠加" is a check box: checked, the overlay is on and bit 7 is set.
const Items kOverlayWords = {"off", "on"};
const ItemList kOverlayItems = PlainItems(kOverlayWords);
const ComboDef kOverlaySwitch{"CheckEnable",  &kOverlayItems, 1,
                              &kOverlayWords, nullptr,        ItemNumbers::State};

constexpr Placement Bits(int byte, int shift, int width) {
  return {Place::Bits, byte, width, shift, 0};
}
constexpr Placement Word(int byte, int width = 2) {
  return {Place::Word, byte, width, 0, 0};
}

// Names made up of parts ("text-colour", "ComboCrossTextColor") live as long as the table.
std::string_view Keep(std::string name) {
  static std::deque<std::string> kept;
  return kept.emplace_back(std::move(name));
}

FieldDef Def(std::string_view name, FieldKind kind, Placement at, std::string_view control = {},
             std::string_view label = {}) {
  FieldDef f;
  f.name = name;
  f.kind = kind;
  f.at = at;
  f.control = control;
  f.label = label;
  return f;
}

CommandRow Row(std::string_view name, std::string_view table, std::uint8_t command,
               std::optional<std::uint8_t> selector, std::string title, std::size_t data_size) {
  CommandRow row;
  row.name = name;
  row.table = table;
  row.command = command;
  row.selector = selector;
  row.title = std::move(title);
  row.data_size = data_size;
  return row;
}

const ComboDef* List(std::string_view control) {
  return FindComboDef(control);
}

FieldDef Coordinate(std::string_view name, bool x, int byte, std::string_view control,
                    std::string_view label, std::string default_text, std::string_view help) {
  FieldDef f = Def(name, FieldKind::Coordinate, Word(byte), control, label);
  f.default_text = std::move(default_text);
  f.max = x ? kScreenWidth - 1 : kScreenHeight - 1;
  f.help = help;
  return f;
}

FieldDef Number(std::string_view name, Placement at, std::string_view control,
                std::string_view label, std::string default_text, int min, int max,
                std::string_view help) {
  FieldDef f = Def(name, FieldKind::Number, at, control, label);
  f.default_text = std::move(default_text);
  f.min = min;
  f.max = max;
  f.help = help;
  return f;
}

FieldDef Pick(std::string_view name, Placement at, std::string_view control, std::string_view label,
              std::string_view help, ListCode code = ListCode::Index,
              const ComboDef* list = nullptr) {
  FieldDef f = Def(name, FieldKind::List, at, control, label);
  f.list = list ? list : List(control);
  f.code = code;
  f.default_index = f.list->default_index;
  f.help = help;
  return f;
}

// A flag that selects the second item of a two-item list, or ticks a check box (no list).
FieldDef Flag(std::string_view name, Placement at, std::string_view control, std::string_view label,
              std::string_view help, std::string_view off_name = {},
              std::string_view off_help = {}) {
  FieldDef f = Def(name, FieldKind::Flag, at, control, label);
  if (control.rfind("Combo", 0) == 0) f.list = List(control);
  f.off_name = off_name;
  f.off_help = off_help;
  f.default_index = f.list ? f.list->default_index : 0;
  f.help = help;
  return f;
}

// The text attribute byte at `byte`: colour, spacing, font, size and show of one group. The
// crosshair's read-out says whose they are in its labels ("坐标文本颜色设置：").
void AddTextAttributes(Language language, std::vector<FieldDef>& fields, int byte,
                       const std::string& group, std::string_view prefix,
                       std::string_view hide_name, std::string_view hide_help,
                       bool coordinate_text = false) {
  const auto T = [language](TextId id) { return TextIn(language, id); };
  const auto name = [&](std::string_view base) {
    return Keep(std::string(prefix) + std::string(base));
  };
  const auto control = [&](std::string_view what) {
    return Keep("Combo" + group + std::string(what));
  };
  // The crosshair's coordinate text has labels of its own.
  const auto label = [&](TextId plain, TextId coordinate) {
    return T(coordinate_text ? coordinate : plain);
  };
  fields.push_back(Pick(name("colour"), Bits(byte, 0, 3), control("Color"),
                        label("command.label_colour", "command.label_text_colour"), "colour mode"));
  fields.push_back(Pick(name("spacing"), Bits(byte, 3, 2), control("Space"),
                        label("command.label_spacing", "command.label_text_spacing"),
                        "character spacing in pixels"));
  fields.push_back(Pick(name("font"), Bits(byte, 5, 1), control("Font"),
                        label("command.label_font", "command.label_text_font"), "font"));
  fields.push_back(Pick(name("size"), Bits(byte, 6, 1), control("Size"),
                        label("command.label_size", "command.label_text_size"), "magnification"));
  fields.push_back(Flag(hide_name, Bits(byte, 7, 1), control("Show"),
                        label("command.label_show", "command.label_text_show"), hide_help));
}

// Colour, thickness, mode and show of a shape, in its attribute byte.
void AddShapeStyle(Language language, std::vector<FieldDef>& fields, const std::string& group,
                   std::string_view mode_name, std::string_view mode_help) {
  const auto T = [language](TextId id) { return TextIn(language, id); };
  const auto control = [&](std::string_view what) {
    return Keep("Combo" + group + std::string(what));
  };
  fields.push_back(
      Pick("colour", Bits(0, 0, 3), control("Color"), T("command.label_colour"), "colour"));
  fields.push_back(Pick("thickness", Bits(0, 3, 2), control("Thick"), T("command.label_thickness"),
                        "line thickness in pixels"));
  fields.push_back(
      Flag(mode_name, Bits(0, 6, 1), control("Mode"), T("command.label_mode"), mode_help));
  fields.push_back(Flag("delete", Bits(0, 7, 1), control("Show"), T("command.label_show"),
                        "delete it instead of drawing it"));
}

FieldDef Picture(Language language, std::string_view control) {
  FieldDef f = Def("file", FieldKind::Bitmap, {Place::Picture, 5, 0, 0, 0}, control,
                   TextIn(language, "command.label_bitmap_file"));
  f.help = "bitmap file (1 bit per pixel)";
  f.positional = true;
  return f;
}

// The rows with their titles, labels and messages in `language`.
std::vector<CommandRow> BuildRows(Language language) {
  const auto T = [language](TextId id) { return TextIn(language, id); };
  const auto title = [&T](TextId id) { return std::string(T(id)); };
  // The memory requests are no button's, but a caller's address is checked all the same.
  const std::string_view address_text = T("command.invalid_address");
  std::vector<CommandRow> rows;

  CommandRow identify = Row("identify", "", 0x00, 0xFF, title("caption.BtnSearchCmd"), 1);
  identify.help = "ask the device to identify itself (its answer is no frame)";
  rows.push_back(identify);

  CommandRow erase =
      Row("erase", "", kMemoryCommand, kMemoryErase, title("command.title_erase"), 5);
  erase.fields = {Number("address", Word(2, 3), {}, {}, "0", 0, 0xFFFFFF, "region start")};
  erase.check = checks::Edits;
  erase.edit_message = address_text;
  erase.help = "erase the memory region that starts at the address";
  rows.push_back(erase);
  CommandRow write =
      Row("write", "", kMemoryCommand, kMemoryWrite, title("command.title_write"), 5);
  write.variable = true;
  FieldDef data = Def("data", FieldKind::Data, {Place::Counted, 5, 0, 0, 1});
  data.min = 1;
  data.max = static_cast<int>(kMemoryBlockSize);
  data.help = "the bytes written";
  write.fields = {Number("address", Word(2, 3), {}, {}, "0", 0, 0xFFFFFF, "first byte's address"),
                  data};
  write.check = checks::Edits;
  write.edit_message = address_text;
  write.help = "write up to 240 bytes from the address on";
  rows.push_back(write);

  CommandRow params = Row("params", "params", 0x10, std::nullopt, title("caption.BtnConfigCmd"), 3);
  params.fields.push_back(Pick("overlay", Bits(0, 7, 1), "CheckEnable", T("command.label_overlay"),
                               "show the overlay at all", ListCode::Index, &kOverlaySwitch));
  static const char* kKeyNames[] = {"key1", "key2", "key3", "key4", "key5", "key6"};
  static const char* kKeyControls[] = {"ComboKey1", "ComboKey2", "ComboKey3",
                                       "ComboKey4", "ComboKey5", "ComboKey6"};
  static const char* kKeyHelp[] = {"switch 1 active level", "switch 2 active level",
                                   "switch 3 active level", "switch 4 active level",
                                   "switch 5 active level", "switch 6 active level"};
  for (int k = 0; k < 6; ++k)
    params.fields.push_back(
        Pick(kKeyNames[k], Bits(1, k, 1), kKeyControls[k],
             Keep(FillIn(language, "command.label_switch", {std::to_string(k + 1)})), kKeyHelp[k]));
  params.fields.push_back(Pick("offset-ex", Bits(2, 0, 4), "ComboColumnOffsetEx",
                               T("command.label_offset_ex"),
                               "horizontal offset on external video"));
  params.fields.push_back(Pick("offset-in", Bits(2, 4, 4), "ComboColumnOffsetIn",
                               T("command.label_offset_in"),
                               "horizontal offset on internal video"));
  params.help = "system parameters: overlay, switch levels, video offsets";
  rows.push_back(params);

  CommandRow clock = Row("clock", "clock", 0x11, std::nullopt, title("caption.BtnSetTimeCmd"), 6);
  // The window sends the computer's time; a layout, and the designer, give a moment.
  FieldDef at =
      Def("at", FieldKind::Moment, {Place::Moment, 0, 6, 0, 0}, {}, T("command.label_moment"));
  at.help = "\"YYYY-MM-DD HH:MM:SS\", years 2000-2255, to set instead of the computer's time";
  clock.fields = {at};
  clock.check = checks::Clock;
  clock.help = "set the device clock";
  rows.push_back(clock);

  for (const bool time : {false, true}) {
    const std::string group = time ? "Time" : "Date";
    CommandRow row = Row(time ? "time" : "date", time ? "time" : "date", 0x12,
                         static_cast<std::uint8_t>(time ? 1 : 0),
                         time ? title("caption.BtnTimeCmd") : title("caption.BtnDateCmd"), 25);
    AddTextAttributes(language, row.fields, 1, group, "", "hide",
                      time ? "hide the time" : "hide the date");
    row.fields.push_back(Coordinate("x", true, 5, time ? "EditTimeLeft" : "EditDateLeft",
                                    T("command.label_top_left_x"), "292", "top-left X"));
    row.fields.push_back(Coordinate("y", false, 7, time ? "EditTimeTop" : "EditDateTop",
                                    T("command.label_top_left_y"), time ? "18" : "0",
                                    "top-left Y"));
    FieldDef format = Def("format", FieldKind::Format, {Place::Counted, 14, 10, 0, 13},
                          time ? "EditTimeFormat" : "EditDateFormat",
                          time ? T("command.label_time_format") : T("command.label_date_format"));
    format.default_text = time ? "hh:mm:ss" : "yyyy/mm/dd";
    format.min = 8;
    format.max = time ? 8 : 10;
    format.help = time ? "time format, 8 characters" : "date format, 8 or 10 characters";
    row.fields.push_back(format);
    row.check = checks::DateTime;
    row.edit_message = T(kInvalidCoordinateText.id());
    row.help = time ? "place or hide the time field" : "place or hide the date field";
    rows.push_back(row);
  }

  CommandRow text = Row("text", "text", 0x14, std::nullopt, title("caption.BtnStringCmd"), 5);
  text.variable = true;
  AddTextAttributes(language, text.fields, 0, "String", "", "delete", "delete the string");
  text.fields.push_back(
      Coordinate("x", true, 1, "EditStringLeft", T("command.label_top_left_x"), "5", "top-left X"));
  text.fields.push_back(Coordinate("y", false, 3, "EditStringTop", T("command.label_top_left_y"),
                                   "50", "top-left Y"));
  FieldDef string = Def("text", FieldKind::Text, {Place::Tail, 5, 0, 0, 0}, "EditString",
                        T("command.label_text"));
  string.default_text = "欢迎使用云帆ZOT-Px系列字符叠加产品";
  string.min = 1;
  // The edit box holds this many bytes, so the length byte (n + 5) always fits.
  string.max = 200;
  string.help = "the string (UTF-8; sent in code page 936)";
  string.positional = true;
  text.fields.push_back(string);
  text.check = checks::TextString;
  text.edit_message = T(kInvalidCoordinateText.id());
  text.help = "place or delete a text string";
  rows.push_back(text);

  CommandRow flashing =
      Row("bitmap flashing", "bitmap", 0x15, std::nullopt, title("caption.BtnBitmapCmd"), 7);
  flashing.variable = true;
  flashing.fields = {
      Pick("colour", Bits(0, 0, 3), "ComboBitmapColor", T("command.label_colour"), "colour mode"),
      Pick("flash", Bits(0, 3, 2), "ComboBitmapFlash", T("command.label_flash"),
           "automatic flashing"),
      Pick("cycle", Bits(0, 6, 1), "ComboBitmapCycle", T("command.label_flash_period"),
           "flash period in seconds"),
      Flag("delete", Bits(0, 7, 1), "ComboBitmapShow", T("command.label_show"),
           "delete it instead of showing it"),
      Coordinate("x", true, 1, "EditBitmapLeft", T("command.label_top_left_x"), "5", "top-left X"),
      Coordinate("y", false, 3, "EditBitmapTop", T("command.label_top_left_y"), "100",
                 "top-left Y"),
      Picture(language, "LabelBitmapSelect"),
  };
  flashing.check = checks::Bitmap;
  flashing.edit_message = T(kInvalidCoordinateText.id());
  flashing.picture_limits = &kFlashingBitmapLimits;
  flashing.help = "the flashing bitmap character (up to 40x48 or 48x40)";
  rows.push_back(flashing);

  CommandRow area = Row("area", "area", 0x16, std::nullopt, title("caption.BtnAreaCmd"), 9);
  area.fields = {
      Pick("layer", Bits(0, 0, 3), "ComboAreaLayer", T("command.label_layer"), "colour layer"),
      Flag("clear", Bits(0, 7, 1), "ComboAreaShow", T("command.label_area_action"),
           "clear the area (the default)", "fill", "fill the area"),
      Coordinate("left", true, 1, "EditAreaLeft", T("command.label_top_left_x"), "0", "left X"),
      Coordinate("top", false, 3, "EditAreaTop", T("command.label_top_left_y"), "0", "top Y"),
      Coordinate("right", true, 5, "EditAreaRight", T("command.label_bottom_right_x"), "383",
                 "right X"),
      Coordinate("bottom", false, 7, "EditAreaBottom", T("command.label_bottom_right_y"), "255",
                 "bottom Y"),
  };
  area.check = checks::Corners;
  area.edit_message = T(kEnterCoordinatesText.id());
  area.help = "fill or clear an area on one colour layer or all";
  rows.push_back(area);

  for (const bool single : {false, true}) {
    CommandRow row = Row(
        single ? "bitmap single" : "bitmap oversized", "bitmap", single ? 0x1D : 0x17, std::nullopt,
        single ? title("caption.BtnSingleBitmapCmd") : title("caption.BtnSuperBitmapCmd"), 7);
    row.variable = true;
    row.fields = {
        Pick("colour", Bits(0, 0, 3), single ? "ComboSingleBitmapColor" : "ComboSuperBitmapColor",
             T("command.label_colour"), "colour mode"),
        Flag("delete", Bits(0, 7, 1), single ? "ComboSingleBitmapShow" : "ComboSuperBitmapShow",
             T("command.label_show"), "delete it instead of showing it"),
        Coordinate("x", true, 1, single ? "EditSingleBitmapLeft" : "EditSuperBitmapLeft",
                   T("command.label_top_left_x"), single ? "185" : "55", "top-left X"),
        Coordinate("y", false, 3, single ? "EditSingleBitmapTop" : "EditSuperBitmapTop",
                   T("command.label_top_left_y"), "100", "top-left Y"),
        Picture(language, single ? "LabelSingleBitmapSelect" : "LabelSuperBitmapSelect"),
        Flag("control-only", {}, single ? "CheckSingleBitmapData" : "CheckSuperBitmapData",
             T("command.label_control_only"), "send the control frame only, without the picture"),
    };
    row.check = checks::Bitmap;
    row.edit_message = T(kInvalidCoordinateText.id());
    // 128 x 128 in 9 blocks, 192 x 128 in 13.
    row.blocks = {single ? 13u : 9u, Bits(0, 3, 4)};
    row.picture_limits = single ? &kSingleColourBitmapLimits : &kOversizedBitmapLimits;
    // The single-colour bitmap is on the graphics page, which only the first model shows.
    if (single) row.models = ModelBit(DeviceModel::PA);
    row.help = single ? "the single-colour bitmap (up to 192x128)"
                      : "the oversized bitmap character (up to 128x128)";
    rows.push_back(row);
  }

  const struct {
    std::string_view name;
    std::uint8_t command;
    TextId title;
    const char* group;
    std::string_view mode;
    std::string_view mode_help;
    std::string_view help;
  } kShapes[] = {
      {"line", 0x1A, "caption.BtnLineCmd", "Line", "vertical", "a vertical line",
       "draw or delete a line"},
      {"rect", 0x1B, "caption.BtnRectCmd", "Rect", "filled", "fill the inside too",
       "draw or delete a rectangle"},
      {"circle", 0x1C, "caption.BtnCircleCmd", "Circle", "filled", "fill the inside too",
       "draw or delete a circle"},
  };
  for (const auto& shape : kShapes) {
    CommandRow row =
        Row(shape.name, shape.name, shape.command, std::nullopt, title(shape.title), 0);
    AddShapeStyle(language, row.fields, shape.group, shape.mode, shape.mode_help);
    row.help = shape.help;
    row.edit_message = T(kEnterCoordinatesText.id());
    row.models = ModelBit(DeviceModel::PA);
    if (shape.name == "line") {
      row.data_size = 7;
      row.fields.push_back(
          Coordinate("x", true, 1, "EditLineLeft", T("command.label_top_left_x"), "5", "start X"));
      row.fields.push_back(
          Coordinate("y", false, 3, "EditLineTop", T("command.label_top_left_y"), "20", "start Y"));
      row.fields.push_back(Number("length", Word(5), "EditLineLength", T("command.label_length"),
                                  "200", 0, kScreenWidth, "length in pixels"));
      row.check = checks::Edits;
      row.edit_message = T(kEnterCoordinatesAndLengthText.id());
    } else if (shape.name == "rect") {
      row.data_size = 9;
      row.fields.push_back(Coordinate("left", true, 1, "EditRectLeft",
                                      T("command.label_top_left_x"), "0", "left X"));
      row.fields.push_back(
          Coordinate("top", false, 3, "EditRectTop", T("command.label_top_left_y"), "0", "top Y"));
      row.fields.push_back(Coordinate("right", true, 5, "EditRectRight",
                                      T("command.label_bottom_right_x"), "383", "right X"));
      row.fields.push_back(Coordinate("bottom", false, 7, "EditRectBottom",
                                      T("command.label_bottom_right_y"), "255", "bottom Y"));
      row.check = checks::Corners;
    } else {
      row.data_size = 6;
      row.fields.push_back(Coordinate("x", true, 1, "EditCircleLeft", T("command.label_centre_x"),
                                      "30", "centre X"));
      row.fields.push_back(Coordinate("y", false, 3, "EditCircleTop", T("command.label_centre_y"),
                                      "200", "centre Y"));
      row.fields.push_back(Pick("radius", Bits(5, 0, 8), "ComboCircleRadius",
                                T("command.label_radius"), "radius in pixels", ListCode::Shown));
      row.check = checks::Circle;
    }
    rows.push_back(row);
  }

  CommandRow cross =
      Row("cross set", "cross", 0x1E, std::nullopt, title("caption.BtnCrossConfigCmd"), 8);
  cross.fields = {
      Pick("colour", Bits(0, 0, 1), "ComboCrossColor", T("command.label_cross_colour"),
           "crosshair colour"),
      Pick("enable", Bits(0, 7, 1), "ComboCrossEnable", T("command.label_cross_enable"),
           "crosshair on or off"),
      Pick("shape", Bits(1, 0, 8), "ComboCrossSelect", T("command.label_cross_shape"),
           "shape of the downloaded crosshair file", ListCode::Shown),
      Pick("step", Bits(2, 0, 8), "ComboCrossKeyStep", T("command.label_cross_step"),
           "keyboard quick-move step in pixels", ListCode::Shown),
  };
  AddTextAttributes(language, cross.fields, 3, "CrossText", "text-", "text-hide",
                    "hide the coordinate text", true);
  cross.fields.push_back(Coordinate("text-x", true, 4, "EditCrossTextLeft",
                                    T("command.label_text_x"), "0",
                                    "coordinate text's top-left X"));
  cross.fields.push_back(Coordinate("text-y", false, 6, "EditCrossTextTop",
                                    T("command.label_text_y"), "0",
                                    "coordinate text's top-left Y"));
  cross.check = checks::Edits;
  cross.edit_message = T(kInvalidCoordinateText.id());
  cross.models = ModelBit(DeviceModel::PB);
  cross.help = "crosshair settings";
  rows.push_back(cross);

  CommandRow move =
      Row("cross move", "cross-move", 0x1F, std::nullopt, title("caption.BtnCrossMoveCmd"), 4);
  move.fields = {
      Coordinate("x", true, 0, "EditCrossCurrentX", T("command.label_cross_x"), "192", "centre X"),
      Coordinate("y", false, 2, "EditCrossCurrentY", T("command.label_cross_y"), "128",
                 "centre Y")};
  for (FieldDef& centre : move.fields) centre.positional = true;
  move.models = ModelBit(DeviceModel::PB);
  move.check = checks::Edits;
  move.edit_message = T(kInvalidCoordinateText.id());
  move.help = "move the crosshair's centre";
  rows.push_back(move);
  return rows;
}

}  // namespace

const FieldDef* CommandRow::Field(std::string_view field_name) const {
  const std::size_t i = IndexOf(field_name);
  return i < fields.size() ? &fields[i] : nullptr;
}

std::size_t CommandRow::IndexOf(std::string_view field_name) const {
  for (std::size_t i = 0; i < fields.size(); ++i)
    if (fields[i].name == field_name) return i;
  return fields.size();
}

std::span<const CommandRow> CommandRows() {
  // A process speaks one language; a test may ask for both.
  if (CurrentLanguage() == Language::English) {
    static const std::vector<CommandRow> english = BuildRows(Language::English);
    return english;
  }
  static const std::vector<CommandRow> chinese = BuildRows(Language::Chinese);
  return chinese;
}

const CommandRow* FindRow(std::string_view name) {
  for (const CommandRow& row : CommandRows())
    if (row.name == name) return &row;
  return nullptr;
}

const CommandRow* RowForFrame(std::uint8_t command, std::span<const std::uint8_t> data) {
  for (const CommandRow& row : CommandRows()) {
    if (row.command != command) continue;
    if (!row.selector || (!data.empty() && data[0] == *row.selector)) return &row;
  }
  return nullptr;
}

Probe ConnectProbe() {
  return {kProbeByte, kProbeAnswer};
}

}  // namespace zotpx
