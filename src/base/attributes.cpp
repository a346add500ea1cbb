#include "base/attributes.h"

#include <algorithm>

#include "base/texts.h"

namespace zotpx {

namespace {

using Item = ItemList::Item;

// An item that is a text of the catalogue, in both languages; `value` fills its {1}.
Item Label(TextId id, const std::string& value = {}, std::optional<int> number = std::nullopt) {
  return {FillIn(Language::Chinese, id, {value}), FillIn(Language::English, id, {value}), number};
}

ItemList Labels(std::initializer_list<TextId> ids) {
  std::vector<Item> items;
  for (const TextId id : ids) items.push_back(Label(id));
  return ItemList(items);
}

std::string Padded(int n, int width) {
  std::string text = std::to_string(n);
  while (static_cast<int>(text.size()) < width) text = "0" + text;
  return text;
}

// Items that show the numbers first..last, the same in both languages ("25", "COM3").
ItemList Numbered(int first, int last, const std::string& prefix = {}) {
  std::vector<Item> items;
  for (int i = first; i <= last; ++i) {
    const std::string text = prefix + std::to_string(i);
    items.push_back({text, text, i});
  }
  return ItemList(items);
}

// Items that show the numbers first..last in a text of the catalogue ("2像素", "图形07").
ItemList NumberedText(int first, int last, TextId id, int width = 0) {
  std::vector<Item> items;
  for (int i = first; i <= last; ++i) items.push_back(Label(id, Padded(i, width), i));
  return ItemList(items);
}

ItemList Offsets(int default_offset) {
  std::vector<Item> items;
  for (int i = 0; i <= 15; ++i) {
    const std::string n = std::to_string(i);
    items.push_back(i == 0                ? Label("base.item_offset_min", n, i)
                    : i == 15             ? Label("base.item_offset_max", n, i)
                    : i == default_offset ? Label("base.item_offset_default", n, i)
                                          : Item{n, n, i});
  }
  return ItemList(items);
}

ItemList BaudRates() {
  std::vector<Item> items;
  for (const int rate : kBaudRateList)
    items.push_back({std::to_string(rate), std::to_string(rate), rate});
  return ItemList(items);
}

// The font test's blocks by their lead byte; they name no number on the command line.
ItemList HexBlocks() {
  std::vector<Item> items;
  const char* digits = "0123456789ABCDEF";
  for (int b = 0xB0; b <= 0xF7; ++b) {
    const std::string text = std::string("0x") + digits[b >> 4] + digits[b & 15];
    items.push_back({text, text, std::nullopt});
  }
  return ItemList(items);
}

ItemList DeviceTypes() {
  return ItemList(
      {Label("base.item_unknown_model"), {"ZOT-PA", "ZOT-PA", {}}, {"ZOT-PB", "ZOT-PB", {}}});
}

}  // namespace

ItemList::ItemList(const std::vector<Item>& items) {
  for (const Item& item : items) {
    chinese_.push_back(item.chinese);
    english_.push_back(item.english);
    numbers_.push_back(item.number);
  }
}

ItemList PlainItems(const Items& words) {
  std::vector<Item> items;
  for (const std::string& word : words) items.push_back({word, word, std::nullopt});
  return ItemList(items);
}

namespace lists {
const ItemList kColourModes =
    Labels({"base.item_fg", "base.item_bg", "base.item_fg_bg_edge", "base.item_bg_fg_edge",
            "base.item_transparent", "base.item_transparent_fg_edge",
            "base.item_fg_transparent_edge", "base.item_fg_on_transparent"});
const ItemList kTwoColours = Labels({"base.item_fg", "base.item_bg"});
const ItemList kMagnification = Labels({"base.item_normal_size", "base.item_double_size"});
const ItemList kFonts = Labels({"base.item_small_font", "base.item_large_font_ascii"});
const ItemList kPixels = NumberedText(1, 4, "base.item_pixels");
const ItemList kDeviceTypes = DeviceTypes();
const ItemList kBaudRates = BaudRates();
const ItemList kKeyPolarity = Labels({"base.item_active_low", "base.item_active_high"});
const ItemList kColumnOffsetEx = Offsets(6);
const ItemList kColumnOffsetIn = Offsets(9);
}  // namespace lists

namespace {

const ItemList kPorts = Numbered(1, 16, "COM");
const ItemList kDateShow = Labels({"base.item_show_date", "base.item_hide_date"});
const ItemList kTimeShow = Labels({"base.item_show_time", "base.item_hide_time"});
const ItemList kStringShow = Labels({"base.item_show_string", "base.item_delete_string"});
const ItemList kCrossTextShow =
    Labels({"base.item_show_coordinate_text", "base.item_hide_coordinate_text"});
const ItemList kBitmapShow = Labels({"base.item_show_bitmap", "base.item_delete_bitmap"});
const ItemList kSingleBitmapShow =
    Labels({"base.item_show_single_bitmap", "base.item_delete_single_bitmap"});
const ItemList kLineShow = Labels({"base.item_show_line", "base.item_delete_line"});
const ItemList kRectShow = Labels({"base.item_show_rect", "base.item_delete_rect"});
const ItemList kCircleShow = Labels({"base.item_show_circle", "base.item_delete_circle"});
const ItemList kAreaShow = Labels({"base.item_fill_area", "base.item_clear_area"});
const ItemList kAreaLayer =
    Labels({"base.item_fg", "base.item_bg", "base.item_transparent", "base.item_all_colours"});
const ItemList kBitmapFlash =
    ItemList({Label("base.item_no_flashing"), Label("base.item_flashing", "1"),
              Label("base.item_flashing", "2"), Label("base.item_flashing", "3")});
const ItemList kBitmapCycle = NumberedText(1, 2, "base.item_flash_period");
const ItemList kLineMode = Labels({"base.item_horizontal_line", "base.item_vertical_line"});
const ItemList kRectMode = Labels({"base.item_rect_outline", "base.item_rect_filled"});
const ItemList kCircleMode = Labels({"base.item_circle_outline", "base.item_circle_filled"});
const ItemList kCircleRadius = Numbered(5, 127);
const ItemList kCrossEnable = Labels({"base.item_on", "base.item_off"});
const ItemList kCrossSelect = NumberedText(1, 20, "base.item_cross_shape", 2);
const ItemList kCrossKeyStep = NumberedText(2, 20, "base.item_pixels");
const ItemList kTestFont = Labels({"base.item_large_font"});
const ItemList kTestBlock = HexBlocks();

// Command-line keywords, one per item in the list's order.
const Items kColourModeWords = {"fg",
                                "bg",
                                "fg-bg-edge",
                                "bg-fg-edge",
                                "transparent",
                                "transparent-fg-edge",
                                "fg-transparent-edge",
                                "fg-on-transparent"};
const Items kTwoColourWords = {"fg", "bg"};
// Normal and double size; "1" already names the first item, so the codes 0 and 1 name none.
const Items kMagnificationWords = {"1", "2"};
const Items kFontWords = {"small", "large"};
const Items kPolarityWords = {"low", "high"};
const Items kHideWords = {"show", "hide"};
const Items kDeleteWords = {"show", "delete"};
const Items kAreaShowWords = {"fill", "clear"};
const Items kAreaLayerWords = {"fg", "bg", "transparent", "all"};
// The layer list is sent as a bit set, one bit a layer.
const std::vector<int> kAreaLayerCodes = {0x01, 0x02, 0x04, 0x07};
const Items kBitmapFlashWords = {"none", "1", "2", "3"};
const Items kLineModeWords = {"horizontal", "vertical"};
const Items kShapeModeWords = {"outline", "filled"};
// The device takes 0 for on; a number given for it means the state all the same.
const Items kOnOffWords = {"on", "off"};

using namespace lists;

const std::vector<ComboDef> kDefs = {
    {"ComboDeviceType", &kDeviceTypes, 0, nullptr, nullptr},
    {"UartPort", &kPorts, 0, nullptr, nullptr},
    {"UartBaud", &kBaudRates, 0, nullptr, nullptr},
    {"ComboColumnOffsetEx", &kColumnOffsetEx, 6, nullptr, nullptr},
    {"ComboColumnOffsetIn", &kColumnOffsetIn, 9, nullptr, nullptr},
    {"ComboKey1", &kKeyPolarity, 0, &kPolarityWords, nullptr},
    {"ComboKey2", &kKeyPolarity, 0, &kPolarityWords, nullptr},
    {"ComboKey3", &kKeyPolarity, 0, &kPolarityWords, nullptr},
    {"ComboKey4", &kKeyPolarity, 0, &kPolarityWords, nullptr},
    {"ComboKey5", &kKeyPolarity, 0, &kPolarityWords, nullptr},
    {"ComboKey6", &kKeyPolarity, 0, &kPolarityWords, nullptr},
    // date and time
    {"ComboDateColor", &kColourModes, 0, &kColourModeWords, nullptr},
    {"ComboDateSpace", &kPixels, 0, nullptr, nullptr},
    {"ComboDateFont", &kFonts, 0, &kFontWords, nullptr},
    {"ComboDateSize", &kMagnification, 0, &kMagnificationWords, nullptr, ItemNumbers::None},
    {"ComboDateShow", &kDateShow, 0, &kHideWords, nullptr},
    {"ComboTimeColor", &kColourModes, 0, &kColourModeWords, nullptr},
    {"ComboTimeSpace", &kPixels, 2, nullptr, nullptr},
    {"ComboTimeFont", &kFonts, 0, &kFontWords, nullptr},
    {"ComboTimeSize", &kMagnification, 0, &kMagnificationWords, nullptr, ItemNumbers::None},
    {"ComboTimeShow", &kTimeShow, 0, &kHideWords, nullptr},
    // text string and area
    {"ComboStringColor", &kColourModes, 2, &kColourModeWords, nullptr},
    {"ComboStringSpace", &kPixels, 0, nullptr, nullptr},
    {"ComboStringFont", &kFonts, 1, &kFontWords, nullptr},
    {"ComboStringSize", &kMagnification, 0, &kMagnificationWords, nullptr, ItemNumbers::None},
    {"ComboStringShow", &kStringShow, 0, &kDeleteWords, nullptr},
    {"ComboAreaLayer", &kAreaLayer, 3, &kAreaLayerWords, &kAreaLayerCodes},
    {"ComboAreaShow", &kAreaShow, 1, &kAreaShowWords, nullptr},
    {"ComboTestFont", &kTestFont, 0, nullptr, nullptr},
    {"ComboTestBlock", &kTestBlock, 0, nullptr, nullptr},
    // bitmaps
    {"ComboBitmapColor", &kColourModes, 3, &kColourModeWords, nullptr},
    {"ComboBitmapCycle", &kBitmapCycle, 0, nullptr, nullptr},
    {"ComboBitmapShow", &kBitmapShow, 0, &kDeleteWords, nullptr},
    {"ComboBitmapFlash", &kBitmapFlash, 1, &kBitmapFlashWords, nullptr},
    {"ComboSuperBitmapColor", &kColourModes, 7, &kColourModeWords, nullptr},
    {"ComboSuperBitmapShow", &kBitmapShow, 0, &kDeleteWords, nullptr},
    {"ComboSingleBitmapColor", &kTwoColours, 0, &kTwoColourWords, nullptr},
    {"ComboSingleBitmapShow", &kSingleBitmapShow, 0, &kDeleteWords, nullptr},
    // shapes
    {"ComboLineColor", &kTwoColours, 1, &kTwoColourWords, nullptr},
    {"ComboLineThick", &kPixels, 1, nullptr, nullptr},
    {"ComboLineMode", &kLineMode, 0, &kLineModeWords, nullptr},
    {"ComboLineShow", &kLineShow, 0, &kDeleteWords, nullptr},
    {"ComboRectColor", &kTwoColours, 0, &kTwoColourWords, nullptr},
    {"ComboRectThick", &kPixels, 1, nullptr, nullptr},
    {"ComboRectMode", &kRectMode, 0, &kShapeModeWords, nullptr},
    {"ComboRectShow", &kRectShow, 0, &kDeleteWords, nullptr},
    {"ComboCircleRadius", &kCircleRadius, 20, nullptr, nullptr},
    {"ComboCircleColor", &kTwoColours, 0, &kTwoColourWords, nullptr},
    {"ComboCircleThick", &kPixels, 1, nullptr, nullptr},
    {"ComboCircleMode", &kCircleMode, 0, &kShapeModeWords, nullptr},
    {"ComboCircleShow", &kCircleShow, 0, &kDeleteWords, nullptr},
    // crosshair
    {"ComboCrossEnable", &kCrossEnable, 0, &kOnOffWords, nullptr, ItemNumbers::State},
    {"ComboCrossSelect", &kCrossSelect, 0, nullptr, nullptr},
    {"ComboCrossColor", &kTwoColours, 0, &kTwoColourWords, nullptr},
    {"ComboCrossKeyStep", &kCrossKeyStep, 8, nullptr, nullptr},
    {"ComboCrossTextColor", &kColourModes, 2, &kColourModeWords, nullptr},
    {"ComboCrossTextSpace", &kPixels, 0, nullptr, nullptr},
    {"ComboCrossTextFont", &kFonts, 1, &kFontWords, nullptr},
    {"ComboCrossTextSize", &kMagnification, 0, &kMagnificationWords, nullptr, ItemNumbers::None},
    {"ComboCrossTextShow", &kCrossTextShow, 0, &kHideWords, nullptr},
};

}  // namespace

const std::vector<ComboDef>& AllComboDefs() {
  return kDefs;
}

const ComboDef* FindComboDef(std::string_view name) {
  for (const ComboDef& def : kDefs)
    if (def.name == name) return &def;
  return nullptr;
}

int ItemNumber(const ComboDef& def, int index) {
  return def.items->Number(static_cast<std::size_t>(index));
}

int ItemCode(const ComboDef& def, int index) {
  return def.codes ? (*def.codes)[static_cast<std::size_t>(index)] : index;
}

std::optional<int> ItemNumberName(const ComboDef& def, int index) {
  if (!def.keywords) return ItemNumber(def, index);
  switch (def.numbers) {
    case ItemNumbers::Codes:
      return ItemCode(def, index);
    case ItemNumbers::State:
      return (*def.keywords)[static_cast<std::size_t>(index)] == "on" ? 1 : 0;
    default:
      return std::nullopt;
  }
}

std::optional<int> ItemByWord(const ComboDef& def, std::string_view word) {
  const int count = static_cast<int>(def.items->size());
  if (def.keywords) {
    for (int i = 0; i < count; ++i)
      if ((*def.keywords)[static_cast<std::size_t>(i)] == word) return i;
  }
  if (def.keywords && def.numbers == ItemNumbers::State) {
    if (word == "true") word = "1";
    if (word == "false") word = "0";
  }
  // Plain decimal digits only: a code or a shown number is never signed or in hex. Leading
  // zeros are decimal ones, as the integer rule has them.
  while (word.size() > 1 && word.front() == '0') word.remove_prefix(1);
  if (word.empty() || word.size() > 4 ||
      !std::all_of(word.begin(), word.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return std::nullopt;
  const int number = std::stoi(std::string(word));
  for (int i = 0; i < count; ++i)
    if (ItemNumberName(def, i) == number) return i;
  return std::nullopt;
}

std::string ItemWord(const ComboDef& def, int index) {
  if (def.keywords) return (*def.keywords)[static_cast<std::size_t>(index)];
  return std::to_string(ItemNumber(def, index));
}

}  // namespace zotpx
