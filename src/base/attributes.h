// The drop-down vocabularies of the form, one definition each, with every control that uses
// them and its default item. The code sent is the selected index unless a command says otherwise.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zotpx {

using Items = std::vector<std::string>;

namespace lists {
extern const Items kColourModes;    // 8 colour modes
extern const Items kTwoColours;     // foreground / background
extern const Items kMagnification;  // normal / double
extern const Items kFonts;          // small (ASCII) / large
extern const Items kPixels;         // 1..4 pixels: spacing or thickness
extern const Items kDeviceTypes;    // unknown, ZOT-PA, ZOT-PB
extern const Items kBaudRates;      // 9600 .. 460800
extern const Items kKeyPolarity;    // active low / high
extern const Items kColumnOffsetEx;
extern const Items kColumnOffsetIn;
}  // namespace lists

constexpr int kBaudRateList[8] = {9600, 19200, 38400, 57600, 115200, 230400, 345600, 460800};

// One drop-down of the form: its items and its default item.
struct ComboDef {
  std::string_view name;
  const Items* items;
  int default_index;
};

// The definition of the drop-down `name`; nullptr when the form has no such list.
const ComboDef* FindComboDef(std::string_view name);
const std::vector<ComboDef>& AllComboDefs();

// Date, time, text string and crosshair read-out: colour + spacing*8 + font*32 + size*64 + hide*128.
struct TextAttributes {
  int colour = 0;
  int spacing = 0;
  int font = 0;
  int magnification = 0;
  int hide = 0;
};
std::uint8_t TextAttributeByte(const TextAttributes& a);

}  // namespace zotpx
