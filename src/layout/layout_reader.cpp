#include "layout/layout_reader.h"

#include <toml++/toml.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>

#include "base/file_save.h"
#include "base/input_file.h"
#include "base/paths.h"
#include "base/texts.h"
#include "command/codec.h"
#include "command/words.h"
#include "device/clock.h"
#include "graphics/bitmap_decode.h"
#include "text/static_download.h"

namespace zotpx {

namespace {

// A layout is read whole; far larger than any overlay needs, small enough to refuse junk.
constexpr std::size_t kLayoutFileLimit = 1048576;

// The rows a layout holds: those with a table.
std::vector<const CommandRow*> RowsOfTable(std::string_view table) {
  std::vector<const CommandRow*> rows;
  for (const CommandRow& row : CommandRows())
    if (!row.table.empty() && row.table == table) rows.push_back(&row);
  return rows;
}

std::string TableNames() {
  std::vector<std::string_view> tables;
  for (const CommandRow& row : CommandRows())
    if (!row.table.empty() && std::find(tables.begin(), tables.end(), row.table) == tables.end())
      tables.push_back(row.table);
  std::string names;
  for (const std::string_view table : tables)
    names += (names.empty() ? "" : ", ") + std::string(table);
  return names;
}

// Where rows share a table, `kind` is the last word of the row's name.
std::string_view KindOf(const CommandRow& row) {
  return row.name.substr(row.name.rfind(' ') + 1);
}

const FieldDef* KeyField(const CommandRow& row, std::string_view key) {
  for (const FieldDef& field : row.fields)
    if (field.kind != FieldKind::Data && (field.name == key || field.off_name == key))
      return &field;
  return nullptr;
}

int LineOf(const toml::node& node) {
  return static_cast<int>(node.source().begin.line);
}

// The keys every table takes beside its row's fields: what the designer keeps of an object.
constexpr std::string_view kNameKey = "name";
constexpr std::string_view kHiddenKey = "hidden";
constexpr std::string_view kLockedKey = "locked";
constexpr std::string_view kModelKey = "model";

// One table of the file, wherever it stands: [rect], an element of [[rect]] or an inline one.
struct Entry {
  std::string table;
  const toml::table* values;
  toml::source_position at;
};

// A TOML date and time as the clock's text. One with an offset (Z, +08:00) is an instant:
// the device's clock is set to that instant in this computer's local time, as the window
// sets it from the local time. One far outside the clock's years stays as written: it is
// refused either way, and each system's time zone tables end somewhere else.
std::string MomentText(const toml::date_time& moment) {
  LocalDateTime t{moment.date.year, moment.date.month,  moment.date.day,
                  moment.time.hour, moment.time.minute, moment.time.second};
  if (moment.offset && t.year >= kClockFirstYear - 1 && t.year <= kClockLastYear + 1) {
    using namespace std::chrono;
    const sys_seconds utc = sys_days{year(t.year) / month(static_cast<unsigned>(t.month)) /
                                     day(static_cast<unsigned>(t.day))} +
                            hours(t.hour) + minutes(t.minute - moment.offset->minutes) +
                            seconds(t.second);
    t = LocalTimeOf(utc);
  }
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return text;
}

class Reader {
 public:
  Reader(Layout& layout, std::string base_dir) : layout_(layout), base_dir_(std::move(base_dir)) {}

