// The internal font library download: which files a model takes, the header the device
// needs, and where the library goes in the device's memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/catalogue_text.h"
#include "base/device_model.h"
#include "serial/memory_transfer.h"

namespace zotpx {

inline constexpr std::uint32_t kFontBase = 0x4000;
inline constexpr std::size_t kFontMaxSize = 0x74000;       // ZOT-PA: up to 0x77FFF
inline constexpr std::size_t kFontMaxSizeSmall = 0x34000;  // other models: up to 0x37FFF
inline constexpr std::size_t kFontHeaderSize = 16;

inline constexpr CatalogueText kFontNoModelText = "text.font_no_model";
inline constexpr CatalogueText kFontSlowRateText = "text.font_slow_rate";
inline constexpr CatalogueText kFontOpenFailedText = "text.font_open_failed";
inline constexpr CatalogueText kFontInvalidText = "text.font_invalid";
inline constexpr CatalogueText kFontUnsupportedText = "text.font_unsupported";
inline constexpr CatalogueText kFontProgressPrefix = "text.font_progress";

// Before any dialog: a model must be known and the rate at least 115200. The failure message,
// or nothing.
std::optional<std::string> CheckFontRequest(DeviceModel model, int rate_index);
// The size against the model's room; an oversized file is invalid on every model.
std::optional<std::string> CheckFontSize(std::size_t size, DeviceModel model);
// The first bytes read: at least 16, with bytes 11 and 15 the same size code, 16 or 24.
std::optional<std::string> CheckFontHeader(std::span<const std::uint8_t> header);

// The chosen library file, opened and checked in the window's order: opened, its size
// against the model, its header. On success the file stays open for the transfer, which reads
// it from the start.
struct FontFile {
  std::optional<std::string> failure;  // the message after the title, when refused
  std::optional<FileData> file;        // open, when accepted
};
FontFile OpenFontFile(const std::string& path, DeviceModel model);

// Region starts to erase for a library of `size` bytes: 16 KiB, then 64 KiB, then 128 KiB
// regions from 0x4000 on, as far as the file reaches.
std::vector<std::uint32_t> FontErasePlan(std::size_t size);
// The whole transfer for a library of `size` bytes; `caption` is the button's.
TransferPlan FontTransferPlan(const std::string& caption, std::size_t size);

}  // namespace zotpx
