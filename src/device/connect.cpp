#include "device/connect.h"

#include <algorithm>
#include <iterator>

#include "base/attributes.h"
#include "serial/frame.h"
#include "serial/port.h"

namespace zotpx {

namespace {

// The first rate whose probe is answered by exactly 0xA5 within one read period, or -1 (also
// when the reporter asks to stop). A rate that cannot be set, or answers with anything else, is
// simply passed over.
int ScanRates(Reporter& reporter) {
  for (int i = 0; i < static_cast<int>(std::size(kBaudRateList)); ++i) {
    if (reporter.StopRequested()) return -1;
    if (!SetPortBaud(kBaudRateList[i])) continue;
    if (PortWrite(&kProbeByte, 1) != 1) continue;
    std::uint8_t answer = 0;
    if (PortRead(&answer, 1) == 1 && answer == kProbeAnswer) return i;
  }
  return -1;
}

// The identification is not a frame: take bytes until a read period passes in silence.
std::size_t CollectReply(std::uint8_t* buffer) {
  std::size_t count = 0;
  while (count < kIdentifyCollectLimit && PortRead(buffer + count, 1) == 1) ++count;
  return count;
}

}  // namespace

std::optional<Identification> AcceptIdentifyReply(const std::uint8_t* reply, std::size_t count) {
  if (count < kIdentifyReplyMin || count > kIdentifyReplyMax) return std::nullopt;
  const std::size_t text_length = reply[0];
  if (text_length <= 4 || text_length >= count) return std::nullopt;

  // The model word ends at the first space, and never reaches the text's last character.
  std::size_t end = 1;
  while (end < text_length && reply[end] != ' ') ++end;
  const std::optional<DeviceModel> known =
      ModelFromName(std::string_view(reinterpret_cast<const char*>(reply + 1), end - 1));
  if (!known) return std::nullopt;
  std::size_t version_end = 1;
  while (version_end <= text_length && reply[version_end] != 0) ++version_end;
  return Identification{*known,
                        std::string(reinterpret_cast<const char*>(reply + 1), version_end - 1)};
}

namespace {

// Asked to stop before the identification request goes out (or during the scan): the port is
// closed and the status says so.
bool Stopped(Reporter& reporter, const std::string& title, ConnectResult& result) {
  if (!reporter.StopRequested()) return false;
  result.rate_index = -1;
  result.outcome = ConnectOutcome::Interrupted;
  ClosePort();
  reporter.SetStatus(title + kInterruptedText);
  return true;
}

// Inside the open port, at the rate found: the identify request and its raw reply. Leaves the
// failure text standing unless the device identifies itself; closes the port unless asked to
// keep an identified device's port open.
void Identify(Reporter& reporter, const std::string& title, ConnectResult& result, bool keep_open) {
  result.outcome = ConnectOutcome::NotIdentified;
  const Bytes request = MakeFrame(0x00, {0xFF});
  std::copy(request.begin(), request.end(), FrameBuffer);
  reporter.LogLine("【" + title + "】");
  // Every way the identification can go wrong leaves this text standing.
  reporter.SetStatus(title + kConnectFailedText);
  if (WriteFrame(FrameBuffer, request.size())) {
    const std::size_t count = CollectReply(FrameBuffer);
    if (const auto found = AcceptIdentifyReply(FrameBuffer, count)) {
      result.outcome = ConnectOutcome::Identified;
      result.model = found->model;
      result.version = found->version;
      reporter.SetStatus(title + kConnectedText);
    }
  }
  if (!keep_open || result.outcome != ConnectOutcome::Identified) ClosePort();
  reporter.LogLine("");
}

}  // namespace

ConnectResult ConnectDevice(Reporter& reporter, const std::string& title, const std::string& port,
                            bool keep_open) {
  ConnectResult result;
  if (!OpenPort(port, kBaudRateList[0])) {
    ClosePort();
    reporter.SetStatus(OpenFailureText());
    return result;
  }

  result.rate_index = ScanRates(reporter);
  if (Stopped(reporter, title, result)) return result;
  if (result.rate_index < 0) {
    result.outcome = ConnectOutcome::NoAnswer;
    ClosePort();
    reporter.SetStatus(title + kConnectFailedText);
    return result;
  }
  Identify(reporter, title, result, keep_open);
  return result;
}

ConnectResult IdentifyDevice(Reporter& reporter, const std::string& title, const Link& link,
                             bool keep_open) {
  ConnectResult result;
  if (!OpenPort(link.port, link.baud)) {
    ClosePort();
    reporter.SetStatus(OpenFailureText());
    return result;
  }
  const auto* rate = std::find(std::begin(kBaudRateList), std::end(kBaudRateList), link.baud);
  result.rate_index =
      rate == std::end(kBaudRateList) ? -1 : static_cast<int>(rate - std::begin(kBaudRateList));
  if (Stopped(reporter, title, result)) return result;
  Identify(reporter, title, result, keep_open);
  return result;
}

}  // namespace zotpx