  void Read(const Entry& entry) {
    const int line = static_cast<int>(entry.at.line);
    Marks marks;
    bitmap_names_.clear();
    const std::vector<const CommandRow*> rows = RowsOfTable(entry.table);
    if (rows.empty())
      return Error(line, "unknown table [" + entry.table + "]; a layout has " + TableNames());
    const CommandRow* row = rows.size() == 1 ? rows.front() : RowOfKind(entry, rows, line);
    if (!row) return;
    const bool kinds = rows.size() > 1;

    // Keys in the order they stand, so that messages follow the file.
    std::vector<std::pair<std::string, const toml::node*>> keys;
    for (auto&& [key, node] : *entry.values)
      if (!(kinds && key.str() == "kind")) keys.emplace_back(key.str(), &node);
    std::sort(keys.begin(), keys.end(),
              [](const auto& a, const auto& b) { return LineOf(*a.second) < LineOf(*b.second); });

    Given given;
    const std::size_t errors_before = errors_.size();
    for (const auto& [key, node] : keys) {
      if (DesignerKey(key, *node, marks)) continue;
      const FieldDef* field = KeyField(*row, key);
      if (!field) {
        Error(LineOf(*node), "[" + entry.table + "] takes no key '" + key + "'; it takes " +
                                 KeyNames(*row, kinds));
        continue;
      }
      std::optional<std::string> word = Word(*field, key, *node);
      if (!word) continue;
      if (field->kind == FieldKind::Bitmap) {
        bitmap_names_.emplace_back(given.words.size(), *word);
        if (!word->empty() && !IsRootedPath(*word)) *word = base_dir_ + *word;
        if (!word->empty()) layout_.files.push_back(*word);
      }
      given.words.push_back({key, *word});
      given.lines.push_back(LineOf(*node));
    }
    Values values(*row);
    const std::vector<WordRefusal> refusals = SetFieldWords(values, given.words, Spelling::Keys);
    for (const WordRefusal& refusal : refusals)
      if (refusal.kind == WordRefusal::Kind::Word)
        Error(given.lines[refusal.given], refusal.message);
    for (const FieldDef& field : row->fields) {
      const bool named = std::any_of(given.words.begin(), given.words.end(),
                                     [&](const GivenWord& g) { return g.name == field.name; });
      if (field.kind == FieldKind::Bitmap && !named &&
          errors_.size() == errors_before)  // a bad value of it was said already
        Error(line, "[" + entry.table + "] needs " + std::string(field.name) + " = ...");
    }
    if (errors_.size() != errors_before) return;
    if (!refusals.empty())
      return Error(given.lines[refusals.front().given], row->title + refusals.front().message);
    if (row->check)
      if (const std::optional<std::string> failure = row->check(values))
        return Error(BlameLine(*row, given, line), row->title + *failure);
    if (layout_.model)
      if (const std::optional<std::string> lacks = ModelLacks(*row, *layout_.model))
        return Error(line, *lacks);
    for (const auto& [index, name] : bitmap_names_)
      if (!KeepBitmap(values, given.words[index].word, name, given.lines[index])) return;
    layout_.objects.push_back(
        {std::move(values), line, std::move(marks.name), marks.hidden, marks.locked});
  }

  // The file's own key before its first table.
  void Model(const toml::node& node) {
    const std::optional<std::string> word = node.value_exact<std::string>();
    const std::optional<DeviceModel> model = word ? ModelFromName(*word) : std::nullopt;
    if (!model)
      return Error(LineOf(node), "model = \"" + std::string(ModelName(DeviceModel::PA)) +
                                     "\" or \"" + std::string(ModelName(DeviceModel::PB)) + "\"");
    layout_.model = model;
  }

  // The messages in the order of the file's lines.
  void Finish() {
    std::stable_sort(errors_.begin(), errors_.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [line, message] : errors_)
      layout_.errors.push_back(layout_.Where(line) + ": " + message);
  }

  void Error(int line, const std::string& message) { errors_.emplace_back(line, message); }

 private:
  // What the designer keeps of an object beside its values.
  struct Marks {
    std::string name;
    bool hidden = false;
    bool locked = false;
  };

  // The words of one table and each one's line.
  struct Given {
    std::vector<GivenWord> words;
    std::vector<int> lines;
  };

  // name, hidden and locked: true when `key` is one of them (said when its value is no fit).
  bool DesignerKey(const std::string& key, const toml::node& node, Marks& marks) {
    if (key == kNameKey) {
      if (const auto name = node.value_exact<std::string>())
        marks.name = *name;
      else
        Error(LineOf(node), key + ": a text in quotes");
      return true;
    }
    if (key != kHiddenKey && key != kLockedKey) return false;
    if (const auto flag = node.value_exact<bool>())
      (key == kHiddenKey ? marks.hidden : marks.locked) = *flag;
    else
      Error(LineOf(node), key + ": true or false");
    return true;
  }

  // The bitmap file's bytes, kept under the name the layout gives it; the picture is made from
  // those very bytes, so what is kept is what is sent.
  bool KeepBitmap(Values& values, const std::string& path, const std::string& name, int line) {
    FieldValue& value = values["file"];
    auto kept = layout_.bitmaps.find(name);
    if (kept == layout_.bitmaps.end()) {
      InputFile file(path);
      std::optional<Bytes> bytes = file.is_open() ? file.ReadAll() : std::nullopt;
      if (!bytes) {
        Error(line, values.row().title + kBitmapCannotOpenText);
        return false;
      }
      kept = layout_.bitmaps.emplace(name, std::move(*bytes)).first;
    }
    BitmapLoad load = LoadBitmapBytes(kept->second, *values.row().picture_limits);
    if (load.status != BitmapFileStatus::Ok) {
      Error(line, values.row().title + kBitmapInvalidText);
      return false;
    }
    value.text = name;
    value.picture = std::move(load.bitmap);
    return true;
  }

