#include "text/text_string.h"

#include <utility>

#include "base/coordinates.h"
#include "text/cp936.h"

namespace zotpx {

std::optional<std::string> CheckTextString(const TextStringValues& values) {
  if (values.text.empty()) return kEmptyStringText;
  if (values.text.size() > kTextStringMaxBytes) return kStringTooLongText;
  const std::optional<int> x = ParseInteger(values.left);
  const std::optional<int> y = ParseInteger(values.top);
  if (!x || !y) return kStringCoordinateText;
  if (!OnScreen(*x, *y)) return kStringCoordinateText;
  return std::nullopt;
}

Bytes TextStringFrame(const TextStringValues& values) {
  const int x = ParseInteger(values.left).value_or(0);
  const int y = ParseInteger(values.top).value_or(0);
  Bytes data;
  data.reserve(5 + values.text.size());
  data.push_back(TextAttributeByte(values.attributes));
  PutCoordinate(data, x);
  PutCoordinate(data, y);
  data.insert(data.end(), values.text.begin(), values.text.end());
  return MakeFrame(kTextStringCommand, data);
}

std::string UnrepresentableMessage(const std::string& character) {
  const std::string name = CodePointName(character);
  // A stray byte of malformed UTF-8 would garble the status line: name it only.
  if (name.rfind("U+", 0) != 0) return std::string(kUnrepresentableText) + "（" + name + "）";
  return std::string(kUnrepresentableText) + "“" + character + "”（" + name + "）";
}

std::optional<std::string> SetTextFromUtf8(TextStringValues& values, std::string_view utf8) {
  Cp936Text converted = Utf8ToCp936(utf8);
  if (!converted.ok()) return UnrepresentableMessage(converted.unrepresentable);
  values.text = std::move(converted.bytes);
  return std::nullopt;
}

}  // namespace zotpx
