#include <windows.h>

#include <string>

#include "support/fifo_file.h"

namespace zotpx::test {

FifoFile::FifoFile() : path_("\\\\.\\pipe\\zotpx_fifo_" + std::to_string(GetCurrentProcessId())) {
  const HANDLE pipe =
      CreateNamedPipeA(path_.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE, 1, 0, 0, 0, nullptr);
  made_ = pipe != INVALID_HANDLE_VALUE;
  if (made_) handle_ = pipe;
}

FifoFile::~FifoFile() {
  if (made_) CloseHandle(static_cast<HANDLE>(handle_));
}

}  // namespace zotpx::test
