#include "base/file_names.h"

namespace zotpx {

std::string UsableFileName(const std::string& file_name) {
  if (!IsWindowsDeviceName(file_name)) return file_name;
  const std::size_t dot = file_name.find('.');
  return dot == std::string::npos ? file_name + "_"
                                  : file_name.substr(0, dot) + "_" + file_name.substr(dot);
}

}  // namespace zotpx
