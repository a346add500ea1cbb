// The drop-down vocabularies of the form, one definition each, with every control that uses
// them and its default item. The code sent is the selected index unless a command says otherwise.
// An item's label is for the eye only and follows the language; what the device receives and
// the number that names an item are data beside it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/language.h"

namespace zotpx {

using Items = std::vector<std::string>;

// One drop-down's items: each a label in both languages and, in a list of numbers, the number
// it shows ("2像素" 2, "图形07" 7, "0(最小)" 0). Read as Items, the labels are the process's
// language's.
class ItemList {
 public:
  struct Item {
    std::string chinese;
    std::string english;
    std::optional<int> number;
  };
  explicit ItemList(const std::vector<Item>& items);

  const Items& LabelsIn(Language language) const {
    return language == Language::English ? english_ : chinese_;
  }
  const Items& labels() const { return LabelsIn(CurrentLanguage()); }
  // NOLINTNEXTLINE(google-explicit-constructor): a list reads as its labels wherever Items do.
  operator const Items&() const { return labels(); }
  std::size_t size() const { return chinese_.size(); }
  const std::string& operator[](std::size_t i) const { return labels()[i]; }
  const std::string& front() const { return labels().front(); }
  const std::string& back() const { return labels().back(); }
  Items::const_iterator begin() const { return labels().begin(); }
  Items::const_iterator end() const { return labels().end(); }
  Items::const_reverse_iterator rbegin() const { return labels().rbegin(); }
  Items::const_reverse_iterator rend() const { return labels().rend(); }
  // The number item `i` shows; 0 in a list whose items show none.
  int Number(std::size_t i) const { return numbers_[i].value_or(0); }

  friend bool operator==(const ItemList& list, const Items& items) {
    return list.labels() == items;
  }

 private:
  Items chinese_;
  Items english_;
  std::vector<std::optional<int>> numbers_;
};

// A list of words that are the same in every language and show no number.
ItemList PlainItems(const Items& words);

namespace lists {
extern const ItemList kColourModes;    // 8 colour modes
extern const ItemList kTwoColours;     // foreground / background
extern const ItemList kMagnification;  // normal / double
extern const ItemList kFonts;          // small (ASCII) / large
extern const ItemList kPixels;         // 1..4 pixels: spacing or thickness
extern const ItemList kDeviceTypes;    // unknown, ZOT-PA, ZOT-PB
extern const ItemList kBaudRates;      // 9600 .. 460800
extern const ItemList kKeyPolarity;    // active low / high
extern const ItemList kColumnOffsetEx;
extern const ItemList kColumnOffsetIn;
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
// ("2像素", "25", "图形07"), by the number the item shows (ItemList::Number).
struct ComboDef {
  std::string_view name;
  const ItemList* items;
  int default_index;
  const Items* keywords = nullptr;          // one per item; nullptr: the items are numbers
  const std::vector<int>* codes = nullptr;  // what the device receives; nullptr: the index
  ItemNumbers numbers = ItemNumbers::Codes;
};

// The number item `index` shows, as its list holds it beside its label.
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
