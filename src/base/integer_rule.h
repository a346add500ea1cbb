// The one rule by which every edit box becomes an integer: optional leading spaces, an
// optional sign, then decimal digits, or hex digits after "$", "x", "X", "0x" or "0X".
// Nothing may follow the digits; a value beyond 32 bits is not an integer.
#pragma once

#include <optional>
#include <string_view>

namespace zotpx {

std::optional<int> ParseInteger(std::string_view text);

}  // namespace zotpx
