// The drop-down vocabularies of the form, one definition each, with every control that uses
// them and its default item. The code sent is the selected index unless a command says otherwise.
#pragma once

#include <optional>
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

// Which number, besides its keyword, names an item of a keyword list.
enum class ItemNumbers {
  Codes,  // the code the device receives: colour 2 is "fg-bg-edge", layer 4 "transparent"
  State,  // an on/off choice (keywords "on" and "off"): 1 or true is on, 0 or false off,
          // whatever the device receives for them
  None,   // no number: the keywords are numbers already and a code would name another item
};

// One drop-down of the form: its items and its default item. For the command line and layout
// files each item is also named by a short keyword, or, in a list whose items are numbers
// ("2像素", "25", "图形07"), by the number the item shows.
struct ComboDef {
  std::string_view name;
  const Items* items;
  int default_index;
  const Items* keywords = nullptr;          // one per item; nullptr: the items are numbers
  const std::vector<int>* codes = nullptr;  // what the device receives; nullptr: the index
  ItemNumbers numbers = ItemNumbers::Codes;
};

// The number item `index` shows: its first run of digits ("2像素" 2, "图形07" 7, "0(最小)" 0).
int ItemNumber(const ComboDef& def, int index);
// What the device receives for item `index`.
int ItemCode(const ComboDef& def, int index);
// The number that names item `index` on the command line: the number a number list's item
// shows, else as `numbers` says. Nothing when only its keyword names it.
std::optional<int> ItemNumberName(const ComboDef& def, int index);
// The item that `word` names: a keyword, else a number as ItemNumberName gives it (plain
// decimal digits), or in an on/off list "true" or "false". Nothing when no item answers to it.
std::optional<int> ItemByWord(const ComboDef& def, std::string_view word);
// The word that names item `index` on the command line: its keyword or its number.
std::string ItemWord(const ComboDef& def, int index);

// The definition of the drop-down `name`; nullptr when the form has no such list.
const ComboDef* FindComboDef(std::string_view name);
const std::vector<ComboDef>& AllComboDefs();

}  // namespace zotpx
