#include "text/static_file.h"

#include <algorithm>
#include <string_view>

#include "base/hex.h"
#include "base/texts.h"
#include "serial/reporter.h"

namespace zotpx {

namespace {

// The reader takes any two hex digits in a row as a byte and ends a line at CR or LF, so a
// comment line must hold neither. Chinese text in UTF-8 is safe: none of its bytes is ASCII.
constexpr bool IsInertComment(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<std::uint8_t>(text[i]);
    if (c == '\r' || c == '\n') return false;
    if (i + 1 < text.size() && HexDigitValue(c) >= 0 &&
        HexDigitValue(static_cast<std::uint8_t>(text[i + 1])) >= 0)
      return false;
  }
  return true;
}

constexpr std::string_view kStaticTextHeader = "; zotpx 静态命令：每行一条命令帧，其后一个结尾字节";
static_assert(IsInertComment(kStaticTextHeader), "the header line would be read as bytes");

}  // namespace

std::optional<std::string> CheckStaticRequest(DeviceModel model) {
  if (model == DeviceModel::Unknown) return kStaticNoModelText;
  return std::nullopt;
}

std::optional<std::string> CheckStaticFileSize(std::size_t size) {
  if (size < 1 || size >= kStaticFileLimit) return kStaticInvalidText;
  return std::nullopt;
}

std::vector<StaticLine> ReadStaticLines(std::span<const std::uint8_t> text) {
  std::vector<StaticLine> lines;
  std::string_view rest(reinterpret_cast<const char*>(text.data()), text.size());
  for (std::size_t number = 1;; ++number) {
    const std::size_t end = rest.find_first_of("\r\n");
    Bytes bytes = HexPairs(rest.substr(0, end));
    // A line longer than the longest frame starts collecting again: its last bytes are kept.
    if (bytes.size() > kStaticLineLimit)
      bytes.erase(bytes.begin(), bytes.end() - static_cast<std::ptrdiff_t>(
                                                   (bytes.size() - 1) % kStaticLineLimit + 1));
    lines.push_back({number, std::move(bytes)});
    if (end == std::string_view::npos) return lines;
    rest.remove_prefix(
        end + (rest[end] == '\r' && end + 1 < rest.size() && rest[end + 1] == '\n' ? 2 : 1));
  }
}

bool IsStaticRecord(std::span<const std::uint8_t> line) {
  return line.size() >= 6 && line[0] == 0x55 && line[1] == 0xAA && line[2] <= 0x1F &&
         line.size() == static_cast<std::size_t>(line[3]) + 6;
}

StaticImage BuildStaticImage(std::span<const std::uint8_t> text) {
  StaticImage result;
  Bytes image(kStaticImageSize, 0);
  std::copy_n("CFG ", 4, image.begin());
  std::size_t w = 5;
  // The same test for every line, the last one too, with or without its line end.
  for (const StaticLine& line : ReadStaticLines(text)) {
    if (!IsStaticRecord(line.bytes)) continue;
    if (w + line.bytes.size() > kStaticRecordEnd) {
      result.failure = kStaticTooBigText;
      return result;
    }
    if (result.records == kStaticMaxRecords) {
      result.failure = kStaticTooManyText;
      return result;
    }
    std::copy(line.bytes.begin(), line.bytes.end(), image.begin() + static_cast<std::ptrdiff_t>(w));
    w += line.bytes.size();
    ++result.records;
    result.lines.push_back(line.number);
  }
  image[4] = static_cast<std::uint8_t>(result.records);
  result.image = std::move(image);
  return result;
}

std::string FormatStaticText(std::span<const Bytes> frames) {
  std::string text(kStaticTextHeader);
  text += "\r\n";
  Bytes record;
  for (const Bytes& frame : frames) {
    record.assign(frame.begin(), frame.end());
    record.push_back(kStaticTrailingByte);
    text += FormatLogLine("", record.size(), record.data());
    text.back() = '\r';  // the blank after the last byte gives way to the line end
    text += '\n';
  }
  return text;
}

std::optional<std::string> CheckStaticFrames(std::span<const Bytes> frames) {
  // Read back by the download's own parser: one rule for what a record is, in one place.
  const std::string text = FormatStaticText(frames);
  const StaticImage built =
      BuildStaticImage({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
  if (built.failure) return built.failure;
  if (built.records != frames.size()) return kStaticFrameTooLongText;
  return std::nullopt;
}

std::vector<Bytes> StaticImageRecords(std::span<const std::uint8_t> image) {
  if (image.size() < 5 || !std::equal(image.begin(), image.begin() + 4, "CFG ")) return {};
  const std::size_t end = std::min(image.size(), kStaticRecordEnd);
  std::vector<Bytes> records;
  std::size_t at = 5;
  for (std::size_t n = 0; n < image[4]; ++n) {
    if (end - at < 6) return {};
    const std::uint8_t* record = image.data() + at;
    const std::size_t length = static_cast<std::size_t>(record[3]) + 6;
    if (length > end - at || !IsStaticRecord({record, length})) return {};
    records.emplace_back(record, record + length);
    at += length;
  }
  return records;
}

TransferPlan StaticTransferPlan(const std::string& caption) {
  // Its result goes on the status line as the other downloads' does: a failure would otherwise
  // leave "下载静态命令" standing as if all were well.
  TransferPlan plan = MakeTransferPlan(caption, kStaticDownloadTitle, 0, kStaticImageSize, "");
  plan.erased_log_line = Text("text.static_erased_log");
  plan.success_log_line = Text("text.static_downloaded_log");
  return plan;
}

}  // namespace zotpx
