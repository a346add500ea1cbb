#include "command/checks.h"

#include "base/coordinates.h"
#include "command/codec.h"
#include "text/cp936.h"

namespace zotpx {

std::string UnrepresentableMessage(const std::string& character) {
  const std::string name = CodePointName(character);
  // A stray byte of malformed UTF-8 would garble the status line: name it only.
  if (name.rfind("U+", 0) != 0) return Fill("command.unrepresentable_byte", {name});
  return Fill("command.unrepresentable", {character, name});
}

namespace checks {

namespace {

// The edit boxes' integers in frame order, each within its limits; nothing as soon as one is no
// integer or out of range. The window says the same for both.
std::optional<std::vector<int>> EditNumbers(const Values& values) {
  const CommandRow& row = values.row();
  std::vector<int> numbers;
  for (std::size_t i = 0; i < row.fields.size(); ++i) {
    const FieldDef& field = row.fields[i];
    if (field.kind != FieldKind::Coordinate && field.kind != FieldKind::Number) continue;
    const std::optional<int> number = EditValue(values.at(i));
    if (!number) return std::nullopt;
    numbers.push_back(*number);
  }
  std::size_t n = 0;
  for (const FieldDef& field : row.fields) {
    if (field.kind != FieldKind::Coordinate && field.kind != FieldKind::Number) continue;
    if (numbers[n] < field.min || numbers[n] > field.max) return std::nullopt;
    ++n;
  }
  return numbers;
}

}  // namespace

std::optional<std::string> Clock(const Values& values) {
  const std::string& at = values["at"].text;
  if (!at.empty() && !ParseMoment(at)) return std::string(kClockInvalidText);
  return std::nullopt;
}

std::optional<std::string> DateTime(const Values& values) {
  if (!EditNumbers(values)) return std::string(values.row().edit_message);
  const FieldDef& field = *values.row().Field("format");
  if (!IsFormatText(field, values["format"].text))
    return std::string(field.max == 10 ? kInvalidDateFormatText : kInvalidTimeFormatText);
  return std::nullopt;
}

std::optional<std::string> TextString(const Values& values) {
  const Bytes& text = values["text"].bytes;
  if (text.empty()) return std::string(kEmptyStringText);
  if (text.size() > static_cast<std::size_t>(values.row().Field("text")->max))
    return std::string(kStringTooLongText);
  if (!EditNumbers(values)) return std::string(values.row().edit_message);
  return std::nullopt;
}

std::optional<std::string> Corners(const Values& values) {
  if (!EditNumbers(values) || FieldNumber(values, "left") > FieldNumber(values, "right") ||
      FieldNumber(values, "top") > FieldNumber(values, "bottom"))
    return std::string(values.row().edit_message);
  return std::nullopt;
}

std::optional<std::string> Edits(const Values& values) {
  if (!EditNumbers(values)) return std::string(values.row().edit_message);
  return std::nullopt;
}

std::optional<std::string> Circle(const Values& values) {
  const FieldDef& radius_field = *values.row().Field("radius");
  const FieldValue& radius = values["radius"];
  // A decoded frame's code of no item is the radius as the frame says it.
  const long long r =
      radius.index < 0 ? std::stoll(radius.text) : ItemNumber(*radius_field.list, radius.index);
  const long long x = FieldNumber(values, "x");
  const long long y = FieldNumber(values, "y");
  // Wholly on the screen.
  if (!EditNumbers(values) || r > x || x + r > kMaxX || r > y || y + r > kMaxY)
    return std::string(values.row().edit_message);
  return std::nullopt;
}

std::optional<std::string> Bitmap(const Values& values) {
  const std::optional<LoadedBitmap>& picture = values["file"].picture;
  if (!picture) return std::string(kBitmapNotLoadedText);
  if (!EditNumbers(values) ||
      FieldNumber(values, "x") + static_cast<long long>(picture->width) > kScreenWidth ||
      FieldNumber(values, "y") + static_cast<long long>(picture->height) > kScreenHeight)
    return std::string(values.row().edit_message);
  const std::size_t max_blocks = values.row().blocks.max_blocks;
  // The flashing picture rides in one frame: at most one block's worth.
  if (PictureBytes(*picture) == 0 || BitmapBlockCount(*picture) > (max_blocks ? max_blocks : 1))
    return std::string(kBitmapBlocksText);
  return std::nullopt;
}

}  // namespace checks

}  // namespace zotpx
