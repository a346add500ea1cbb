#include "text/font_library.h"

#include <algorithm>

namespace zotpx {

std::optional<std::string> CheckFontRequest(DeviceModel model, int rate_index) {
  if (model == DeviceModel::Unknown) return kFontNoModelText;
  if (rate_index < kDownloadMinRateIndex) return kFontSlowRateText;
  return std::nullopt;
}

std::optional<std::string> CheckFontSize(std::size_t size, DeviceModel model) {
  if (size > kFontMaxSize) return kFontInvalidText;
  if (model != DeviceModel::PA && size > kFontMaxSizeSmall) return kFontUnsupportedText;
  return std::nullopt;
}

std::optional<std::string> CheckFontHeader(std::span<const std::uint8_t> header) {
  if (header.size() < kFontHeaderSize) return kFontInvalidText;
  const std::uint8_t code = header[15];
  if ((code != 0x10 && code != 0x18) || header[11] != code) return kFontInvalidText;
  return std::nullopt;
}

FontFile OpenFontFile(const std::string& path, DeviceModel model) {
  // A refused file is closed on the way out.
  std::optional<FileData> file = FileData::Open(path);
  if (!file) return {kFontOpenFailedText, std::nullopt};
  if (auto failure = CheckFontSize(file->size(), model)) return {std::move(failure), std::nullopt};
  std::uint8_t header[kFontHeaderSize];
  const std::size_t wanted = std::min(file->size(), sizeof header);
  const std::size_t got = file->ReadNext(header, wanted) ? wanted : 0;
  if (auto failure = CheckFontHeader({header, got})) return {std::move(failure), std::nullopt};
  return {std::nullopt, std::move(file)};
}

std::vector<std::uint32_t> FontErasePlan(std::size_t size) {
  return ErasePlan(kFontBase, size);
}

TransferPlan FontTransferPlan(const std::string& caption, std::size_t size) {
  return MakeTransferPlan(caption, caption, kFontBase, size, kFontProgressPrefix);
}

}  // namespace zotpx
