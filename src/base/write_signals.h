// Writes that fail (a closed pipe on standard output or error, a file past its size limit) fail
// as writes and stop nothing: by default a POSIX system would end the program there, in the
// middle of a transfer, with the port left raw and the log cut. Every program calls it first.
// One file per platform.
#pragma once

namespace zotpx {

void KeepGoingWhenWritesFail();

}  // namespace zotpx
