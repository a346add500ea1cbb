#include "cli/commands.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "base/hex.h"
#include "cli/device_steps.h"
#include "cli/downloads.h"
#include "cli/layout_commands.h"
#include "command/codec.h"

namespace zotpx::cli {

namespace {

using Clock = std::chrono::steady_clock;

std::string HexByte(std::uint8_t byte) {
  char text[3];
  std::snprintf(text, sizeof text, "%02X", byte);
  return text;
}

// The frame to send as the user typed it: complete when its length byte says so, the checksum
// filled in when left out and checked when given. The refusal otherwise.
std::optional<std::string> CheckTypedFrame(Bytes& frame) {
  if (frame.size() < 4 || frame[0] != 0x55 || frame[1] != 0xAA || frame[2] > 0x1F)
    return "send: not a command frame: 55 AA, command 00-1F, length N, N data bytes, checksum";
  const std::size_t length = 5u + frame[3];
  if (frame.size() == length - 1) {
    frame.push_back(FrameChecksum(frame.data(), length));
    return std::nullopt;
  }
  if (frame.size() != length)
    return "send: the length byte " + HexByte(frame[3]) + " says " + std::to_string(frame[3]) +
           " data bytes, so the frame is " + std::to_string(length) + " bytes with its checksum (" +
           std::to_string(length - 1) + " without); " + std::to_string(frame.size()) +
           " were given";
  const std::uint8_t checksum = FrameChecksum(frame.data(), length);
  if (frame.back() == checksum) return std::nullopt;
  return "send: the checksum byte " + HexByte(frame.back()) + " is wrong: this frame's is " +
         HexByte(checksum) +
         " (leave it out to have it filled in, or give --raw to send it as it is)";
}

// A frame for bring-up: the core's transaction, taking whatever reply comes (raw, whatever
// bytes come), printed as it came.
void RunSend(const CommandDef& command, const CommandValues& values, const Session& session,
             StatusCapture& reporter, Outcome& outcome) {
  Bytes frame;
  for (const std::string& token : values.hex) {
    if (!IsHexBytes(token)) {
      frame.clear();
      break;
    }
    const Bytes bytes = HexPairs(token);
    frame.insert(frame.end(), bytes.begin(), bytes.end());
  }
  if (frame.empty() || frame.size() > kReadFrameByteLimit)
    return Refuse(outcome, "send: the bytes in hex (55 AA 10 ... or 55AA10...), 1 to " +
                               std::to_string(kReadFrameByteLimit) + " of them");
  if (!values.raw)
    if (const std::optional<std::string> refusal = CheckTypedFrame(frame))
      return Refuse(outcome, *refusal);
  const std::optional<Reached> reached = ReachDevice(session, reporter, outcome);
  if (!reached) return;
  Bytes reply;
  const TxResult result = RunCommandFrames(
      reporter, command.title, reached->link, [&frame] { return std::vector<Bytes>{frame}; },
      {values.raw ? ReplyRule::Raw : ReplyRule::AnyFrame, &reply});
  if (result == TxResult::Ok)
    outcome.details.push_back(FormatLogLine("", reply.size(), reply.data()));
  SetTxResult(outcome, result, reporter.status);
}

// With a rate given, the identification alone at that rate, as every command takes it.
void RunConnect(const CommandDef& command, const Session& session, StatusCapture& reporter,
                Outcome& outcome) {
  const ConnectResult found =
      session.baud ? IdentifyDevice(reporter, command.title, {session.port, *session.baud})
                   : ConnectDevice(reporter, command.title, session.port);
  outcome.status = reporter.status;
  if (found.outcome != ConnectOutcome::Identified) {
    outcome.result = ConnectFailureResult(found.outcome);
    return;
  }
  outcome.model = ModelName(static_cast<DeviceModel>(found.model));
  outcome.version = found.version;
  outcome.baud = session.baud ? *session.baud : kBaudRateList[found.rate_index];
  outcome.details.push_back(*outcome.model + "  " + *outcome.version + "  " +
                            std::to_string(*outcome.baud));
}

void RunFrames(const CommandDef& command, const CommandValues& values, const Session& session,
               StatusCapture& reporter, Outcome& outcome) {
  const Prepared prepared = PrepareFrames(command, values);
  if (!prepared.build) return Refuse(outcome, *prepared.refusal, prepared.result);
  const std::optional<Reached> reached = ReachDevice(session, reporter, outcome);
  if (!reached) return;
  if (const std::optional<std::string> refusal = RefuseForModel(*command.row, reached->model))
    return Refuse(outcome, *refusal);
  const TxResult result = RunCommandFrames(reporter, command.title, reached->link, prepared.build);
  SetTxResult(outcome, result, reporter.status);
}

}  // namespace

Prepared PrepareFrames(const CommandDef& command, const CommandValues& values) {
  Prepared p;
  if (values.refused) {
    p.refusal = command.title + values.refused->message;
    if (values.refused->kind == WordRefusal::Kind::File) p.result = kResultFileFailed;
    return p;
  }
  const Values& fields = *values.fields;
  if (command.row->check)
    if (std::optional<std::string> failure = command.row->check(fields)) {
      p.refusal = command.title + *failure;
      return p;
    }
  p.build = [fields] { return BuildFrames(fields); };
  return p;
}

int ExitStatusOf(const std::string& result) {
  if (result == kResultOk) return kExitOk;
  if (result == kResultRefused || result == kResultFileFailed) return kExitRefused;
  if (result == kResultPortFailed) return kExitPort;
  return kExitDevice;
}

int WorstExitStatus(const std::vector<Outcome>& outcomes) {
  int worst = kExitOk;
  for (const Outcome& outcome : outcomes) worst = std::max(worst, ExitStatusOf(outcome.result));
  return worst;
}

Outcome RunOnPort(const CommandDef& command, const CommandValues& values, const Session& session,
                  Reporter& sink) {
  if (command.id == CommandId::Apply) return RunApply(command, values, session, sink);
  Outcome outcome;
  outcome.port = session.port;
  outcome.command = command.path;
  StatusCapture reporter(sink);
  const auto started = Clock::now();
  if (command.use == CommandUse::Download)
    RunDownload(command, values, session, reporter, outcome);
  else if (command.id == CommandId::Send)
    RunSend(command, values, session, reporter, outcome);
  else if (command.id == CommandId::Connect)
    RunConnect(command, session, reporter, outcome);
  else
    RunFrames(command, values, session, reporter, outcome);
  outcome.seconds = std::chrono::duration<double>(Clock::now() - started).count();
  return outcome;
}

}  // namespace zotpx::cli
