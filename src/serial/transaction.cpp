#include "serial/transaction.h"

#include <algorithm>

#include "base/texts.h"
#include "serial/memory_transfer.h"
#include "serial/port_failure.h"

namespace zotpx {

namespace {

// Whatever comes back, taken as it comes until the line falls silent: the first byte within
// the reply time-out, each next one within the time-out between bytes.
std::size_t ReadWhateverComes(Port& port, std::uint8_t* buffer, std::size_t limit,
                              ReplyTimeouts timeouts, SteadyTime& first_byte) {
  std::size_t count = 0;
  for (int left = ReadPeriods(timeouts.first_byte_ms); count < limit && left > 0;) {
    if (port.Read(buffer + count, 1) == 1) {
      if (count == 0) first_byte = SteadyClock::now();
      ++count;
      left = ReadPeriods(timeouts.inter_byte_ms);
    } else {
      --left;
    }
  }
  return count;
}

// A moment of the steady clock on the wall clock, for the log.
std::chrono::system_clock::time_point WallTimeOf(SteadyTime at) {
  return std::chrono::system_clock::now() -
         std::chrono::duration_cast<std::chrono::system_clock::duration>(SteadyClock::now() - at);
}

}  // namespace

std::string LineLostCause(Port& port) {
  return port.LineLost() ? Fill("serial.cause", {PortFailureCause(port.LastFailure())}) : "";
}

TxResult ExchangeFrame(Port& port, Reporter& reporter, const Bytes& frame, Bytes* sent_frame,
                       ReplyRule reply, Bytes* received) {
  std::uint8_t* const buffer = port.FrameBuffer;
  std::copy(frame.begin(), frame.end(), buffer);
  const bool written = reply == ReplyRule::Raw ? port.Write(buffer, frame.size()) == frame.size()
                                               : WriteFrame(port, buffer, frame.size());
  if (!written) return TxResult::SendFailed;
  // The reply is read over the request, so the request is logged first.
  reporter.LogBytes(std::string(Text("serial.log_sent")), frame.size(), buffer);
  // With the checksum WriteFrame put in, before the reply overwrites it.
  const Bytes sent(buffer, buffer + frame.size());
  // A memory erase sent on its own is given the erase's time, as in a transfer.
  const ReplyTimeouts timeouts = ReplyTimeoutsFor(sent);
  SteadyTime first_byte = SteadyClock::now();
  const std::size_t got =
      reply == ReplyRule::Raw
          ? ReadWhateverComes(port, buffer, kReadFrameByteLimit, timeouts, first_byte)
          : ReadFrame(port, buffer, timeouts.first_byte_ms, timeouts.inter_byte_ms, &first_byte);
  if (got == 0 || (reply == ReplyRule::Echo && (got != 6 || buffer[2] != sent[2])))
    return TxResult::ReceiveFailed;
  reporter.LogBytesAt(std::string(Text("serial.log_received")), got, buffer,
                      WallTimeOf(first_byte));
  if (sent_frame) *sent_frame = sent;
  if (received) received->assign(buffer, buffer + got);
  return TxResult::Ok;
}

TxResult RunCommandFrames(Port& port, Reporter& reporter, const std::string& title,
                          const Link& link, const FrameBuilder& build, const TxOptions& options) {
  if (!port.Open(link.port, link.baud)) {
    port.Close();
    reporter.SetStatus(port.OpenFailureText());
    return TxResult::OpenFailed;
  }
  const std::vector<Bytes> frames = build();
  reporter.LogLine("【" + title + "】");
  TxResult result = TxResult::Ok;
  std::vector<Bytes> sent(frames.size());
  for (std::size_t i = 0; i < frames.size() && result == TxResult::Ok; ++i)
    result = reporter.StopRequested() ? TxResult::Interrupted
                                      : ExchangeFrame(port, reporter, frames[i], &sent[i],
                                                      options.reply, options.last_reply);
  if (result == TxResult::Ok && options.reply == ReplyRule::Echo)
    reporter.CommandAcknowledged(sent);
  switch (result) {
    case TxResult::Ok:
      reporter.SetStatus(title + kSuccessText);
      break;
    case TxResult::Interrupted:
      reporter.LogLine(kInterruptedLogLine);
      reporter.SetStatus(title + kInterruptedText);
      break;
    default: {
      const std::string lost = LineLostCause(port);
      reporter.SetStatus(
          title + (result == TxResult::SendFailed ? kSendFailedText : kReceiveFailedText) + lost);
      if (!lost.empty()) result = TxResult::LineLost;
      break;
    }
  }
  port.Close();
  reporter.LogLine("");
  return result;
}

}  // namespace zotpx
