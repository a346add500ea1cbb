// Windows has its ports as Device Manager shows them and stops a console program by its
// console's events; the statuses are those Linux gives for the same causes.
#include "base/platform_words.h"

namespace zotpx {

const PlatformWords& SystemWords() {
  static constexpr PlatformWords kWords = {
      "COMn, as Device Manager shows it",
      "COM1 ... COM256 (also written \\\\.\\COM10)",
      "COM1.log for COM1",
      "  128+n  stopped at the next request, the port restored: 130 Ctrl-C, 143 Ctrl-Break,\n"
      "         129 the console closed or the session ended; a second stop ends at once,\n"
      "         the port restored and the log block finished\n",
  };
  return kWords;
}

}  // namespace zotpx
