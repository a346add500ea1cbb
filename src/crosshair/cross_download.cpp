#include "crosshair/cross_download.h"

#include "crosshair/cross_file.h"

namespace zotpx {

std::optional<std::string> CheckCrossDownloadRequest(DeviceModel model, int rate_index) {
  if (model != DeviceModel::PB) return kCrossWrongModelText;
  if (rate_index < kDownloadMinRateIndex) return kCrossSlowRateText;
  return std::nullopt;
}

std::optional<std::string> CheckCrossDownloadFile(std::size_t size) {
  if (size != kCrossFileSize) return kCrossInvalidFileText;
  return std::nullopt;
}

CrossDownloadFile ReadCrossDownloadFile(const std::string& path) {
  return ReadUserFile(path, kCrossOpenFailedText, CheckCrossDownloadFile);
}

TransferPlan CrossTransferPlan(const std::string& caption) {
  return MakeTransferPlan(caption, caption, kCrossBase, kCrossDownloadSize, kCrossProgressPrefix);
}

}  // namespace zotpx
