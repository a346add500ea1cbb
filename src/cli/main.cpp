// zotpx: the command-line face of the tool.
#include "base/console.h"
#include "cli/app.h"

int main(int argc, char** argv) {
  zotpx::UseStartingConsole();
  return zotpx::cli::RunZotpx(argc, argv);
}
