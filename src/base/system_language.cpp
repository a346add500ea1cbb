#include "base/language.h"

namespace zotpx {

// The environment says it all on this system.
std::string_view SystemUiLanguage() {
  return {};
}

}  // namespace zotpx