  const CommandRow* RowOfKind(const Entry& entry, const std::vector<const CommandRow*>& rows,
                              int line) {
    const toml::node* kind = entry.values->get("kind");
    const std::optional<std::string> word = kind ? kind->value<std::string>() : std::nullopt;
    std::string kinds;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      if (word && KindOf(*rows[i]) == *word) return rows[i];
      kinds += (i == 0 ? "" : i + 1 == rows.size() ? " or " : ", ");
      kinds += "\"" + std::string(KindOf(*rows[i])) + "\"";
    }
    Error(kind ? LineOf(*kind) : line, "[" + entry.table + "] needs kind = " + kinds);
    return nullptr;
  }

  // The line a refusal of the row's own check belongs to: the key whose value alone, put back
  // to the window's default, lets the object pass (the last such in the file); else the first
  // key from which on it no longer passes; else the table's line.
  static int BlameLine(const CommandRow& row, const Given& given, int table_line) {
    const auto passes = [&row](const std::vector<GivenWord>& part) {
      Values values(row);
      return SetFieldWords(values, part, Spelling::Keys).empty() &&
             !(row.check && row.check(values));
    };
    const std::vector<GivenWord>& words = given.words;
    for (std::size_t i = words.size(); i-- > 0;) {
      std::vector<GivenWord> without = words;
      without.erase(without.begin() + static_cast<std::ptrdiff_t>(i));
      if (passes(without)) return given.lines[i];
    }
    for (std::size_t i = 0; i < words.size(); ++i)
      if (!passes({words.begin(), words.begin() + static_cast<std::ptrdiff_t>(i + 1)}))
        return given.lines[i];
    return table_line;
  }

  static std::string KeyNames(const CommandRow& row, bool kinds) {
    std::string names = kinds ? "kind" : "";
    const auto add = [&names](std::string_view name) {
      names += (names.empty() ? "" : ", ") + std::string(name);
    };
    for (const FieldDef& field : row.fields) {
      if (field.kind == FieldKind::Data) continue;
      if (!field.off_name.empty()) add(field.off_name);
      add(field.name);
    }
    for (const std::string_view key : {kNameKey, kHiddenKey, kLockedKey}) add(key);
    return names;
  }

  // The value as the command line would have been given it, or nothing (said) when its type
  // does not suit the field.
  std::optional<std::string> Word(const FieldDef& field, const std::string& key,
                                  const toml::node& node) {
    const int line = LineOf(node);
    switch (field.kind) {
      case FieldKind::Coordinate:
      case FieldKind::Number:
      case FieldKind::List: {
        if (const auto number = node.value_exact<std::int64_t>()) return std::to_string(*number);
        if (const auto string = node.value_exact<std::string>()) return *string;
        // An on/off list takes a state as a check box does: overlay = true.
        if (const auto flag = node.value_exact<bool>(); flag && field.kind == FieldKind::List)
          return *flag ? "true" : "false";
        Error(line, key + ": an integer or a text" +
                        std::string(field.kind == FieldKind::List ? "" : " such as \"$1F\""));
        return std::nullopt;
      }
      case FieldKind::Flag:
        if (const auto flag = node.value_exact<bool>()) return *flag ? "true" : "false";
        // 1 and 0 are the box's state; any other number is refused by the vocabulary.
        if (const auto number = node.value_exact<std::int64_t>()) return std::to_string(*number);
        Error(line, key + ": true or false");
        return std::nullopt;
      default:
        if (const auto string = node.value_exact<std::string>()) return *string;
        // The clock's moment may be written as TOML writes one: 2026-12-07 20:45:00.
        if (field.kind == FieldKind::Moment) {
          if (const auto* moment = node.as_date_time()) return MomentText(moment->get());
          if (node.is_date() || node.is_time()) {
            Error(line, key + ": a date and a time, 2026-12-07 20:45:00");
            return std::nullopt;
          }
        }
        Error(line, key + ": a text in quotes");
        return std::nullopt;
    }
  }

  Layout& layout_;
  std::string base_dir_;
  std::vector<std::pair<std::size_t, std::string>> bitmap_names_;  // given word, name as written
  std::vector<std::pair<int, std::string>> errors_;
};

Layout ErrorLayout(const std::string& name, const std::string& message) {
  Layout layout;
  layout.name = name;
  layout.errors.push_back(name + ": " + message);
  return layout;
}

// A command that carries the computer's time would set the clock back at every power-on.
bool LiveOnly(const CommandRow& row) {
  return std::any_of(row.fields.begin(), row.fields.end(),
                     [](const FieldDef& field) { return field.kind == FieldKind::Moment; });
}

}  // namespace

std::optional<std::string> ModelLacks(const CommandRow& row, DeviceModel model) {
  if (row.ForModel(model)) return std::nullopt;
  std::string models;
  for (const DeviceModel other : {DeviceModel::PA, DeviceModel::PB})
    if (row.ForModel(other)) models += (models.empty() ? "" : ", ") + std::string(ModelName(other));
  return "[" + std::string(row.table) + "]: the layout is for a " + std::string(ModelName(model)) +
         ", which has no " + std::string(row.name) + " (" + models + " only)";
}

