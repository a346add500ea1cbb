// The host's side of the simulator's pty as seen from the master.
#pragma once

namespace zotpx::sim {

// The baud rate the host set on the terminal side of the pty whose master is `master_fd`,
// any integer rate included; 0 when it cannot be read.
int HostLineRate(int master_fd);

}  // namespace zotpx::sim
