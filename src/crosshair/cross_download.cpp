#include "crosshair/cross_download.h"

#include "crosshair/cross_file.h"

namespace zotpx {

std::optional<std::string> CheckCrossDownloadRequest(std::string_view model, int rate_index) {
  if (model != "ZOT-PB") return kCrossWrongModelText;
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
  TransferPlan plan;
  plan.base = kCrossBase;
  plan.erase = {0x38000, 0x58000};
  plan.caption = caption;
  plan.announcement = std::string(kCrossProgressPrefix) + "0%";
  plan.log_title = "【" + caption + "】";
  plan.progress_prefix = kCrossProgressPrefix;
  plan.disable_form = true;
  return plan;
}

}  // namespace zotpx
