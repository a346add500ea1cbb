#include "base/console.h"

#include <unistd.h>

namespace zotpx {

// A terminal on Linux takes the bytes as they are; its locale says how to show them.
bool UseStartingConsole() {
  return true;
}

bool StandardErrorIsTerminal() {
  return isatty(STDERR_FILENO) == 1;
}

}  // namespace zotpx
