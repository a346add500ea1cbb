// Text that came from outside (a log, a frame, a device's answer) made safe to show on a
// terminal: a log from someone else must not be able to drive it, and nothing in it may end the
// line early (a NUL), hide the rest of it or reorder it.
#pragma once

#include <string>
#include <string_view>

namespace zotpx {

// Control characters (C0 but none, DEL, C1) and every byte that is no UTF-8 as "\xNN", the
// marks that reorder a line (bidirectional embeddings, overrides and isolates) as "\u202E";
// everything else as it stands. A backslash stays as it is: a caller that quotes doubles it
// first (QuotedText).
std::string PrintableText(std::string_view text);
// Whether the text is well-formed UTF-8.
bool IsUtf8(std::string_view text);
// Whether PrintableText would leave the text as it is.
bool IsPrintableText(std::string_view text);
// The text between double quotes, with '"' and '\' escaped and then made printable: a value
// that holds "\x1B" itself reads as "\\x1B", an escape character as "\x1B".
std::string QuotedText(std::string_view text);

}  // namespace zotpx
