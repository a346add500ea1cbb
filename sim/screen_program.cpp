#include "screen_program.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>

namespace zotpx::sim {

int ExecScreenProgram(char** argv) {
  constexpr const char* kProgram = "zotpx-sim-screen";
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error) {
    // ZOTPX_SIM_SCREEN_DIR is relative to the installed zotpx-sim, so the pair can be moved.
    const std::filesystem::path folder = self.parent_path();
    for (const std::filesystem::path& program :
         {folder / kProgram, (folder / ZOTPX_SIM_SCREEN_DIR / kProgram).lexically_normal()}) {
      if (access(program.c_str(), X_OK) != 0) continue;
      std::string name = program.string();
      argv[0] = name.data();
      execv(name.c_str(), argv);
      std::cerr << "zotpx-sim: --screen: cannot start " << name << ": " << std::strerror(errno)
                << "\n";
      return 1;
    }
  }
  std::cerr << "zotpx-sim: --screen: the screen window (" << kProgram
            << ") is not installed; it comes with the zotpx-manager package. --screen-png FILE "
               "shows the screen as a picture\n";
  return 1;
}

}  // namespace zotpx::sim
