#include <iostream>

#include "screen_program.h"

namespace zotpx::sim {

int ExecScreenProgram(char**) {
  std::cerr << "zotpx-sim: --screen: the screen window is not in the Windows build; --screen-png "
               "FILE shows the screen as a picture\n";
  return 1;
}

}  // namespace zotpx::sim
