// One entry of a language's catalogue of texts: its id and its text. The id says where the
// text belongs ("serial.port_busy"); a text may hold placeholders {1}, {2}… that base/texts.h
// fills, so that a translation can put them in its own order.
#pragma once

#include <string_view>

namespace zotpx {

struct CatalogueEntry {
  std::string_view id;
  std::string_view text;
};

}  // namespace zotpx
