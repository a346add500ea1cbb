// Downloading a crosshair file into a ZOT-PB: its checks and where the shapes go.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "base/catalogue_text.h"
#include "base/device_model.h"
#include "serial/frame.h"
#include "serial/memory_transfer.h"

namespace zotpx {

inline constexpr std::uint32_t kCrossBase = 0x38000;
// The 20 shape slots and the first 16 bytes of the header block; the rest is zero.
inline constexpr std::size_t kCrossDownloadSize = 0x3C010;

inline constexpr CatalogueText kCrossWrongModelText = "crosshair.wrong_model";
inline constexpr CatalogueText kCrossSlowRateText = "crosshair.slow_rate";
inline constexpr CatalogueText kCrossOpenFailedText = "crosshair.open_failed";
inline constexpr CatalogueText kCrossInvalidFileText = "crosshair.invalid_file";
inline constexpr CatalogueText kCrossProgressPrefix = "crosshair.progress";

// Before the dialog: the model must be ZOT-PB, then the rate at least 115200.
std::optional<std::string> CheckCrossDownloadRequest(DeviceModel model, int rate_index);
// Only the size is checked; the content travels to the device as it is.
std::optional<std::string> CheckCrossDownloadFile(std::size_t size);

// The chosen crosshair file read whole and closed: opened, its size, read. The bytes
// (kCrossFileSize of them) or the message after the title.
using CrossDownloadFile = UserFile;
CrossDownloadFile ReadCrossDownloadFile(const std::string& path);
// What goes to the device: the shape slots and the first 16 bytes of the header block.
inline std::span<const std::uint8_t> CrossDownloadPart(const Bytes& file) {
  return {file.data(), kCrossDownloadSize};
}

TransferPlan CrossTransferPlan(const std::string& caption);

}  // namespace zotpx
