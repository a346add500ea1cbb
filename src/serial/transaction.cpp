#include "serial/transaction.h"

#include <algorithm>

#include "serial/memory_transfer.h"
#include "serial/port.h"

namespace zotpx {

namespace {

// Whatever comes back, taken as it comes until the line falls silent: the first byte within
// the reply time-out, each next one within the time-out between bytes.
std::size_t ReadWhateverComes(std::uint8_t* buffer, std::size_t limit, ReplyTimeouts timeouts,
                              SteadyTime& first_byte) {
  std::size_t count = 0;
  for (int left = ReadPeriods(timeouts.first_byte_ms); count < limit && left > 0;) {
    if (PortRead(buffer + count, 1) == 1) {
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

TxResult ExchangeFrame(Reporter& reporter, const Bytes& frame, Bytes* sent_frame, ReplyRule reply,
                       Bytes* received) {
  std::copy(frame.begin(), frame.end(), FrameBuffer);
  const bool written = reply == ReplyRule::Raw
                           ? PortWrite(FrameBuffer, frame.size()) == frame.size()
                           : WriteFrame(FrameBuffer, frame.size());
  if (!written) return TxResult::SendFailed;
  // The reply is read over the request, so the request is logged first.
  reporter.LogBytes("发送：", frame.size(), FrameBuffer);
  // With the checksum WriteFrame put in, before the reply overwrites it.
  const Bytes sent(FrameBuffer, FrameBuffer + frame.size());
  // A memory erase sent on its own is given the erase's time, as in a transfer.
  const ReplyTimeouts timeouts = ReplyTimeoutsFor(sent);
  SteadyTime first_byte = SteadyClock::now();
  const std::size_t got =
      reply == ReplyRule::Raw
          ? ReadWhateverComes(FrameBuffer, kReadFrameByteLimit, timeouts, first_byte)
          : ReadFrame(FrameBuffer, timeouts.first_byte_ms, timeouts.inter_byte_ms, &first_byte);
  if (got == 0 || (reply == ReplyRule::Echo && (got != 6 || FrameBuffer[2] != sent[2])))
    return TxResult::ReceiveFailed;
  reporter.LogBytesAt("接收：", got, FrameBuffer, WallTimeOf(first_byte));
  if (sent_frame) *sent_frame = sent;
  if (received) received->assign(FrameBuffer, FrameBuffer + got);
  return TxResult::Ok;
}

TxResult RunCommandFrames(Reporter& reporter, const std::string& title, const Link& link,
                          const FrameBuilder& build, const TxOptions& options) {
  if (!OpenPort(link.port, link.baud)) {
    ClosePort();
    reporter.SetStatus(OpenFailureText());
    return TxResult::OpenFailed;
  }
  const std::vector<Bytes> frames = build();
  reporter.LogLine("【" + title + "】");
  TxResult result = TxResult::Ok;
  std::vector<Bytes> sent(frames.size());
  for (std::size_t i = 0; i < frames.size() && result == TxResult::Ok; ++i)
    result = reporter.StopRequested()
                 ? TxResult::Interrupted
                 : ExchangeFrame(reporter, frames[i], &sent[i], options.reply, options.last_reply);
  if (result == TxResult::Ok && options.reply == ReplyRule::Echo)
    reporter.CommandAcknowledged(sent);
  switch (result) {
    case TxResult::Ok:
      reporter.SetStatus(title + kSuccessText);
      break;
    case TxResult::SendFailed:
      reporter.SetStatus(title + kSendFailedText);
      break;
    case TxResult::Interrupted:
      reporter.LogLine(kInterruptedLogLine);
      reporter.SetStatus(title + kInterruptedText);
      break;
    default:
      reporter.SetStatus(title + kReceiveFailedText);
      break;
  }
  ClosePort();
  reporter.LogLine("");
  return result;
}

}  // namespace zotpx
