#include "serial/transaction.h"

#include <algorithm>

#include "serial/port.h"

namespace zotpx {

TxResult ExchangeFrame(Reporter& reporter, const Bytes& frame, Bytes* sent_frame) {
  std::copy(frame.begin(), frame.end(), FrameBuffer);
  if (!WriteFrame(FrameBuffer, frame.size())) return TxResult::SendFailed;
  // The reply is read over the request, so the request is logged first.
  reporter.LogBytes("发送：", frame.size(), FrameBuffer);
  // With the checksum WriteFrame put in, before the reply overwrites it.
  const Bytes sent(FrameBuffer, FrameBuffer + frame.size());
  const std::size_t got = ReadFrame(FrameBuffer, 1000, 500);
  if (got != 6 || FrameBuffer[2] != sent[2]) return TxResult::ReceiveFailed;
  reporter.LogBytes("接收：", static_cast<std::size_t>(FrameBuffer[3]) + 5, FrameBuffer);
  if (sent_frame) *sent_frame = sent;
  return TxResult::Ok;
}

TxResult RunCommandFrames(Reporter& reporter, const std::string& title, const Link& link,
                          const FrameBuilder& build) {
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
    result = reporter.StopRequested() ? TxResult::Interrupted
                                      : ExchangeFrame(reporter, frames[i], &sent[i]);
  if (result == TxResult::Ok) reporter.CommandAcknowledged(sent);
  switch (result) {
    case TxResult::Ok: reporter.SetStatus(title + kSuccessText); break;
    case TxResult::SendFailed: reporter.SetStatus(title + kSendFailedText); break;
    case TxResult::Interrupted:
      reporter.LogLine(kInterruptedLogLine);
      reporter.SetStatus(title + kInterruptedText);
      break;
    default: reporter.SetStatus(title + kReceiveFailedText); break;
  }
  ClosePort();
  reporter.LogLine("");
  return result;
}

TxResult RunCommand(Reporter& reporter, const std::string& title, const Link& link,
                    const std::function<Bytes()>& build) {
  return RunCommandFrames(reporter, title, link, [&] { return std::vector<Bytes>{build()}; });
}

}  // namespace zotpx
