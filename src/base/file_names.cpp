#include "base/file_names.h"

namespace zotpx {

// Any name but "/" and NUL-free is a file's on Linux.
std::string UsableFileName(const std::string& file_name) {
  return file_name;
}

}  // namespace zotpx
