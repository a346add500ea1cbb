#include "base/console.h"

#include <unistd.h>

namespace zotpx {

// A terminal on Linux takes the bytes as they are; its locale says how to show them.
bool UseStartingConsole() {
  return true;
}

void RestoreConsole() {}

bool StandardErrorIsTerminal() {
  return isatty(STDERR_FILENO) == 1;
}

// Standard error has no buffer and standard output to a terminal writes whole lines: one
// fwrite is one write.
bool WriteText(std::FILE* stream, std::string_view text) {
  return std::fwrite(text.data(), 1, text.size(), stream) == text.size();
}

}  // namespace zotpx
