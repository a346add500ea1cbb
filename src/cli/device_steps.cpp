#include "cli/device_steps.h"

#include "base/attributes.h"
#include "command/table.h"

namespace zotpx::cli {

namespace {

// What connecting found goes into the outcome; a failure ends it with the connect's status.
bool TakeConnect(const ConnectResult& found, const StatusCapture& reporter, Outcome& outcome) {
  if (found.outcome != ConnectOutcome::Identified) {
    outcome.status = reporter.status;
    outcome.result = ConnectFailureResult(found.outcome);
    return false;
  }
  outcome.model = ModelName(static_cast<DeviceModel>(found.model));
  outcome.version = found.version;
  if (found.rate_index >= 0) outcome.baud = kBaudRateList[found.rate_index];
  return true;
}

}  // namespace

std::optional<Reached> ReachDevice(const Session& session, StatusCapture& reporter,
                                   Outcome& outcome) {
  if (session.baud) {
    outcome.baud = *session.baud;
    return Reached{{session.port, *session.baud}, session.model};
  }
  const ConnectResult found = ConnectDevice(reporter, kConnectTitle, session.port);
  if (!TakeConnect(found, reporter, outcome)) return std::nullopt;
  return Reached{{session.port, kBaudRateList[found.rate_index]},
                 static_cast<DeviceModel>(found.model)};
}

std::optional<ConnectResult> IdentifyForDownload(const Session& session, StatusCapture& reporter,
                                                 Outcome& outcome) {
  const ConnectResult found =
      session.baud ? IdentifyDevice(reporter, kConnectTitle, {session.port, *session.baud}, true)
                   : ConnectDevice(reporter, kConnectTitle, session.port, true);
  if (!TakeConnect(found, reporter, outcome)) return std::nullopt;
  if (session.baud) outcome.baud = *session.baud;
  return found;
}

void Refuse(Outcome& outcome, const std::string& status, const char* result) {
  outcome.result = result;
  outcome.status = status;
}

const char* ConnectFailureResult(ConnectOutcome outcome) {
  switch (outcome) {
    case ConnectOutcome::OpenFailed:
      return kResultPortFailed;
    case ConnectOutcome::Interrupted:
      return kResultInterrupted;
    default:
      return kResultNoDevice;
  }
}

void SetTxResult(Outcome& outcome, TxResult result, const std::string& status) {
  outcome.status = status;
  switch (result) {
    case TxResult::Ok:
      outcome.result = kResultOk;
      break;
    case TxResult::OpenFailed:
      outcome.result = kResultPortFailed;
      break;
    case TxResult::Interrupted:
      outcome.result = kResultInterrupted;
      break;
    default:
      outcome.result = kResultNoReply;
      break;
  }
}

void SetTransferResult(Outcome& outcome, TransferResult result, const std::string& status) {
  outcome.status = status;
  switch (result) {
    case TransferResult::Done:
      outcome.result = kResultOk;
      break;
    case TransferResult::OpenFailed:
      outcome.result = kResultPortFailed;
      break;
    case TransferResult::EraseFailed:
      outcome.result = kResultEraseFailed;
      break;
    case TransferResult::WriteFailed:
      outcome.result = kResultWriteFailed;
      break;
    case TransferResult::Interrupted:
      outcome.result = kResultInterrupted;
      break;
  }
}

}  // namespace zotpx::cli
