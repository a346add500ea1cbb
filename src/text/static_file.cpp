#include "text/static_file.h"

#include <algorithm>

namespace zotpx {

namespace {

int HexValue(std::uint8_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// A command frame (sync, command, length, data, checksum) and one more byte.
bool IsRecord(const std::uint8_t* line, std::size_t j) {
  return j >= 6 && line[0] == 0x55 && line[1] == 0xAA && line[2] <= 0x1F &&
         j == static_cast<std::size_t>(line[3]) + 6;
}

}  // namespace

std::optional<std::string> CheckStaticRequest(int model_index) {
  if (model_index <= 0) return kStaticNoModelText;
  return std::nullopt;
}

std::optional<std::string> CheckStaticFileSize(std::size_t size) {
  if (size < 1 || size >= kStaticFileLimit) return kStaticInvalidText;
  return std::nullopt;
}

StaticImage BuildStaticImage(std::span<const std::uint8_t> text) {
  StaticImage result;
  Bytes image(kStaticImageSize, 0);
  std::copy_n("CFG ", 4, image.begin());
  std::uint8_t line[kStaticLineLimit];
  std::size_t j = 0;
  std::size_t w = 5;

  // The same test for every line, the last one too, with or without its line end.
  auto end_line = [&]() -> bool {
    if (IsRecord(line, j)) {
      if (w + j > kStaticRecordEnd) {
        result.failure = kStaticTooBigText;
        return false;
      }
      if (result.records == kStaticMaxRecords) {
        result.failure = kStaticTooManyText;
        return false;
      }
      std::copy_n(line, j, image.begin() + static_cast<std::ptrdiff_t>(w));
      w += j;
      ++result.records;
    }
    j = 0;
    return true;
  };

  const std::size_t size = text.size();
  for (std::size_t i = 0; i < size;) {
    const int high = HexValue(text[i]);
    const int low = i + 1 < size ? HexValue(text[i + 1]) : -1;
    if (high >= 0 && low >= 0) {
      // A line longer than the longest frame starts collecting again.
      if (j >= kStaticLineLimit) j = 0;
      line[j++] = static_cast<std::uint8_t>(high * 16 + low);
      i += 2;
    } else if (text[i] == '\r' || text[i] == '\n') {
      if (!end_line()) return result;
      i += text[i] == '\r' && i + 1 < size && text[i + 1] == '\n' ? 2 : 1;
    } else {
      ++i;
    }
  }
  if (!end_line()) return result;
  image[4] = static_cast<std::uint8_t>(result.records);
  result.image = std::move(image);
  return result;
}

TransferPlan StaticTransferPlan(const std::string& caption) {
  TransferPlan plan;
  plan.base = 0;
  plan.erase = {0};
  plan.caption = caption;
  plan.announcement = kStaticDownloadTitle;
  plan.log_title = std::string("【") + kStaticDownloadTitle + "】";
  plan.erased_log_line = "擦除存储器成功";
  plan.success_log_line = "下载静态命令成功";
  plan.disable_form = false;
  // The result goes on the status line as with the other downloads; a failure would otherwise
  // leave "下载静态命令" standing as if all were well.
  plan.report_result = true;
  return plan;
}

}  // namespace zotpx
