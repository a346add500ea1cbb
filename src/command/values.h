// One command's values, field by field, as every face fills them: the window from its controls,
// the command line and layout files from their words, the decoder from a frame.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/bytes.h"
#include "command/table.h"
#include "graphics/bitmap.h"

namespace zotpx {

struct FieldValue {
  // Coordinate, Number, Format, Moment: the text as typed. Bitmap: the file it came from.
  std::string text;
  int index = 0;  // List, Flag: the item (-1: a decoded code of no item, in text)
  Bytes bytes;    // Text: code page 936; Data: as sent
  std::optional<LoadedBitmap> picture;  // Bitmap: nothing while the slot holds no picture

  bool operator==(const FieldValue& other) const;
};

class Values {
 public:
  // The window's defaults.
  explicit Values(const CommandRow& row);

  const CommandRow& row() const { return *row_; }
  // The field of that name; the row must have it.
  FieldValue& operator[](std::string_view name);
  const FieldValue& operator[](std::string_view name) const;
  FieldValue& at(std::size_t i) { return fields_[i]; }
  const FieldValue& at(std::size_t i) const { return fields_[i]; }

  bool operator==(const Values& other) const;

 private:
  const CommandRow* row_;
  std::vector<FieldValue> fields_;  // one per field of the row, in its order
};

// The word the command line and layout files give a value: a list's keyword or number, "true"
// or "false", a decimal number, the text (UTF-8). Bitmaps, data: their file or nothing.
std::string FieldWord(const FieldDef& field, const FieldValue& value);
// The value from such a word: a list's keyword or number, a flag's true or false (1 or 0), an
// edit box's text as it stands, a text in UTF-8, a moment the clock holds (empty: now). Why
// not, when it names no item or will not convert; the value is then as it was. A bitmap's
// picture is read from its file by SetFieldWords (command/words.h).
std::optional<std::string> SetFieldWord(const FieldDef& field, FieldValue& value,
                                        std::string_view word);

// The values as a line: "colour=fg thickness=2 filled left=10 top=10 ..." (a flag by its name
// when set, texts in quotes, a bitmap by its size).
std::string DescribeValues(const Values& values);

// The integer an edit box's text stands for, by the integer rule.
std::optional<int> EditValue(const FieldValue& value);
// The integer of the edit box field `name`; 0 when its text is none.
int FieldNumber(const Values& values, std::string_view name);

}  // namespace zotpx
