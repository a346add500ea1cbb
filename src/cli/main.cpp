// zotpx: the command-line face of the tool.
#include "cli/app.h"

int main(int argc, char** argv) {
  return zotpx::cli::RunZotpx(argc, argv);
}
