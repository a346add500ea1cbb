// The terminal a program was started from, made ready for the UTF-8 text the tool prints.
#pragma once

namespace zotpx {

// Linux: nothing to do. Windows: the console is told the text is UTF-8, standard input and
// output carry bytes as they are (no CR added before LF, no stop at 1A: a PNG written to
// standard output is the PNG, and a line ends as on Linux), and a window program whose output
// goes nowhere is joined to its parent's console, if it has one, so that --help and --version
// reach the user. True when standard output leads somewhere then (a terminal, a console, a
// file, a pipe); false only for a window program started with none.
bool UseStartingConsole();

// Whether standard error is a terminal that takes the control sequences a progress line is
// redrawn with (on Windows: a console, told to take them).
bool StandardErrorIsTerminal();

}  // namespace zotpx
