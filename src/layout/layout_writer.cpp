#include "layout/layout_writer.h"

#include <toml++/toml.h>

#include <sstream>

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

}  // namespace

std::string LayoutBaseName(const std::string& path) {
  std::string name = FileOfPath(path);
  if (name.size() > 5 && name.compare(name.size() - 5, 5, ".toml") == 0)
    name.resize(name.size() - 5);
  return name;
}

LayoutWriter::LayoutWriter(const std::string& source, const std::string& layout_path)
    : base_name_(LayoutBaseName(layout_path)) {
  file_.toml = "# Made by zotpx from " + source +
               ": the overlay commands the device acknowledged, in order.\n";
}

void LayoutWriter::Add(const Bytes& frame_bytes, bool acknowledged, const std::string& where) {
  const DecodedFrame frame = DecodeFrame(frame_bytes);
  if (!acknowledged || !frame.values || !frame.problems.empty() || frame.refusal) {
    // What apply would refuse, or could not send as it was, stays out, and says so.
    if (acknowledged && frame.row && IsStartUpCommand(frame.row->command))
      file_.notes.push_back(where + ": left out: " +
                            (frame.refusal            ? frame.row->title + *frame.refusal
                             : frame.problems.empty() ? std::string("?")
                                                      : frame.problems.front()));
    assembler_ = {};
    return;
  }
  if (!IsStartUpCommand(frame.row->command)) {
    if (frame.row->table == "clock")
      file_.notes.push_back(where +
                            ": the clock setting is left out: it would set the clock back to "
                            "that moment at every apply");
    return;
  }
  const std::optional<Values> values = assembler_.Add(frame);
  if (!values) return;
  if (assembler_.last_incomplete()) {
    file_.notes.push_back(where + ": the picture's blocks are not all there; left out");
    return;
  }
  AddObject(*values, where);
}

void LayoutWriter::AddObject(const Values& values, const std::string& where) {
  const CommandRow& row = values.row();
  std::string table = "[[" + std::string(row.table) + "]]\n";
  if (row.table == "bitmap") table += Key("kind", std::string(row.name.substr(7)));
  std::vector<std::pair<std::string, Bytes>> bitmaps;
  for (std::size_t i = 0; i < row.fields.size(); ++i) {
    const FieldDef& field = row.fields[i];
    const FieldValue& value = values.at(i);
    switch (field.kind) {
      case FieldKind::List:
        table += field.list->keywords
                     ? Key(field.name, FieldWord(field, value))
                     : Key(field.name, std::int64_t{ItemNumber(*field.list, value.index)});
        break;
      case FieldKind::Flag:
        if (value.index)
          table += Key(field.name, true);
        else if (!field.off_name.empty())
          table += Key(field.off_name, true);
        break;
      case FieldKind::Coordinate:
      case FieldKind::Number:
        table += Key(field.name, std::int64_t{EditValue(value).value_or(0)});
        break;
      case FieldKind::Text: {
        const std::string utf8 = Cp936ToUtf8Lossy(value.bytes);
        if (Utf8ToCp936(utf8).bytes != value.bytes) {
          file_.notes.push_back(where +
                                ": its text holds bytes that are no code page 936 character; a "
                                "layout cannot carry it, left out");
          return;
        }
        table += Key(field.name, utf8);
        break;
      }
      case FieldKind::Bitmap: {
        const LoadedBitmap& picture = *value.picture;
        const std::string name = base_name_ + "-" + std::to_string(objects_ + 1) + ".bmp";
        bitmaps.emplace_back(name, PackedBitmapFile(picture.width, picture.height, picture.packed));
        table += Key(field.name, name);
        break;
      }
      default:
        table += Key(field.name, value.text);
        break;
    }
  }
  file_.toml += "\n" + table;
  for (auto& bitmap : bitmaps) file_.bitmaps.push_back(std::move(bitmap));
  ++objects_;
}

LayoutFile LayoutWriter::Finish() const {
  LayoutFile file = file_;
  if (!objects_) file.toml.clear();
  return file;
}

}  // namespace zotpx
