#include <windows.h>
// After windows.h.
#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <mutex>

#include "base/console.h"
#include "base/utf16_win32.h"

namespace zotpx {

namespace {

bool GoesSomewhere(DWORD which) {
  const HANDLE handle = GetStdHandle(which);
  return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

// The console as the program found it: its code pages, and the modes of the screen buffers
// standard output and error lead to.
struct FoundConsole {
  std::mutex lock;
  bool taken = false;
  UINT output_code_page = 0;
  UINT input_code_page = 0;
  struct Mode {
    HANDLE handle = nullptr;
    DWORD mode = 0;
  };
  Mode modes[2];
};
FoundConsole& Found() {
  static FoundConsole found;
  return found;
}

void NoteConsole() {
  FoundConsole& found = Found();
  const std::lock_guard<std::mutex> lock(found.lock);
  found.output_code_page = GetConsoleOutputCP();
  found.input_code_page = GetConsoleCP();
  int i = 0;
  for (const DWORD which : {STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
    const HANDLE handle = GetStdHandle(which);
    DWORD mode = 0;
    if (GetConsoleMode(handle, &mode)) found.modes[i++] = {handle, mode};
  }
  found.taken = true;
}

HANDLE ConsoleOf(std::FILE* stream) {
  const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  DWORD mode = 0;
  return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) ? handle : nullptr;
}

}  // namespace

bool UseStartingConsole() {
  // Output sent to a file or a pipe stays there; only a window program started from a console
  // has none and takes its parent's.
  if (!GoesSomewhere(STD_OUTPUT_HANDLE) && AttachConsole(ATTACH_PARENT_PROCESS)) {
    (void)std::freopen("CONOUT$", "w", stdout);
    if (!GoesSomewhere(STD_ERROR_HANDLE)) (void)std::freopen("CONOUT$", "w", stderr);
  }
  // A program without a console has no code page to give back.
  if (GetConsoleOutputCP() != 0) {
    NoteConsole();
    std::atexit(RestoreConsole);
    // For text that reaches the console as bytes; what the tool writes goes as wide text.
    SetConsoleOutputCP(CP_UTF8);
    SetConsoleCP(CP_UTF8);
  }
  for (std::FILE* stream : {stdin, stdout, stderr}) (void)_setmode(_fileno(stream), _O_BINARY);
  return GoesSomewhere(STD_OUTPUT_HANDLE);
}

void RestoreConsole() {
  FoundConsole& found = Found();
  const std::lock_guard<std::mutex> lock(found.lock);
  if (!found.taken) return;
  if (found.output_code_page != 0) SetConsoleOutputCP(found.output_code_page);
  if (found.input_code_page != 0) SetConsoleCP(found.input_code_page);
  for (const FoundConsole::Mode& mode : found.modes)
    if (mode.handle) SetConsoleMode(mode.handle, mode.mode);
}

bool StandardErrorIsTerminal() {
  // _isatty says yes to NUL too; only a console has a console mode.
  const HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
  DWORD mode = 0;
  if (!GetConsoleMode(handle, &mode)) return false;
  return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) ||
         SetConsoleMode(handle, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

bool WriteText(std::FILE* stream, std::string_view text) {
  const HANDLE console = ConsoleOf(stream);
  if (!console) return std::fwrite(text.data(), 1, text.size(), stream) == text.size();
  // What went before through the stream comes first.
  std::fflush(stream);
  const std::wstring wide = WideFromUtf8(text);
  // In pieces a console surely takes, never between the two halves of a surrogate pair.
  constexpr std::size_t kPiece = 8192;
  for (std::size_t at = 0; at < wide.size();) {
    std::size_t n = std::min(kPiece, wide.size() - at);
    if (at + n < wide.size() && IS_HIGH_SURROGATE(wide[at + n - 1])) --n;
    DWORD written = 0;
    if (!WriteConsoleW(console, wide.data() + at, static_cast<DWORD>(n), &written, nullptr) ||
        written == 0)
      return false;
    at += written;
  }
  return true;
}

}  // namespace zotpx
