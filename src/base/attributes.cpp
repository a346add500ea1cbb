#include "base/attributes.h"

#include <algorithm>

namespace zotpx {

namespace {

Items Numbered(int first, int last, const std::string& prefix, const std::string& suffix,
               int width = 0) {
  Items items;
  for (int i = first; i <= last; ++i) {
    std::string n = std::to_string(i);
    while (static_cast<int>(n.size()) < width) n = "0" + n;
    items.push_back(prefix + n + suffix);
  }
  return items;
}

Items Offsets(int default_offset) {
  Items items = Numbered(0, 15, "", "");
  items[0] = "0(最小)";
  items[15] = "15(最大)";
  items[default_offset] += "(缺省)";
  return items;
}

Items HexBlocks() {
  Items items;
  const char* digits = "0123456789ABCDEF";
  for (int b = 0xB0; b <= 0xF7; ++b)
    items.push_back(std::string("0x") + digits[b >> 4] + digits[b & 15]);
  return items;
}

}  // namespace

namespace lists {
const Items kColourModes = {"前景色", "背景色",         "前景色加背景边", "背景色加前景边",
                            "透明色", "透明色加前景边", "前景色加透明边", "前景色加透明底"};
const Items kTwoColours = {"前景色", "背景色"};
const Items kMagnification = {"不放大", "两倍放大"};
const Items kFonts = {"小字体(仅ASCII)", "大字体(汉字+ASCII)"};
const Items kPixels = {"1像素", "2像素", "3像素", "4像素"};
const Items kDeviceTypes = {"未知型号", "ZOT-PA", "ZOT-PB"};
const Items kBaudRates = {"9600",   "19200",  "38400",  "57600",
                          "115200", "230400", "345600", "460800"};
const Items kKeyPolarity = {"低有效", "高有效"};
const Items kColumnOffsetEx = Offsets(6);
const Items kColumnOffsetIn = Offsets(9);
}  // namespace lists

namespace {

const Items kPorts = Numbered(1, 16, "COM", "");
const Items kDateShow = {"显示日期", "隐藏日期"};
const Items kTimeShow = {"显示时间", "隐藏时间"};
const Items kStringShow = {"显示字符串", "删除字符串"};
const Items kCrossTextShow = {"显示坐标文本", "隐藏坐标文本"};
const Items kBitmapShow = {"显示位图字符", "删除位图字符"};
const Items kSingleBitmapShow = {"显示单色位图", "删除单色位图"};
const Items kLineShow = {"显示直线", "删除直线"};
const Items kRectShow = {"显示矩形", "删除矩形"};
const Items kCircleShow = {"显示圆形", "删除圆形"};
const Items kAreaShow = {"填充区域", "清除区域"};
const Items kAreaLayer = {"前景色", "背景色", "透明色", "全部颜色"};
const Items kBitmapFlash = {"不自动闪烁", "自动闪烁1", "自动闪烁2", "自动闪烁3"};
const Items kBitmapCycle = {"1秒周期", "2秒周期"};
const Items kLineMode = {"水平直线", "垂直直线"};
const Items kRectMode = {"仅矩形边框", "含矩形内部区域"};
const Items kCircleMode = {"仅圆形边框", "含圆形内部区域"};
const Items kCircleRadius = Numbered(5, 127, "", "");
const Items kCrossEnable = {"打开", "关闭"};
const Items kCrossSelect = Numbered(1, 20, "图形", "", 2);
const Items kCrossKeyStep = Numbered(2, 20, "", "像素");
const Items kTestFont = {"大字体"};
const Items kTestBlock = HexBlocks();

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
  const std::string& text = (*def.items)[static_cast<std::size_t>(index)];
  std::size_t i = 0;
  while (i < text.size() && (text[i] < '0' || text[i] > '9')) ++i;
  int number = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
    number = number * 10 + (text[i] - '0');
  return number;
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
