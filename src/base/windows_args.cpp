#include "base/windows_args.h"

namespace zotpx {

// Backslashes are literal except before a quote, where 2n of them give n and the quote
// delimits, and 2n+1 give n and a literal quote.
std::string QuoteWindowsArgument(std::string_view argument) {
  if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string_view::npos)
    return std::string(argument);
  std::string quoted = "\"";
  std::size_t backslashes = 0;
  for (const char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    // Before a quote each backslash doubles, and one more escapes the quote itself.
    quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  // Before the closing quote they double too.
  quoted.append(backslashes * 2, '\\');
  quoted += '"';
  return quoted;
}

std::string WindowsCommandLine(const std::vector<std::string>& arguments) {
  std::string line;
  for (const std::string& argument : arguments) {
    if (!line.empty()) line += ' ';
    line += QuoteWindowsArgument(argument);
  }
  return line;
}

}  // namespace zotpx
