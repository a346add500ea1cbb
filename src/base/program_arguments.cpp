#include "base/program_arguments.h"

namespace zotpx {

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

}  // namespace zotpx
