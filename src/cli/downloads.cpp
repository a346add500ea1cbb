#include "cli/downloads.h"

#include "base/device_model.h"
#include "command/model_check.h"
#include "crosshair/cross_download.h"
#include "layout/layout_reader.h"
#include "serial/port.h"
#include "text/font_library.h"
#include "text/static_download.h"
#include "text/static_file.h"

namespace zotpx::cli {

namespace {

// Inside the port the identification left open: no second opening, no second wait for the line
// to fall quiet.
void Transfer(StatusCapture& reporter, Outcome& outcome, const TransferPlan& plan,
              TransferData& data) {
  reporter.bytes_done = 0;
  const TransferResult result = RunMemoryTransfer(reporter, plan, data);
  // What the device acknowledged, which is the whole only when all went well.
  outcome.bytes = reporter.bytes_done;
  // The static download leaves its announcement on the status line whatever happens; its
  // outcome is the last phase line of its log block.
  const std::string status = plan.report_result || result == TransferResult::OpenFailed ||
                                     result == TransferResult::Interrupted
                                 ? reporter.status
                                 : reporter.last_line;
  SetTransferResult(outcome, result, status);
}

void RunFontDownload(const std::string& title, const CommandValues& values, const Session& session,
                     StatusCapture& reporter, Outcome& outcome) {
  // A file refused alike on every model is told before the device is touched; otherwise the
  // model decides, as in the window, once the device has identified itself.
  const FontFile large = OpenFontFile(values.file, DeviceModel::PA);
  const FontFile small = OpenFontFile(values.file, DeviceModel::PB);
  if (large.failure && small.failure && *large.failure == *small.failure)
    return Refuse(outcome, title + *large.failure, kResultFileFailed);

  const std::optional<ConnectResult> found = IdentifyForDownload(session, reporter, outcome);
  if (!found) return;
  if (auto failure = CheckFontRequest(found->model, found->rate_index))
    return Refuse(outcome, title + *failure);
  FontFile font = OpenFontFile(values.file, found->model);
  if (font.failure) return Refuse(outcome, title + *font.failure, kResultFileFailed);
  Transfer(reporter, outcome, FontTransferPlan(title, font.file->size()), *font.file);
}

void RunStaticDownload(const std::string& title, const CommandValues& values,
                       const Session& session, StatusCapture& reporter, Outcome& outcome) {
  const StaticImage built = ReadStaticSource(values.file);
  if (built.failure) return Refuse(outcome, title + *built.failure, kResultFileFailed);

  const std::optional<ConnectResult> found = IdentifyForDownload(session, reporter, outcome);
  if (!found) return;
  if (auto failure = CheckStaticRequest(found->model)) return Refuse(outcome, title + *failure);
  // Stored, a command the model lacks would be run at every power-on: refused as apply refuses
  // it, before anything is erased.
  if (const std::optional<ForeignCommand> foreign = FindForeignCommand(built, found->model))
    return Refuse(outcome, values.file + ":" + std::to_string(foreign->line) + ": " +
                               *RefuseForModel(*foreign->row, found->model));
  // The window logs the image's making before the download; "User.cfg" itself is written only
  // by the static command, where the user names it.
  reporter.LogLine(kStaticGeneratedLogLine);
  reporter.LogLine("");
  MemoryData data(built.image);
  Transfer(reporter, outcome, StaticTransferPlan(title), data);
}

void RunCrossDownload(const std::string& title, const CommandValues& values, const Session& session,
                      StatusCapture& reporter, Outcome& outcome) {
  const CrossDownloadFile file = ReadCrossDownloadFile(values.file);
  if (file.failure) return Refuse(outcome, title + *file.failure, kResultFileFailed);

  const std::optional<ConnectResult> found = IdentifyForDownload(session, reporter, outcome);
  if (!found) return;
  if (auto failure = CheckCrossDownloadRequest(found->model, found->rate_index))
    return Refuse(outcome, title + *failure);
  MemoryData data(CrossDownloadPart(file.bytes));
  Transfer(reporter, outcome, CrossTransferPlan(title), data);
}

}  // namespace

void RunDownload(const CommandDef& command, const CommandValues& values, const Session& session,
                 StatusCapture& reporter, Outcome& outcome) {
  switch (command.id) {
    case CommandId::DownloadFont:
      RunFontDownload(command.title, values, session, reporter, outcome);
      break;
    case CommandId::DownloadStatic:
      RunStaticDownload(command.title, values, session, reporter, outcome);
      break;
    default:
      RunCrossDownload(command.title, values, session, reporter, outcome);
      break;
  }
  // A refusal after the identification leaves its port open; the transfer closes its own.
  ClosePort();
}

}  // namespace zotpx::cli
