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
  std::optional<FileData> file = FileData::Open(path);
  if (!file) return {kCrossOpenFailedText, {}};
  if (auto failure = CheckCrossDownloadFile(file->size())) return {std::move(failure), {}};
  std::optional<Bytes> bytes = file->ReadAll();
  if (!bytes) return {kCrossOpenFailedText, {}};
  return {std::nullopt, std::move(*bytes)};
}

TransferPlan CrossTransferPlan(const std::string& caption) {
  return MakeTransferPlan(caption, caption, kCrossBase, kCrossDownloadSize, kCrossProgressPrefix);
}

}  // namespace zotpx
