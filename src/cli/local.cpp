// Commands without a device: listing the ports and the two file conversions.

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/file_save.h"
#include "base/texts.h"
#include "cli/commands.h"
#include "cli/device_steps.h"
#include "cli/layout_commands.h"
#include "cli/ports.h"
#include "crosshair/cross_file.h"
#include "graphics/bitmap_decode.h"
#include "serial/memory_transfer.h"
#include "serial/port.h"
#include "text/static_download.h"
#include "text/static_file.h"

namespace zotpx::cli {

namespace {

// The window's "User.cfg" image from a static command text, written where the user says.
void MakeStaticImage(const CommandDef& command, const CommandValues& values, Outcome& outcome) {
  const std::string& title = command.title;
  const StaticImage built = ReadStaticImage(values.file);
  if (built.failure) return Refuse(outcome, title + *built.failure, kResultFileFailed);
  if (const std::optional<std::string> failed = WriteOutputs(
          {{values.output, built.image}}, {values.file}, title + kStaticSaveFailedText))
    return Refuse(outcome, *failed, kResultFileFailed);
  outcome.status = kStaticGeneratedLogLine;
  outcome.bytes = built.image.size();
  outcome.details.push_back(std::to_string(built.records) + " records -> " + values.output);
}

// The crosshair file from shape bitmaps given all at once, checked as the add button checks
// each, then built as the generate button builds it.
void MakeCrossFile(const CommandDef& command, const CommandValues& values, Outcome& outcome) {
  const std::string& title = command.title;
  const std::size_t comma = values.origin.find(',');
  const std::string x = values.origin.substr(0, comma);
  const std::string y =
      comma == std::string::npos ? std::string() : values.origin.substr(comma + 1);
  const CrossFileBuild built = BuildCrossFile(values.files, x, y, CrossShapeList::Given);
  if (built.undecodable)
    return Refuse(outcome, std::string(kBitmapCannotDecodeText) + values.files[*built.failed_shape],
                  kResultFileFailed);
  if (built.failure) return Refuse(outcome, title + *built.failure, kResultFileFailed);
  if (const std::optional<std::string> failed =
          WriteOutputs({{values.output, built.image}}, values.files, title + kCrossSaveFailedText))
    return Refuse(outcome, *failed, kResultFileFailed);
  outcome.status = Fill("cli.title_succeeded", {title});
  outcome.bytes = built.image.size();
  outcome.details.push_back(std::to_string(values.files.size()) + " shapes -> " + values.output);
}

}  // namespace

std::optional<std::string> WriteOutputs(const std::vector<FileToSave>& outputs,
                                        const std::vector<std::string>& inputs,
                                        const std::string& message) {
  std::vector<FileToSave> files;
  const FileToSave* to_standard_output = nullptr;
  for (const FileToSave& output : outputs) {
    if (output.path == kStandardOutput)
      to_standard_output = &output;
    else
      files.push_back(output);
  }
  std::vector<std::string> read;
  for (const std::string& input : inputs)
    if (!input.empty() && input != kStandardOutput) read.push_back(input);
  if (const SaveResult saved = WriteWholeFiles(files, read); !saved)
    return SaveFailureText(message, saved.problem) + ": " + files[saved.file].path;
  if (!to_standard_output) return std::nullopt;
  const std::span<const std::uint8_t> bytes = to_standard_output->bytes;
  if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() &&
      std::fflush(stdout) == 0)
    return std::nullopt;
  return SaveFailureText(message, SaveProblem::Failed) + ": standard output (" +
         std::strerror(errno) + ")";
}

bool WritesToStandardOutput(const CommandValues& values) {
  return values.output == kStandardOutput || values.image == kStandardOutput;
}

Outcome RunLocal(const CommandDef& command, const CommandValues& values) {
  Outcome outcome;
  outcome.command = command.path;
  if (values.output == kStandardOutput && values.image == kStandardOutput) {
    Refuse(outcome, command.path + ": -o - and --image - cannot both go to standard output");
    return outcome;
  }
  if (std::optional<Outcome> layout = RunLayoutLocal(command, values)) return *layout;
  switch (command.id) {
    case CommandId::Ports:
      ListPorts(values.urls, outcome);
      break;
    case CommandId::Static:
      MakeStaticImage(command, values, outcome);
      break;
    case CommandId::CrossFile:
      MakeCrossFile(command, values, outcome);
      break;
    default:
      Refuse(outcome, command.path + ": not available in this build");
      break;
  }
  return outcome;
}

}  // namespace zotpx::cli
