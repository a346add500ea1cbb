// --help in 80 columns for every program with CLI11 options (zotpx, zotpx-sim): CLI11 prints
// each description on one line however long it is, and a terminal or a manual page made from
// the help breaks it anywhere.
#pragma once

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstddef>
#include <sstream>
#include <string>

namespace zotpx::cli {

inline constexpr std::size_t kHelpWidth = 80;

// Columns a UTF-8 text takes: a character of three or four bytes (Chinese) takes two.
inline std::size_t TextColumns(const std::string& text) {
  std::size_t columns = 0;
  for (const unsigned char c : text) {
    if ((c & 0xC0) != 0x80) columns += c >= 0xE0 ? 2 : 1;
  }
  return columns;
}

// Where the lines a long line breaks into start: under the text of a row such as
// "  2  usage error ..." or "  KIND   noise ...", else under the line's own start.
inline std::size_t HangingIndent(const std::string& line, std::size_t width) {
  const std::size_t lead = line.find_first_not_of(' ');
  const std::size_t gap = line.find("  ", lead);
  const std::size_t text = gap == std::string::npos ? gap : line.find_first_not_of(' ', gap);
  return lead > 0 && text != std::string::npos && text < width / 2 ? text : lead;
}

// Each line of `text` wider than `width` columns is broken at spaces (or after a "|"), the rest of
// it hanging under its text (HangingIndent); lines that fit are left exactly as they are. A word
// wider than the line stays whole.
inline std::string WrapText(const std::string& text, std::size_t width) {
  std::string out;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    std::string rest = line;
    const std::string hang(std::min(HangingIndent(line, width), width / 2), ' ');
    while (TextColumns(rest) > width) {
      // The last break that leaves the part before it within the width: at a space, or after
      // a "|" between choices (fg|bg|...).
      std::size_t cut = std::string::npos;
      for (std::size_t at = rest.find_first_not_of(' ') + 1; at < rest.size(); ++at) {
        if (rest[at] != ' ' && rest[at - 1] != '|') continue;
        if (TextColumns(rest.substr(0, at)) > width) break;
        cut = at;
      }
      const std::size_t next = cut == std::string::npos ? cut : rest.find_first_not_of(' ', cut);
      if (next == std::string::npos) break;
      out += rest.substr(0, rest.find_last_not_of(' ', cut - 1) + 1) + '\n';
      rest = hang + rest.substr(next);
    }
    out += rest + '\n';
  }
  if (!text.empty() && text.back() != '\n' && !out.empty()) out.pop_back();
  return out;
}

class HelpFormatter : public CLI::Formatter {
 public:
  explicit HelpFormatter(std::size_t name_column = 30) { column_width(name_column); }

  std::string make_option_desc(const CLI::Option* option) const override {
    return WrapText(CLI::Formatter::make_option_desc(option), DescriptionWidth());
  }
  std::string make_subcommand(const CLI::App* sub) const override {
    std::stringstream out;
    CLI::detail::format_help(out, sub->get_display_name(true),
                             WrapText(sub->get_description(), DescriptionWidth()),
                             get_column_width());
    return out.str();
  }
  std::string make_description(const CLI::App* app) const override {
    return WrapText(CLI::Formatter::make_description(app), kHelpWidth);
  }
  std::string make_footer(const CLI::App* app) const override {
    return WrapText(CLI::Formatter::make_footer(app), kHelpWidth);
  }

 private:
  std::size_t DescriptionWidth() const { return kHelpWidth - get_column_width(); }
};

}  // namespace zotpx::cli
