#include "base/console.h"

namespace zotpx {

// A terminal on Linux takes the bytes as they are; its locale says how to show them.
void UseStartingConsole() {}

}  // namespace zotpx
