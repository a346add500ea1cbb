// Connecting: find the rate at which the device answers the probe, ask it to identify itself
// and take its model and version from the raw reply.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "base/catalogue_text.h"
#include "base/device_model.h"
#include "serial/port.h"
#include "serial/reporter.h"
#include "serial/transaction.h"

namespace zotpx {

// The probe and its answer, sent at each rate in turn.
inline constexpr std::uint8_t kProbeByte = 0x5A;
inline constexpr std::uint8_t kProbeAnswer = 0xA5;

// The identification's size: a length byte and the text, more bytes than the length says.
inline constexpr std::size_t kIdentifyReplyMin = 21;
inline constexpr std::size_t kIdentifyReplyMax = 254;
// An accepted reply is 21..254 bytes; collection stops here so that a device that never
// falls silent cannot run past the buffer. Anything this long is refused anyway.
inline constexpr std::size_t kIdentifyCollectLimit = 256;

inline constexpr CatalogueText kConnectFailedText = "device.connect_failed";
inline constexpr CatalogueText kConnectedText = "device.connected";
inline constexpr CatalogueText kUnknownVersionText = "device.unknown_version";

struct Identification {
  DeviceModel model = DeviceModel::Unknown;
  std::string version;  // the identification text, model word included
};

// Judges the bytes collected after the identify request: L, then L bytes of text "MODEL ...".
std::optional<Identification> AcceptIdentifyReply(const std::uint8_t* reply, std::size_t count);

// Interrupted: the reporter asked to stop between two probes, or before the identification.
// LineLost: the line went (a pulled adapter, a closed connection), which the status says.
enum class ConnectOutcome {
  OpenFailed,
  NoAnswer,
  NotIdentified,
  Interrupted,
  LineLost,
  Identified
};

struct ConnectResult {
  ConnectOutcome outcome = ConnectOutcome::OpenFailed;
  DeviceModel model = DeviceModel::Unknown;  // Unknown unless identified
  std::string version;                       // empty unless identified
  int rate_index = -1;  // item of the rate list that answered the probe, -1 when none did
};

// The whole connect command on the port named `name`: opens `port` at the first rate, scans
// the rates, reads the identification, reports status and log block, closes. The caller shows
// the result. With `keep_open`, an identified device's port stays open at the rate found, for a
// caller that goes straight on (the line is quiet by then: the reply was read until it fell
// silent); the caller closes it. Every failure closes it. A port that runs at the far end's
// rate (raw TCP) has nothing to scan: the device is identified at whatever rate the line runs,
// and rate_index is -1.
ConnectResult ConnectDevice(Port& port, Reporter& reporter, const std::string& title,
                            const std::string& name, bool keep_open = false);
// The identification alone, at a rate the caller already knows (no scan): opens the port at
// link.baud, then asks, judges, reports and closes as ConnectDevice does. rate_index is that
// rate's item of the rate list, or -1 when the list has no such rate.
ConnectResult IdentifyDevice(Port& port, Reporter& reporter, const std::string& title,
                             const Link& link, bool keep_open = false);

// The item of the rate list a download's rate check judges, for a device found at `rate_index`
// on the port named `name`: over raw TCP the line runs at the far end's rate, the user's to
// choose, which no check here can know to be slow.
int DownloadRateIndex(const std::string& name, int rate_index);

}  // namespace zotpx
