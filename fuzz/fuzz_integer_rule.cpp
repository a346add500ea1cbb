// The integer rule of the edit boxes against a plain reference: leading blanks, a sign, a base
// prefix, then nothing but digits of that base, and a value that fits 32 bits.
#include <charconv>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string_view>

#include "base/integer_rule.h"

namespace {

std::optional<int> Reference(std::string_view text) {
  std::size_t i = text.find_first_not_of(' ');
  if (i == std::string_view::npos) return std::nullopt;
  bool negative = false;
  if (text[i] == '+' || text[i] == '-') negative = text[i++] == '-';
  std::string_view rest = text.substr(i);
  int base = 10;
  for (std::string_view prefix : {"0x", "0X", "$", "x", "X"}) {
    if (rest.substr(0, prefix.size()) == prefix) {
      base = 16;
      rest.remove_prefix(prefix.size());
      break;
    }
  }
  if (rest.empty()) return std::nullopt;
  // from_chars takes no sign or prefix of its own: those must not reappear after ours.
  if (rest.front() == '+' || rest.front() == '-') return std::nullopt;
  unsigned long long magnitude = 0;
  const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), magnitude, base);
  if (error != std::errc() || end != rest.data() + rest.size()) return std::nullopt;
  if (magnitude > 2147483648ULL) return std::nullopt;
  const long long value = negative ? -static_cast<long long>(magnitude) : static_cast<long long>(magnitude);
  if (value < INT_MIN || value > INT_MAX) return std::nullopt;
  return static_cast<int>(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (zotpx::ParseInteger(text) != Reference(text)) std::abort();
  return 0;
}
