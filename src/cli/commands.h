// Running one command of the command line (or of a layout file) against one port: the same
// checks, frames, transaction and transfer as the window's buttons, with the window's texts.
//
//   const CommandDef& rect = *FindCommand("rect");
//   FillResult filled = FillValues(rect, {{"left", "10"}, {"filled", "true"}});
//   Outcome outcome = RunOnPort(rect, filled.values, {"/dev/ttyUSB0", 115200}, reporter);
#pragma once

#include <cstddef>
#include <nlohmann/json.hpp>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/file_save.h"
#include "cli/options.h"
#include "serial/reporter.h"
#include "serial/transaction.h"

namespace zotpx::cli {

// Where the device is: the port as given ("COMn" or a path) and the rate, or nothing for
// "auto": the connect scan finds it first, and the model with it.
struct Session {
  std::string port = "COM1";
  std::optional<int> baud;
  DeviceModel model = DeviceModel::Unknown;  // as an earlier scan of this invocation found it
};

// Stable result codes for scripts.
inline constexpr const char* kResultOk = "ok";
inline constexpr const char* kResultRefused = "refused";
inline constexpr const char* kResultPortFailed = "port-failed";
inline constexpr const char* kResultNoDevice = "no-device";
inline constexpr const char* kResultNoReply = "no-reply";
inline constexpr const char* kResultEraseFailed = "erase-failed";
inline constexpr const char* kResultWriteFailed = "write-failed";
inline constexpr const char* kResultFileFailed = "file-failed";
inline constexpr const char* kResultInterrupted = "interrupted";  // the user stopped it

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitDevice = 1;   // the device failed or was not found
inline constexpr int kExitRefused = 2;  // usage error, or values or a file refused: no command sent
inline constexpr int kExitPort = 3;     // the port could not be opened
// The command did its work, but what it had to say was lost: standard output could not be
// written, or a --log or --log-dir file (the record a production line keeps).
inline constexpr int kExitRecordLost = 4;

struct Outcome {
  std::string port;     // as given; empty for commands without a device
  std::string command;  // the command's path, "download font"
  std::string result = kResultOk;
  std::string status;                // the window's status text
  std::vector<std::string> details;  // further lines: identification, a reply, a port list
  std::optional<std::string> model;
  std::optional<std::string> version;
  std::optional<int> baud;
  std::optional<std::size_t> bytes;
  double seconds = 0;
  // What the command adds to its JSON object: the ports listed, how far a layout got.
  nlohmann::json fields = nlohmann::json::object();
  // The communication logs that could not be written in full, and why; empty when all were.
  std::string log_error;
};

// A frame command's frames once its values passed the row's check, or the refusal that stops
// it (the title and the window's message).
struct Prepared {
  std::optional<std::string> refusal;
  const char* result = kResultRefused;
  FrameBuilder build;
};
Prepared PrepareFrames(const CommandDef& command, const CommandValues& values);

int ExitStatusOf(const std::string& result);
// Several outcomes: the worst exit status among them.
int WorstExitStatus(const std::vector<Outcome>& outcomes);

// Checks the values first (nothing is opened when they are refused), then reaches the device
// as `session` says and runs the command as its button would.
Outcome RunOnPort(const CommandDef& command, const CommandValues& values, const Session& session,
                  Reporter& reporter);

// Commands without a device: ports, cross-file, static.
Outcome RunLocal(const CommandDef& command, const CommandValues& values);

// The files a command writes, all whole or none (WriteWholeFiles), none of them one of the
// files it read (`inputs`, links followed): "-" is standard output, written once the files
// are in place. The failure after `message` ("…（磁盘空间不足）: PATH"), or nothing.
inline constexpr const char* kStandardOutput = "-";
std::optional<std::string> WriteOutputs(const std::vector<FileToSave>& outputs,
                                        const std::vector<std::string>& inputs,
                                        const std::string& message);
// True when the command's output file is standard output, so its messages go elsewhere.
bool WritesToStandardOutput(const CommandValues& values);

}  // namespace zotpx::cli