bool IsLayoutPath(std::string_view path) {
  constexpr std::string_view kExtension = ".toml";
  if (path.size() < kExtension.size()) return false;
  const std::string_view end = path.substr(path.size() - kExtension.size());
  return std::equal(end.begin(), end.end(), kExtension.begin(), [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) == b;
  });
}

Layout ParseLayout(std::string_view text, const std::string& name, const std::string& base_dir) {
  Layout layout;
  layout.name = name;
  toml::table root;
  try {
    root = toml::parse(text, name);
  } catch (const toml::parse_error& error) {
    layout.errors.push_back(layout.Where(static_cast<int>(error.source().begin.line)) + ": " +
                            std::string(error.description()));
    return layout;
  }
  // toml++ keeps a table's keys sorted; the order of sending is the order of the file.
  Reader reader(layout, base_dir);
  std::vector<Entry> entries;
  for (auto&& [key, node] : root) {
    if (key.str() == kModelKey && !node.is_table() && !node.is_array()) {
      reader.Model(node);
    } else if (const toml::table* table = node.as_table()) {
      entries.push_back({std::string(key.str()), table, table->source().begin});
    } else if (const toml::array* array = node.as_array(); array && array->is_array_of_tables()) {
      for (const toml::node& element : *array)
        entries.push_back({std::string(key.str()), element.as_table(), element.source().begin});
    } else {
      const std::string table(key.str());
      reader.Error(LineOf(node),
                   "'" + table + "' must be a table: [" + table + "] or [[" + table + "]]");
    }
  }
  std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
    return a.at.line != b.at.line ? a.at.line < b.at.line : a.at.column < b.at.column;
  });
  for (const Entry& entry : entries) reader.Read(entry);
  reader.Finish();
  return layout;
}

Layout LoadLayout(const std::string& path) {
  const FileContents file = ReadInputFile(path, kLayoutFileLimit);
  if (file.problem == ReadProblem::TooLarge) return ErrorLayout(path, "larger than 1 MiB");
  if (!file)
    return ErrorLayout(path, std::string("cannot be read: ") + ReadProblemText(file.problem));
  // Its bitmaps are beside the file itself, wherever the links that lead to it stand.
  const std::string target = LinkTarget(path);
  return ParseLayout({reinterpret_cast<const char*>(file.bytes.data()), file.bytes.size()}, path,
                     FolderOfPath(target.empty() ? path : target));
}

LayoutStatic StaticFramesOf(const Layout& layout) {
  LayoutStatic start_up;
  std::size_t bytes = 0;
  for (const LayoutObject& object : layout.objects) {
    if (!IsSent(object)) continue;
    const CommandRow& row = object.values.row();
    if (LiveOnly(row)) {
      start_up.notes.push_back(layout.Where(object.line) +
                               ": the clock setting is sent live only; it is left out of the "
                               "start-up commands, which would set the clock back at every "
                               "power-on");
      continue;
    }
    // A bitmap's run of frames goes in whole or not at all: half a picture is no start-up screen.
    for (Bytes& frame : BuildFrames(object.values)) {
      bytes += frame.size() + 1;
      start_up.frames.push_back(std::move(frame));
      start_up.lines.push_back(object.line);
    }
    if (const std::optional<std::string> failure = CheckStaticFrames(start_up.frames)) {
      start_up.errors.push_back(
          layout.Where(object.line) + ": " + std::string(Text("caption.BtnStaticCmd")) + *failure +
          " (the start-up commands hold at most " + std::to_string(kStaticMaxRecords) +
          " records in " + std::to_string(kStaticRecordEnd - 5) + " bytes; with this " +
          std::string(row.name) + " they come to " + std::to_string(start_up.frames.size()) +
          " records in " + std::to_string(bytes) + " bytes)");
      break;
    }
  }
  return start_up;
}

StaticImage ReadStaticSource(const std::string& path) {
  if (!IsLayoutPath(path)) return ReadStaticImage(path);
  return StaticImageOf(LoadLayout(path));
}

StaticImage StaticImageOf(const Layout& layout) {
  const LayoutStatic start_up = layout.ok() ? StaticFramesOf(layout) : LayoutStatic{};
  if (!layout.ok() || !start_up.errors.empty()) {
    StaticImage refused;
    refused.failure = std::string(kStaticInvalidText) + ": " +
                      (layout.ok() ? start_up.errors : layout.errors).front();
    return refused;
  }
  const std::string text = FormatStaticText(start_up.frames);
  StaticImage built =
      BuildStaticImage({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
  // One record a frame, as StaticFramesOf has checked.
  built.lines.assign(start_up.lines.begin(), start_up.lines.end());
  return built;
}

}  // namespace zotpx
