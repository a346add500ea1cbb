// The terminal a program was started from, made ready for the UTF-8 text the tool prints.
#pragma once

namespace zotpx {

// Linux: nothing to do. Windows: the console is told the text is UTF-8, and a window program
// whose output goes nowhere is joined to its parent's console, if it has one, so that --help
// and --version reach the user.
void UseStartingConsole();

}  // namespace zotpx
