#include "layout/layout_writer.h"

#include <toml++/toml.h>

#include <filesystem>
#include <sstream>
#include <system_error>

#include "base/file_save.h"
#include "base/input_file.h"
#include "base/paths.h"
#include "graphics/bitmap.h"
#include "text/cp936.h"
#include "text/static_file.h"

namespace zotpx {

namespace {

// One key of a layout table, formatted (and escaped) as TOML writes it.
template <typename T>
std::string Key(std::string_view key, T value) {
  std::ostringstream line;
  line << toml::toml_formatter(toml::table{{key, std::move(value)}},
                               toml::format_flags::allow_unicode_strings);
  return line.str() + "\n";
}

// The field's value as its key, or nothing where leaving it out means the same.
std::string FieldKey(const FieldDef& field, const FieldValue& value) {
  switch (field.kind) {
    case FieldKind::List: {
      // A number as a number, whether the list names its items so ("size = 2") or not.
      const std::string word = FieldWord(field, value);
      if (!word.empty() && word.size() < 10 &&
          word.find_first_not_of("0123456789") == std::string::npos)
        return Key(field.name, std::int64_t{std::stoll(word)});
      return Key(field.name, word);
    }
    case FieldKind::Flag:
      if (value.index) return Key(field.name, true);
      return field.off_name.empty() ? "" : Key(field.off_name, true);
    case FieldKind::Coordinate:
    case FieldKind::Number:
      return Key(field.name, std::int64_t{EditValue(value).value_or(0)});
    case FieldKind::Text:
      return Key(field.name, Cp936ToUtf8Lossy(value.bytes));
    case FieldKind::Moment: {
      // Empty is the computer's time when sent, as a left-out key is.
      const std::optional<LocalDateTime> at = ParseMoment(value.text);
      if (!at) return "";
      return Key(field.name, toml::date_time{toml::date{at->year, at->month, at->day},
                                             toml::time{at->hour, at->minute, at->second}});
    }
    case FieldKind::Data:
      return "";
    default:  // the format, a bitmap's file
      return Key(field.name, value.text);
  }
}

std::string ObjectText(const LayoutObject& object) {
  const CommandRow& row = object.values.row();
  std::string text = "[[" + std::string(row.table) + "]]\n";
  if (row.table == "bitmap") text += Key("kind", std::string(row.name.substr(7)));
  if (!object.name.empty()) text += Key("name", object.name);
  if (object.hidden) text += Key("hidden", true);
  if (object.locked) text += Key("locked", true);
  for (std::size_t i = 0; i < row.fields.size(); ++i)
    text += FieldKey(row.fields[i], object.values.at(i));
  return text;
}

std::optional<Bytes> ReadWhole(const std::string& path) {
  InputFile file(path);
  return file.is_open() ? file.ReadAll() : std::nullopt;
}

// Beside the file a save to `path` writes (through a symbolic link, beside its target).
std::string BitmapPath(const std::string& layout_path, const std::string& name) {
  const std::string target = LinkTarget(layout_path);
  return FolderOfPath(target.empty() ? layout_path : target) + name;
}

}  // namespace

LayoutFile WriteLayout(const Layout& layout, std::string_view comment) {
  LayoutFile file;
  std::string head;
  for (std::size_t start = 0; start < comment.size();) {
    const std::size_t end = std::min(comment.find('\n', start), comment.size());
    head += "# " + std::string(comment.substr(start, end - start)) + "\n";
    start = end + 1;
  }
  if (layout.model) head += Key("model", std::string(ModelName(*layout.model)));
  file.toml = head;
  for (const LayoutObject& object : layout.objects) {
    file.toml += (file.toml.empty() ? "" : "\n") + ObjectText(object);
    const CommandRow& row = object.values.row();
    const std::size_t picture = row.IndexOf("file");
    if (picture == row.fields.size()) continue;
    const std::string& name = object.values.at(picture).text;
    const auto bitmap = layout.bitmaps.find(name);
    const bool listed = std::any_of(file.bitmaps.begin(), file.bitmaps.end(),
                                    [&name](const auto& b) { return b.first == name; });
    if (bitmap != layout.bitmaps.end() && !IsRootedPath(name) && !listed)
      file.bitmaps.emplace_back(name, bitmap->second);
  }
  return file;
}

std::vector<std::string> BitmapsReplaced(const LayoutFile& file, const std::string& path) {
  std::vector<std::string> replaced;
  for (const auto& [name, bytes] : file.bitmaps) {
    const std::string where = BitmapPath(path, name);
    if (!std::filesystem::exists(SystemPath(where))) continue;
    const std::optional<Bytes> there = ReadWhole(where);
    if (!there || *there != bytes) replaced.push_back(name);
  }
  return replaced;
}

std::optional<std::string> SaveLayoutFile(const LayoutFile& file, const std::string& path) {
  std::vector<FileToSave> files;
  for (const auto& [name, bytes] : file.bitmaps) {
    const std::string where = BitmapPath(path, name);
    if (ReadWhole(where) == bytes) continue;
    std::error_code ignored;
    std::filesystem::create_directories(SystemPath(FolderOfPath(where)), ignored);
    files.push_back({where, bytes});
  }
  files.push_back(
      {path, {reinterpret_cast<const std::uint8_t*>(file.toml.data()), file.toml.size()}});
  // The layout and its bitmaps all, or none.
  const SaveResult saved = WriteWholeFiles(files);
  if (saved) return std::nullopt;
  return files[saved.file].path + " (" + SaveProblemText(saved.problem) + ")";
}

std::string LayoutBaseName(const std::string& path) {
  std::string name = FileOfPath(path);
  if (name.size() > 5 && name.compare(name.size() - 5, 5, ".toml") == 0)
    name.resize(name.size() - 5);
  return name;
}

LayoutWriter::LayoutWriter(const std::string& source, const std::string& layout_path)
    : comment_("Made by zotpx from " + source +
               ": the overlay commands the device acknowledged, in order."),
      base_name_(LayoutBaseName(layout_path)) {}

void LayoutWriter::Add(const Bytes& frame_bytes, bool acknowledged, const std::string& where) {
  const DecodedFrame frame = DecodeFrame(frame_bytes);
  const bool block_row = frame.row && frame.row->blocks.max_blocks;
  // A bitmap's data frame whose bytes past the picture's end are not zero still carries the
  // whole picture: the picture is kept, without those bytes.
  const bool picture_whole = block_row && frame.block > 0 && frame.readable();
  if (!acknowledged || !frame.values || frame.refusal ||
      (!frame.problems.empty() && !picture_whole)) {
    // What apply would refuse, or could not send as it was, stays out, and says so.
    if (acknowledged && frame.row && IsStartUpCommand(frame.row->command))
      notes_.push_back(where + ": left out: " +
                       (frame.refusal            ? frame.row->title + *frame.refusal
                        : frame.problems.empty() ? std::string("?")
                                                 : frame.problems.front()));
    assembler_ = {};
    // Its control frame would draw a picture the layout does not have: it goes too.
    broken_ = block_row && frame.block > 0 ? frame.row : nullptr;
    return;
  }
  if (!IsStartUpCommand(frame.row->command)) {
    if (frame.row->table == "clock")
      notes_.push_back(where +
                       ": the clock setting is left out: it would set the clock back to "
                       "that moment at every apply");
    return;
  }
  if (picture_whole && !frame.problems.empty())
    notes_.push_back(where + ": " + frame.problems.front() +
                          "; the layout keeps the picture, without those bytes");
  if (broken_ && frame.row == broken_ && frame.block == 0) {
    notes_.push_back(where + ": " + frame.row->title +
                          " left out: frames of its picture were left out");
    broken_ = nullptr;
    assembler_ = {};
    return;
  }
  if (frame.row != broken_) broken_ = nullptr;
  const std::optional<Values> values = assembler_.Add(frame);
  if (!values) return;
  if (assembler_.last_incomplete()) {
    notes_.push_back(where + ": the picture's blocks are not all there; left out");
    return;
  }
  AddObject(*values, where);
}

void LayoutWriter::AddObject(Values values, const std::string& where) {
  const CommandRow& row = values.row();
  for (std::size_t i = 0; i < row.fields.size(); ++i) {
    const FieldDef& field = row.fields[i];
    FieldValue& value = values.at(i);
    if (field.kind == FieldKind::Text &&
        Utf8ToCp936(Cp936ToUtf8Lossy(value.bytes)).bytes != value.bytes) {
      notes_.push_back(where +
                       ": its text holds bytes that are no code page 936 character; a "
                       "layout cannot carry it, left out");
      return;
    }
    if (field.kind == FieldKind::Bitmap) {
      // The picture as a file beside the layout, named after it: "session.toml" gives
      // "session-3.bmp".
      const LoadedBitmap& picture = *value.picture;
      value.text = base_name_ + "-" + std::to_string(layout_.objects.size() + 1) + ".bmp";
      layout_.bitmaps[value.text] = PackedBitmapFile(picture.width, picture.height, picture.packed);
    }
  }
  layout_.objects.push_back({std::move(values), 0, {}, false, false});
}

LayoutFile LayoutWriter::Finish() const {
  if (layout_.objects.empty()) return {{}, {}, notes_};
  LayoutFile file = WriteLayout(layout_, comment_);
  file.notes = notes_;
  return file;
}

}  // namespace zotpx
