// Downloading a crosshair file into a ZOT-PB: its checks and where the shapes go.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "base/device_model.h"
#include "serial/frame.h"
#include "serial/memory_transfer.h"

namespace zotpx {

inline constexpr std::uint32_t kCrossBase = 0x38000;
// The 20 shape slots and the first 16 bytes of the header block; the rest is zero.
inline constexpr std::size_t kCrossDownloadSize = 0x3C010;

inline constexpr const char* kCrossWrongModelText = "失败：当前型号的产品不支持十字线下载";
inline constexpr const char* kCrossSlowRateText =
    "失败：通信速率至少要设置为115200bps以减少下载十字线时间";
inline constexpr const char* kCrossOpenFailedText = "失败：打开十字线文件失败";
inline constexpr const char* kCrossInvalidFileText = "失败：无效的十字线文件";
inline constexpr const char* kCrossProgressPrefix = "正在进行十字线下载... ";

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
