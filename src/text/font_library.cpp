#include "text/font_library.h"

#include <algorithm>

namespace zotpx {

std::optional<std::string> CheckFontRequest(int model_index, int rate_index) {
  if (model_index <= 0) return kFontNoModelText;
  if (rate_index < kDownloadMinRateIndex) return kFontSlowRateText;
  return std::nullopt;
}

std::optional<std::string> CheckFontSize(std::size_t size, std::string_view model) {
  if (size > kFontMaxSize) return kFontInvalidText;
  if (model != "ZOT-PA" && size > kFontMaxSizeSmall) return kFontUnsupportedText;
  return std::nullopt;
}

std::optional<std::string> CheckFontHeader(std::span<const std::uint8_t> header) {
  if (header.size() < kFontHeaderSize) return kFontInvalidText;
  const std::uint8_t code = header[15];
  if ((code != 0x10 && code != 0x18) || header[11] != code) return kFontInvalidText;
  return std::nullopt;
}

FontFile OpenFontFile(const std::string& path, std::string_view model) {
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
  std::vector<std::uint32_t> plan;
  for (std::size_t a = 0; a < size;) {
    plan.push_back(kFontBase + static_cast<std::uint32_t>(a));
    if (a + 0x4000 < 0x8000)
      a += 0x4000;
    else if (a + 0x4000 < 0x18000)
      a += 0x10000;
    else
      a += 0x20000;
  }
  return plan;
}

TransferPlan FontTransferPlan(const std::string& caption, std::size_t size) {
  TransferPlan plan;
  plan.base = kFontBase;
  plan.erase = FontErasePlan(size);
  plan.caption = caption;
  plan.announcement = std::string(kFontProgressPrefix) + "0%";
  plan.log_title = "【" + caption + "】";
  plan.progress_prefix = kFontProgressPrefix;
  plan.disable_form = true;
  return plan;
}

}  // namespace zotpx
