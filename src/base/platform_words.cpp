#include "base/platform_words.h"

namespace zotpx {

const PlatformWords& SystemWords() {
  static constexpr PlatformWords kWords = {
      "COMn or a device path",
      "COM1 ... COM256 or a device path such as /dev/ttyUSB0",
      "COM1.log, ttyUSB0.log for /dev/ttyUSB0, serial_by-id_NAME.log for /dev/serial/by-id/NAME",
      "  128+n  stopped by signal n at the next request, the port restored (130 Ctrl-C,\n"
      "         143 SIGTERM, 129 SIGHUP); a second signal ends at once, the port\n"
      "         restored and the log block finished\n",
  };
  return kWords;
}

}  // namespace zotpx
