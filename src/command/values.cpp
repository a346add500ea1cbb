#include "command/values.h"

#include <cstdio>
#include <map>

#include "base/integer_rule.h"
#include "base/printable.h"
#include "command/checks.h"
#include "command/codec.h"
#include "command/words.h"
#include "text/cp936.h"

namespace zotpx {

namespace {

bool SamePicture(const std::optional<LoadedBitmap>& a, const std::optional<LoadedBitmap>& b) {
  if (!a || !b) return !a && !b;
  return a->width == b->width && a->height == b->height && a->packed == b->packed;
}

FieldValue DefaultValue(const FieldDef& field) {
  FieldValue value;
  value.index = field.default_index;
  switch (field.kind) {
    case FieldKind::Text: {
      const Cp936Text text = Utf8ToCp936(field.default_text);
      value.bytes = text.bytes;
      break;
    }
    default:
      value.text = field.default_text;
      break;
  }
  return value;
}

// The defaults of the table's rows, made once: a text's takes a conversion.
const std::vector<FieldValue>* TableDefaults(const CommandRow& row) {
  static const std::map<const CommandRow*, std::vector<FieldValue>> defaults = [] {
    std::map<const CommandRow*, std::vector<FieldValue>> made;
    for (const CommandRow& r : CommandRows())
      for (const FieldDef& field : r.fields) made[&r].push_back(DefaultValue(field));
    return made;
  }();
  const auto found = defaults.find(&row);
  return found == defaults.end() ? nullptr : &found->second;
}

}  // namespace

bool FieldValue::operator==(const FieldValue& other) const {
  return text == other.text && index == other.index && bytes == other.bytes &&
         SamePicture(picture, other.picture);
}

Values::Values(const CommandRow& row) : row_(&row) {
  if (const std::vector<FieldValue>* defaults = TableDefaults(row)) {
    fields_ = *defaults;
    return;
  }
  for (const FieldDef& field : row.fields) fields_.push_back(DefaultValue(field));
}

FieldValue& Values::operator[](std::string_view name) {
  return fields_.at(row_->IndexOf(name));
}

const FieldValue& Values::operator[](std::string_view name) const {
  return fields_.at(row_->IndexOf(name));
}

bool Values::operator==(const Values& other) const {
  return row_ == other.row_ && fields_ == other.fields_;
}

std::optional<int> EditValue(const FieldValue& value) {
  return ParseInteger(value.text);
}

int FieldNumber(const Values& values, std::string_view name) {
  return EditValue(values[name]).value_or(0);
}

std::string FieldWord(const FieldDef& field, const FieldValue& value) {
  switch (field.kind) {
    case FieldKind::List:
      // A decoded frame's code of no item (-1) reads as that code.
      return value.index < 0 ? value.text : ItemWord(*field.list, value.index);
    case FieldKind::Flag:
      return value.index ? "true" : "false";
    case FieldKind::Coordinate:
    case FieldKind::Number:
      if (const std::optional<int> number = EditValue(value)) {
        // Memory addresses read best in hex, as the memory map gives them.
        if (field.max <= 0xFFFF) return std::to_string(*number);
        char text[16];
        std::snprintf(text, sizeof text, "0x%06X", static_cast<unsigned>(*number));
        return text;
      }
      return value.text;
    case FieldKind::Text:
      return Cp936ToUtf8Lossy(value.bytes);
    default:
      return value.text;
  }
}

std::optional<std::string> SetFieldWord(const FieldDef& field, FieldValue& value,
                                        std::string_view word) {
  switch (field.kind) {
    case FieldKind::List: {
      const std::optional<int> index = ItemByWord(*field.list, word);
      if (!index) return "no such item; " + FieldHelp(field);
      value.index = *index;
      return std::nullopt;
    }
    case FieldKind::Flag:
      // A number is the box's state, as it is for the on/off lists.
      if (word != "true" && word != "false" && word != "1" && word != "0")
        return "a flag is true or false (1 or 0)";
      value.index = word == "true" || word == "1";
      return std::nullopt;
    case FieldKind::Text: {
      Cp936Text converted = Utf8ToCp936(word);
      if (!converted.ok()) return UnrepresentableMessage(converted.unrepresentable);
      value.bytes = std::move(converted.bytes);
      return std::nullopt;
    }
    case FieldKind::Moment:
      // Empty is the computer's time when the frame goes.
      if (!word.empty())
        if (std::optional<std::string> fault = MomentFault(word)) return fault;
      value.text = word;
      return std::nullopt;
    default:
      value.text = word;
      return std::nullopt;
  }
}

std::string DescribeValues(const Values& values) {
  std::string line;
  const auto add = [&line](const std::string& part) {
    if (part.empty()) return;
    if (!line.empty()) line += ' ';
    line += part;
  };
  const CommandRow& row = values.row();
  for (std::size_t i = 0; i < row.fields.size(); ++i) {
    const FieldDef& field = row.fields[i];
    const FieldValue& value = values.at(i);
    const std::string name(field.name);
    switch (field.kind) {
      case FieldKind::Flag:
        add(value.index ? name : std::string(field.off_name));
        break;
      case FieldKind::Text:
      case FieldKind::Format:
      case FieldKind::Moment:
        add(name + "=" +
            (value.text.empty() && field.kind == FieldKind::Moment
                 ? std::string("now")
                 : QuotedText(FieldWord(field, value))));
        break;
      case FieldKind::Bitmap:
        if (value.picture)
          add("width=" + std::to_string(value.picture->width) +
              " height=" + std::to_string(value.picture->height));
        break;
      case FieldKind::Data:
        add(std::to_string(value.bytes.size()) + " bytes");
        break;
      default:
        add(name + "=" + FieldWord(field, value));
        break;
    }
  }
  return line;
}

}  // namespace zotpx
