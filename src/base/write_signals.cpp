#include "base/write_signals.h"

#include <csignal>

namespace zotpx {

void KeepGoingWhenWritesFail() {
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);
}

}  // namespace zotpx
