// The terminal a program was started from, made ready for the UTF-8 text the tool prints, and
// the one way that text is written to it.
#pragma once

#include <cstdio>
#include <string_view>

namespace zotpx {

// Linux: nothing to do. Windows: the console is told the text is UTF-8 until the program ends
// (then it gets back the code pages and modes it had), standard input and output carry bytes as
// they are (no CR added before LF, no stop at 1A: a PNG written to standard output is the PNG,
// and a line ends as on Linux), and a window program whose output goes nowhere is joined to its
// parent's console, if it has one, so that --help and --version reach the user. True when
// standard output leads somewhere then (a terminal, a console, a file, a pipe); false only for
// a window program started with none.
bool UseStartingConsole();
// Puts the console back as UseStartingConsole found it, at once: for a program that ends
// without running its exit handlers. Safe to call more than once, from any thread.
void RestoreConsole();

// Whether standard error is a terminal that takes the control sequences a progress line is
// redrawn with (on Windows: a console, told to take them).
bool StandardErrorIsTerminal();

// `text` (UTF-8) to standard output or error whole, in one write: a character never reaches a
// console in two pieces, which would show it as boxes. A Windows console gets it as wide
// text, so that its code page plays no part. False when it could not be written.
bool WriteText(std::FILE* stream, std::string_view text);
// printf's formatting into one text, then WriteText.
[[gnu::format(printf, 2, 3)]] bool PrintText(std::FILE* stream, const char* format, ...);

}  // namespace zotpx
