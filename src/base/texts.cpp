#include "base/texts.h"

#include <string>
#include <unordered_map>

namespace zotpx {

extern const std::span<const CatalogueEntry> kEnglishTexts;

namespace {

using Index = std::unordered_map<std::string_view, std::string_view>;

Index MakeIndex(std::span<const CatalogueEntry> entries) {
  Index index;
  for (const CatalogueEntry& entry : entries) index.emplace(entry.id, entry.text);
  return index;
}

const Index& IndexOf(Language language) {
  static const Index chinese = MakeIndex(kChineseTexts);
  static const Index english = MakeIndex(kEnglishTexts);
  return language == Language::English ? english : chinese;
}

std::string FillText(std::string_view text, std::initializer_list<std::string_view> values) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    // {N}, one digit: no text needs ten values.
    if (text[i] == '{' && i + 2 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9' &&
        text[i + 2] == '}') {
      const std::size_t n = static_cast<std::size_t>(text[i + 1] - '1');
      if (n < values.size()) {
        out += values.begin()[n];
        i += 2;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

}  // namespace

std::span<const CatalogueEntry> Catalogue(Language language) {
  return language == Language::English ? kEnglishTexts
                                       : std::span<const CatalogueEntry>(kChineseTexts);
}

std::string_view FindText(Language language, std::string_view id) {
  const Index& index = IndexOf(language);
  const auto found = index.find(id);
  return found == index.end() ? std::string_view() : found->second;
}

std::string_view TextIn(Language language, TextId id) {
  const std::string_view text = FindText(language, id.id());
  return text.empty() ? FindText(Language::Chinese, id.id()) : text;
}

std::string_view Text(TextId id) {
  return TextIn(CurrentLanguage(), id);
}

std::string FillIn(Language language, TextId id, std::initializer_list<std::string_view> values) {
  return FillText(TextIn(language, id), values);
}

std::string Fill(TextId id, std::initializer_list<std::string_view> values) {
  return FillIn(CurrentLanguage(), id, values);
}

}  // namespace zotpx
