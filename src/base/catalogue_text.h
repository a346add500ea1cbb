// A catalogue text kept under a constant's name (kSuccessText), read in the current language
// wherever it is used as a string: joined to a title, compared, searched for, passed on.
//
//   inline constexpr CatalogueText kSuccessText = "serial.success";
//   reporter.SetStatus(title + kSuccessText);
#pragma once

#include <concepts>
#include <ostream>
#include <string>
#include <string_view>

#include "base/texts.h"

namespace zotpx {

class CatalogueText {
 public:
  // NOLINTNEXTLINE(google-explicit-constructor): written as a plain literal at every use.
  consteval CatalogueText(const char* id) : id_(id) {}

  TextId id() const { return id_; }
  std::string_view view() const { return Text(id_); }
  // NOLINTNEXTLINE(google-explicit-constructor): used wherever a string is.
  operator std::string_view() const { return view(); }
  // NOLINTNEXTLINE(google-explicit-constructor)
  operator std::string() const { return std::string(view()); }
  // A range of its bytes, for byte views (QByteArrayView) that take any such.
  const char* data() const { return view().data(); }
  std::size_t size() const { return view().size(); }
  const char* begin() const { return data(); }
  const char* end() const { return data() + size(); }

 private:
  TextId id_;
};

// Templates, so that no other string's operands are taken for an id ("a" == "b").
template <std::same_as<CatalogueText> T>
std::string operator+(std::string_view left, T right) {
  return std::string(left).append(right.view());
}
template <std::same_as<CatalogueText> T>
std::string operator+(T left, std::string_view right) {
  return std::string(left.view()).append(right);
}
template <std::same_as<CatalogueText> T>
bool operator==(std::string_view left, T right) {
  return left == right.view();
}
template <std::same_as<CatalogueText> T>
std::ostream& operator<<(std::ostream& out, T text) {
  return out << text.view();
}

}  // namespace zotpx
