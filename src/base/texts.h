// Every text the core gives a user, by id, in the language of the process (base/language.h).
//
//   Text("serial.port_busy")                     the text itself
//   Fill("serial.port_missing", {port, reason})  its placeholders {1}, {2} filled
//
// An id that the Chinese catalogue lacks does not compile; the English catalogue is held to the
// same ids and placeholders by its test.
#pragma once

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

#include "base/catalogue.h"
#include "base/catalogue_zh.h"
#include "base/language.h"

namespace zotpx {

consteval bool InChineseCatalogue(std::string_view id) {
  for (const CatalogueEntry& entry : kChineseTexts)
    if (entry.id == id) return true;
  return false;
}

class TextId {
 public:
  // NOLINTNEXTLINE(google-explicit-constructor): written as a plain literal at every use.
  consteval TextId(const char* id) : id_(id) {
    if (!InChineseCatalogue(id_)) throw "no text in the catalogue has this id";
  }
  std::string_view id() const { return id_; }

 private:
  std::string_view id_;
};

// The text in the current language (Chinese where the language lacks it).
std::string_view Text(TextId id);
std::string_view TextIn(Language language, TextId id);
// The text with {1}, {2}… replaced by `values`, in order of number, wherever the text puts them.
std::string Fill(TextId id, std::initializer_list<std::string_view> values);
std::string FillIn(Language language, TextId id, std::initializer_list<std::string_view> values);
// Every entry of a language's catalogue, for its tests and for readers that must know a text in
// both languages (a log written in either).
std::span<const CatalogueEntry> Catalogue(Language language);
// The text with id `id` in `language`, looked up at run time; empty when there is none.
std::string_view FindText(Language language, std::string_view id);

}  // namespace zotpx
