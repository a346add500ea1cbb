// zotpx: the command-line face of the tool.
#include <string>
#include <vector>

#include "base/console.h"
#include "base/program_arguments.h"
#include "cli/app.h"

int main(int argc, char** argv) {
  zotpx::UseStartingConsole();
  std::vector<std::string> arguments = zotpx::ProgramArguments(argc, argv);
  std::vector<char*> pointers;
  for (std::string& argument : arguments) pointers.push_back(argument.data());
  pointers.push_back(nullptr);
  return zotpx::cli::RunZotpx(static_cast<int>(arguments.size()), pointers.data());
}
