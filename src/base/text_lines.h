// Lines of a text as the tool's readers take them, whole or as it comes in pieces: LF, CR LF
// and a lone CR each end a line; a text that does not end with a line end still ends its last.
#pragma once

#include <cstring>
#include <string>
#include <string_view>

namespace zotpx {

class LineSplitter {
 public:
  // Hands each line that `piece` completes to `line` (without its end); the rest waits for the
  // next piece.
  template <typename Line>
  void Feed(std::string_view piece, Line&& line) {
    while (!piece.empty()) {
      if (after_cr_ && piece.front() == '\n') piece.remove_prefix(1);
      after_cr_ = false;
      const std::size_t end = LineEnd(piece);
      if (end == std::string_view::npos) {
        pending_.append(piece);
        return;
      }
      after_cr_ = piece[end] == '\r';
      if (pending_.empty()) {
        line(piece.substr(0, end));
      } else {
        pending_.append(piece.substr(0, end));
        line(std::string_view(pending_));
        pending_.clear();
      }
      piece.remove_prefix(end + 1);
    }
  }
  // The last line, when the text did not end with a line end.
  template <typename Line>
  void Finish(Line&& line) {
    if (!pending_.empty()) line(std::string_view(pending_));
    pending_.clear();
    after_cr_ = false;
  }

 private:
  // Where the first CR or LF is: the LF, then a CR before it (memchr is far quicker than
  // find_first_of, which looks up every byte of the text in the set).
  static std::size_t LineEnd(std::string_view text) {
    const char* lf = static_cast<const char*>(std::memchr(text.data(), '\n', text.size()));
    const std::size_t before = lf ? static_cast<std::size_t>(lf - text.data()) : text.size();
    const char* cr = static_cast<const char*>(std::memchr(text.data(), '\r', before));
    if (cr) return static_cast<std::size_t>(cr - text.data());
    return lf ? before : std::string_view::npos;
  }

  std::string pending_;
  bool after_cr_ = false;
};

}  // namespace zotpx
