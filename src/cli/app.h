// The zotpx program: the command line parsed with CLI11 from the command table, the command
// run on one port or, with several, in station mode, and the results printed.
#pragma once

#include <string>
#include <variant>
#include <vector>

#include "cli/options.h"

namespace zotpx::cli {

// The options that go with every command, before or after it.
struct Globals {
  std::vector<std::string> ports;
  std::string baud = "auto";
  std::string log;
  std::string log_dir;
  bool trace = false;
  bool log_time = false;
  bool json = false;
  bool quiet = false;
};

// What a command line asks for: the command and its values, the global options.
struct Invocation {
  const CommandDef* command = nullptr;
  CommandValues values;
  Globals globals;
};

// The command line parsed and the command's words set; or the exit status when it ends here
// (help, the version, a usage error: said on standard output or error).
std::variant<Invocation, int> ParseCommandLine(int argc, const char* const* argv);

// Returns the exit status (kExitOk ... kExitPort).
int RunZotpx(int argc, char** argv);

}  // namespace zotpx::cli
