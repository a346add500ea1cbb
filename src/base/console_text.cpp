// PrintText on every system: the formatting is the C library's, the writing WriteText's.
#include <cstdarg>
#include <string>

#include "base/console.h"

namespace zotpx {

bool PrintText(std::FILE* stream, const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  std::va_list again;
  va_copy(again, args);
  const int size = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  std::string text(size > 0 ? static_cast<std::size_t>(size) : 0, '\0');
  if (size > 0) std::vsnprintf(text.data(), text.size() + 1, format, again);
  va_end(again);
  return size >= 0 && WriteText(stream, text);
}

}  // namespace zotpx
