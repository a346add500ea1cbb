#include <windows.h>
// After windows.h.
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <initializer_list>

#include "base/console.h"

namespace zotpx {

namespace {

bool GoesSomewhere(DWORD which) {
  const HANDLE handle = GetStdHandle(which);
  return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

}  // namespace

bool UseStartingConsole() {
  // Output sent to a file or a pipe stays there; only a window program started from a console
  // has none and takes its parent's.
  if (!GoesSomewhere(STD_OUTPUT_HANDLE) && AttachConsole(ATTACH_PARENT_PROCESS)) {
    (void)std::freopen("CONOUT$", "w", stdout);
    if (!GoesSomewhere(STD_ERROR_HANDLE)) (void)std::freopen("CONOUT$", "w", stderr);
  }
  SetConsoleOutputCP(CP_UTF8);
  SetConsoleCP(CP_UTF8);
  for (std::FILE* stream : {stdin, stdout, stderr}) (void)_setmode(_fileno(stream), _O_BINARY);
  return GoesSomewhere(STD_OUTPUT_HANDLE);
}

bool StandardErrorIsTerminal() {
  // _isatty says yes to NUL too; only a console has a console mode.
  const HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
  DWORD mode = 0;
  if (!GetConsoleMode(handle, &mode)) return false;
  return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) ||
         SetConsoleMode(handle, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

}  // namespace zotpx
