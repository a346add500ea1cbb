#include "base/attributes.h"

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
  for (int b = 0xB0; b <= 0xF7; ++b) items.push_back(std::string("0x") + digits[b >> 4] + digits[b & 15]);
  return items;
}

}  // namespace

namespace lists {
const Items kColourModes = {"前景色",   "背景色",         "前景色加背景边", "背景色加前景边",
                            "透明色",   "透明色加前景边", "前景色加透明边", "前景色加透明底"};
const Items kTwoColours = {"前景色", "背景色"};
const Items kMagnification = {"不放大", "两倍放大"};
const Items kFonts = {"小字体(仅ASCII)", "大字体(汉字+ASCII)"};
const Items kPixels = {"1像素", "2像素", "3像素", "4像素"};
const Items kDeviceTypes = {"未知型号", "ZOT-PA", "ZOT-PB"};
const Items kBaudRates = {"9600", "19200", "38400", "57600", "115200", "230400", "345600", "460800"};
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

using namespace lists;

const std::vector<ComboDef> kDefs = {
    {"ComboDeviceType", &kDeviceTypes, 0},
    {"UartPort", &kPorts, 0},
    {"UartBaud", &kBaudRates, 0},
    {"ComboColumnOffsetEx", &kColumnOffsetEx, 6},
    {"ComboColumnOffsetIn", &kColumnOffsetIn, 9},
    {"ComboKey1", &kKeyPolarity, 0},
    {"ComboKey2", &kKeyPolarity, 0},
    {"ComboKey3", &kKeyPolarity, 0},
    {"ComboKey4", &kKeyPolarity, 0},
    {"ComboKey5", &kKeyPolarity, 0},
    {"ComboKey6", &kKeyPolarity, 0},
    // date and time
    {"ComboDateColor", &kColourModes, 0},
    {"ComboDateSpace", &kPixels, 0},
    {"ComboDateFont", &kFonts, 0},
    {"ComboDateSize", &kMagnification, 0},
    {"ComboDateShow", &kDateShow, 0},
    {"ComboTimeColor", &kColourModes, 0},
    {"ComboTimeSpace", &kPixels, 2},
    {"ComboTimeFont", &kFonts, 0},
    {"ComboTimeSize", &kMagnification, 0},
    {"ComboTimeShow", &kTimeShow, 0},
    // text string and area
    {"ComboStringColor", &kColourModes, 2},
    {"ComboStringSpace", &kPixels, 0},
    {"ComboStringFont", &kFonts, 1},
    {"ComboStringSize", &kMagnification, 0},
    {"ComboStringShow", &kStringShow, 0},
    {"ComboAreaLayer", &kAreaLayer, 3},
    {"ComboAreaShow", &kAreaShow, 1},
    {"ComboTestFont", &kTestFont, 0},
    {"ComboTestBlock", &kTestBlock, 0},
    // bitmaps
    {"ComboBitmapColor", &kColourModes, 3},
    {"ComboBitmapCycle", &kBitmapCycle, 0},
    {"ComboBitmapShow", &kBitmapShow, 0},
    {"ComboBitmapFlash", &kBitmapFlash, 1},
    {"ComboSuperBitmapColor", &kColourModes, 7},
    {"ComboSuperBitmapShow", &kBitmapShow, 0},
    {"ComboSingleBitmapColor", &kTwoColours, 0},
    {"ComboSingleBitmapShow", &kSingleBitmapShow, 0},
    // shapes
    {"ComboLineColor", &kTwoColours, 1},
    {"ComboLineThick", &kPixels, 1},
    {"ComboLineMode", &kLineMode, 0},
    {"ComboLineShow", &kLineShow, 0},
    {"ComboRectColor", &kTwoColours, 0},
    {"ComboRectThick", &kPixels, 1},
    {"ComboRectMode", &kRectMode, 0},
    {"ComboRectShow", &kRectShow, 0},
    {"ComboCircleRadius", &kCircleRadius, 20},
    {"ComboCircleColor", &kTwoColours, 0},
    {"ComboCircleThick", &kPixels, 1},
    {"ComboCircleMode", &kCircleMode, 0},
    {"ComboCircleShow", &kCircleShow, 0},
    // crosshair
    {"ComboCrossEnable", &kCrossEnable, 0},
    {"ComboCrossSelect", &kCrossSelect, 0},
    {"ComboCrossColor", &kTwoColours, 0},
    {"ComboCrossKeyStep", &kCrossKeyStep, 8},
    {"ComboCrossTextColor", &kColourModes, 2},
    {"ComboCrossTextSpace", &kPixels, 0},
    {"ComboCrossTextFont", &kFonts, 1},
    {"ComboCrossTextSize", &kMagnification, 0},
    {"ComboCrossTextShow", &kCrossTextShow, 0},
};

}  // namespace

const std::vector<ComboDef>& AllComboDefs() { return kDefs; }

const ComboDef* FindComboDef(std::string_view name) {
  for (const ComboDef& def : kDefs)
    if (def.name == name) return &def;
  return nullptr;
}

std::uint8_t TextAttributeByte(const TextAttributes& a) {
  return static_cast<std::uint8_t>((a.colour & 7) | (a.spacing & 3) << 3 | (a.font & 1) << 5 |
                                   (a.magnification & 1) << 6 | (a.hide & 1) << 7);
}

}  // namespace zotpx
