#include "command/words.h"

#include <algorithm>

#include "graphics/bitmap_decode.h"

namespace zotpx {

namespace {

// The items in the order --help names them: an on/off choice "on" first, as "1|0" follows.
std::vector<int> ItemOrder(const ComboDef& list) {
  std::vector<int> order(list.items->size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
  if (list.keywords && list.numbers == ItemNumbers::State)
    std::stable_sort(order.begin(), order.end(), [&list](int a, int b) {
      return ItemNumberName(list, a) > ItemNumberName(list, b);
    });
  return order;
}

std::string Choices(const ComboDef& list) {
  std::string words;
  const int count = static_cast<int>(list.items->size());
  // Appended piece by piece: GCC 12 sees overlapping copies in chained concatenations.
  if (!list.keywords && count > 6) {
    words = ItemWord(list, 0);
    words += '-';
    words += ItemWord(list, count - 1);
    return words;
  }
  for (const int i : ItemOrder(list)) {
    if (!words.empty()) words += '|';
    words += ItemWord(list, i);
  }
  return words;
}

// The numbers that name a keyword list's items besides their keywords, exactly as accepted:
// " or 0-7 in that order", " or 1|2|4|7 in that order", " or 0 for none", ", also 1|0 or
// true|false".
std::string NumberChoices(const ComboDef& list) {
  if (!list.keywords) return {};
  if (list.numbers == ItemNumbers::State) return ", also 1|0 or true|false";
  const int count = static_cast<int>(list.items->size());
  std::vector<std::pair<int, int>> numbers;  // (number, item) where the keyword is not the number
  for (int i = 0; i < count; ++i) {
    const std::optional<int> number = ItemNumberName(list, i);
    if (number && std::to_string(*number) != (*list.keywords)[static_cast<std::size_t>(i)])
      numbers.emplace_back(*number, i);
  }
  if (numbers.empty()) return {};
  std::string text = " or ";
  if (static_cast<int>(numbers.size()) < count) {
    for (const auto& [number, item] : numbers) {
      if (text.size() > 4) text += ", ";
      text += std::to_string(number);
      text += " for ";
      text += (*list.keywords)[static_cast<std::size_t>(item)];
    }
    return text;
  }
  const bool run = std::all_of(numbers.begin(), numbers.end(), [&](const auto& n) {
    return n.first == numbers.front().first + n.second;
  });
  if (run && count > 2) {
    text += std::to_string(numbers.front().first);
    text += '-';
    text += std::to_string(numbers.back().first);
  } else {
    for (const auto& n : numbers) {
      if (text.size() > 4) text += '|';
      text += std::to_string(n.first);
    }
  }
  return text + " in that order";
}

std::string Spelled(const FieldDef& field, const std::string& name, const std::string& word,
                    Spelling spelling) {
  if (spelling == Spelling::Keys) return name + " = " + word;
  if (field.kind == FieldKind::Flag) return word == "true" ? "--" + name : "--" + name + "=" + word;
  return "--" + name + " '" + word + "'";
}

// The bitmap slot's load, as the window's select label makes it.
std::optional<std::string> LoadPicture(const CommandRow& row, FieldValue& value,
                                       const std::string& path) {
  BitmapLoad load = LoadBitmapFile(path, *row.picture_limits);
  if (load.status == BitmapFileStatus::CannotDecode) return kBitmapCannotDecodeText + path;
  if (load.status != BitmapFileStatus::Ok) return BitmapFileMessage(load.status);
  value.text = path;
  value.picture = std::move(load.bitmap);
  return std::nullopt;
}

}  // namespace

std::string FieldHelp(const FieldDef& field) {
  std::string help(field.help);
  switch (field.kind) {
    case FieldKind::List:
      help += ": " + Choices(*field.list) + NumberChoices(*field.list);
      return help + " (default " + ItemWord(*field.list, field.default_index) + ")";
    case FieldKind::Coordinate:
    case FieldKind::Number:
      help += ", " + std::to_string(field.min) + "-" + std::to_string(field.max);
      return help + "; decimal, or hex after $, x or 0x (default " + field.default_text + ")";
    case FieldKind::Text:
    case FieldKind::Format:
      return field.default_text.empty() ? help : help + " (default \"" + field.default_text + "\")";
    default:
      return help;
  }
}

std::vector<WordRefusal> SetFieldWords(Values& values, std::span<const GivenWord> given,
                                       Spelling spelling) {
  const CommandRow& row = values.row();
  std::vector<WordRefusal> refusals;
  // What each flag chose so far, and how it was given.
  struct Choice {
    std::size_t field;
    int item;
    std::string given;
  };
  std::vector<Choice> chosen;
  for (std::size_t g = 0; g < given.size(); ++g) {
    const std::string& name = given[g].name;
    const std::string& word = given[g].word;
    const auto refuse = [&](WordRefusal::Kind kind, std::string message) {
      refusals.push_back({kind, g, std::move(message)});
    };
    const auto found = std::find_if(row.fields.begin(), row.fields.end(), [&](const FieldDef& f) {
      return f.name == name || (!f.off_name.empty() && f.off_name == name);
    });
    if (found == row.fields.end()) {
      refuse(WordRefusal::Kind::Word,
             "'" + std::string(row.name) + "' takes no option '" + name + "'");
      continue;
    }
    const FieldDef& field = *found;
    FieldValue& value = values.at(static_cast<std::size_t>(found - row.fields.begin()));
    const std::string spelled = Spelled(field, name, word, spelling);
    if (field.kind == FieldKind::Bitmap) {
      if (auto failure = LoadPicture(row, value, word))
        refuse(WordRefusal::Kind::File, std::move(*failure));
      continue;
    }
    const int before = value.index;
    if (auto failure = SetFieldWord(field, value, word)) {
      if (field.kind == FieldKind::Text)
        refuse(WordRefusal::Kind::Value, std::move(*failure));
      else
        refuse(WordRefusal::Kind::Word, spelled + ": " + *failure);
      continue;
    }
    if (field.kind != FieldKind::Flag) continue;
    if (name == field.off_name) value.index = 1 - value.index;
    const std::size_t index = static_cast<std::size_t>(found - row.fields.begin());
    const auto earlier = std::find_if(chosen.begin(), chosen.end(),
                                      [index](const Choice& c) { return c.field == index; });
    if (earlier != chosen.end() && earlier->item != value.index) {
      std::string message = earlier->given + " and " + spelled + " contradict each other";
      if (field.list && field.list->keywords)
        message +=
            ": " + (*field.list->keywords)[0] + " or " + (*field.list->keywords)[1] + ", not both";
      value.index = before;
      refuse(WordRefusal::Kind::Word, std::move(message));
      continue;
    }
    chosen.push_back({index, value.index, spelled});
  }
  return refusals;
}

}  // namespace zotpx
