#include "device/connect.h"

#include <algorithm>
#include <iterator>

#include "base/attributes.h"
#include "serial/frame.h"
#include "serial/memory_transfer.h"
#include "serial/port.h"
#include "serial/port_url.h"

namespace zotpx {

namespace {

// The first rate whose probe is answered by exactly 0xA5 within one read period, or -1 (also
// when the reporter asks to stop). A rate that cannot be set, or answers with anything else, is
// simply passed over.
int ScanRates(Port& port, Reporter& reporter) {
  for (int i = 0; i < static_cast<int>(std::size(kBaudRateList)); ++i) {
    if (reporter.StopRequested()) return -1;
    if (!port.SetRate(kBaudRateList[i])) continue;
    if (port.Write(&kProbeByte, 1) != 1) continue;
    std::uint8_t answer = 0;
    if (port.Read(&answer, 1) == 1 && answer == kProbeAnswer) return i;
  }
  return -1;
}

// The identification is not a frame: take bytes until a read period passes in silence.
std::size_t CollectReply(Port& port, std::uint8_t* buffer) {
  std::size_t count = 0;
  while (count < kIdentifyCollectLimit && port.Read(buffer + count, 1) == 1) ++count;
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
bool Stopped(Port& port, Reporter& reporter, const std::string& title, ConnectResult& result) {
  if (!reporter.StopRequested()) return false;
  result.rate_index = -1;
  result.outcome = ConnectOutcome::Interrupted;
  port.Close();
  reporter.SetStatus(title + kInterruptedText);
  return true;
}

// Inside the open port, at the rate found: the identify request and its raw reply. Leaves the
// failure text standing unless the device identifies itself; closes the port unless asked to
// keep an identified device's port open.
void Identify(Port& port, Reporter& reporter, const std::string& title, ConnectResult& result,
              bool keep_open) {
  result.outcome = ConnectOutcome::NotIdentified;
  const Bytes request = MakeFrame(0x00, {0xFF});
  std::uint8_t* const buffer = port.FrameBuffer;
  std::copy(request.begin(), request.end(), buffer);
  reporter.LogLine("【" + title + "】");
  // Every way the identification can go wrong leaves this text standing.
  reporter.SetStatus(title + kConnectFailedText);
  if (WriteFrame(port, buffer, request.size())) {
    const std::size_t count = CollectReply(port, buffer);
    if (const auto found = AcceptIdentifyReply(buffer, count)) {
      result.outcome = ConnectOutcome::Identified;
      result.model = found->model;
      result.version = found->version;
      reporter.SetStatus(title + kConnectedText);
    }
  }
  if (result.outcome != ConnectOutcome::Identified) {
    // A line that went is the port's failure, and says so.
    if (const std::string lost = LineLostCause(port); !lost.empty()) {
      result.outcome = ConnectOutcome::LineLost;
      reporter.SetStatus(title + kConnectFailedText + lost);
    }
  }
  if (!keep_open || result.outcome != ConnectOutcome::Identified) port.Close();
  reporter.LogLine("");
}

}  // namespace

ConnectResult ConnectDevice(Port& port, Reporter& reporter, const std::string& title,
                            const std::string& name, bool keep_open) {
  ConnectResult result;
  if (!port.Open(name, kBaudRateList[0])) {
    port.Close();
    reporter.SetStatus(port.OpenFailureText());
    return result;
  }
  if (port.FarEndRate()) {
    if (Stopped(port, reporter, title, result)) return result;
    Identify(port, reporter, title, result, keep_open);
    return result;
  }

  result.rate_index = ScanRates(port, reporter);
  if (Stopped(port, reporter, title, result)) return result;
  if (result.rate_index < 0) {
    result.outcome = ConnectOutcome::NoAnswer;
    const std::string lost = LineLostCause(port);
    if (!lost.empty()) result.outcome = ConnectOutcome::LineLost;
    port.Close();
    reporter.SetStatus(title + kConnectFailedText + lost);
    return result;
  }
  Identify(port, reporter, title, result, keep_open);
  return result;
}

ConnectResult IdentifyDevice(Port& port, Reporter& reporter, const std::string& title,
                             const Link& link, bool keep_open) {
  ConnectResult result;
  if (!port.Open(link.port, link.baud)) {
    port.Close();
    reporter.SetStatus(port.OpenFailureText());
    return result;
  }
  const auto* rate = std::find(std::begin(kBaudRateList), std::end(kBaudRateList), link.baud);
  result.rate_index =
      rate == std::end(kBaudRateList) ? -1 : static_cast<int>(rate - std::begin(kBaudRateList));
  if (Stopped(port, reporter, title, result)) return result;
  Identify(port, reporter, title, result, keep_open);
  return result;
}

int DownloadRateIndex(const std::string& name, int rate_index) {
  return rate_index < 0 && ParsePortUrl(name).kind == PortUrl::Kind::Tcp ? kDownloadMinRateIndex
                                                                         : rate_index;
}

}  // namespace zotpx
