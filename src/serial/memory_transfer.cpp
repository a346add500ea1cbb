#include "serial/memory_transfer.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/coordinates.h"
#include "base/hex.h"
#include "serial/port.h"

namespace zotpx {

// ---- data sources ----

bool MemoryData::Rewind() {
  next_ = 0;
  return true;
}

bool MemoryData::ReadNext(std::uint8_t* out, std::size_t count) {
  if (count > bytes_.size() - next_) return false;
  std::memcpy(out, bytes_.data() + next_, count);
  next_ += count;
  return true;
}

std::optional<FileData> FileData::Open(const std::string& path) {
  InputFile file(path);
  if (!file.is_open()) return std::nullopt;
  return FileData(std::move(file));
}

UserFile ReadUserFile(const std::string& path, const char* unreadable, SizeCheck check_size) {
  std::optional<FileData> file = FileData::Open(path);
  if (!file) return {unreadable, {}};
  if (std::optional<std::string> refused = check_size(file->size())) return {refused, {}};
  std::optional<Bytes> bytes = file->ReadAll();
  if (!bytes) return {unreadable, {}};
  return {std::nullopt, std::move(*bytes)};
}

// ---- plans ----

std::uint32_t MemoryRegionEnd(std::uint32_t start) {
  return start + (start < 0x8000 ? 0x4000 : start < 0x18000 ? 0x10000 : 0x20000);
}

std::vector<std::uint32_t> ErasePlan(std::uint32_t base, std::size_t size) {
  std::vector<std::uint32_t> plan;
  for (std::uint32_t at = base; at - base < size; at = MemoryRegionEnd(at)) plan.push_back(at);
  return plan;
}

TransferPlan MakeTransferPlan(const std::string& caption, const std::string& title,
                              std::uint32_t base, std::size_t size,
                              const std::string& progress_prefix) {
  TransferPlan plan;
  plan.base = base;
  plan.erase = ErasePlan(base, size);
  plan.caption = caption;
  plan.announcement = progress_prefix.empty() ? title : progress_prefix + "0%";
  plan.log_title = "【" + title + "】";
  plan.progress_prefix = progress_prefix;
  plan.disable_form = !progress_prefix.empty();
  return plan;
}

// ---- requests ----

namespace {

void PutHeader(std::uint8_t* frame, std::uint8_t length, std::uint8_t kind, std::uint8_t count,
               std::uint32_t address) {
  frame[0] = 0x55;
  frame[1] = 0xAA;
  frame[2] = kMemoryCommand;
  frame[3] = length;
  frame[4] = kind;
  frame[5] = count;
  PutBigEndian(frame + 6, address, 3);
}

bool AwaitAck(int first_byte_ms) {
  const std::size_t got = ReadFrame(FrameBuffer, first_byte_ms, kMemoryInterByteMs);
  return IsMemoryAck(FrameBuffer, got);
}

// Everything that must happen however the transfer ends.
TransferResult Finish(Reporter& reporter, const TransferPlan& plan, TransferData& data,
                      TransferResult result, std::size_t written = 0) {
  data.Close();
  ClosePort();
  reporter.Progress(0, 0);
  switch (result) {
    case TransferResult::Done:
      reporter.LogLine(plan.success_log_line);
      break;
    case TransferResult::EraseFailed:
      reporter.LogLine(kEraseFailedLogLine);
      break;
    case TransferResult::Interrupted:
      reporter.LogLine(InterruptedTransferText(written));
      break;
    default:
      reporter.LogLine(kWriteFailedLogLine);
      break;
  }
  reporter.LogLine("");
  if (result == TransferResult::Interrupted) {
    reporter.SetStatus(plan.caption + "失败：" + InterruptedTransferText(written));
  } else if (plan.report_result) {
    switch (result) {
      case TransferResult::Done:
        reporter.SetStatus(plan.caption + kSuccessText);
        break;
      case TransferResult::EraseFailed:
        reporter.SetStatus(plan.caption + kEraseFailedText);
        break;
      default:
        reporter.SetStatus(plan.caption + kWriteFailedText);
        break;
    }
  }
  if (plan.disable_form) reporter.SetFormEnabled(true);
  reporter.BringToFront();
  return result;
}

}  // namespace

std::size_t BuildEraseRequest(std::uint8_t* frame, std::uint32_t address) {
  PutHeader(frame, 5, kMemoryErase, 0, address);
  return 10;
}

std::size_t BuildWriteRequest(std::uint8_t* frame, std::uint32_t address, std::size_t n) {
  PutHeader(frame, static_cast<std::uint8_t>(n + 5), kMemoryWrite, static_cast<std::uint8_t>(n),
            address);
  return n + 10;
}

std::string InterruptedTransferText(std::size_t written) {
  return "用户中断，已写入 " + std::to_string(written) + " 字节";
}

namespace {

// The decimal number at the start of `text`, taken off it.
std::optional<std::size_t> TakeNumber(std::string_view& text) {
  std::size_t n = 0;
  std::size_t digits = 0;
  for (; digits < text.size() && digits < 12 && text[digits] >= '0' && text[digits] <= '9';
       ++digits)
    n = n * 10 + static_cast<std::size_t>(text[digits] - '0');
  if (digits == 0) return std::nullopt;
  text.remove_prefix(digits);
  return n;
}

bool TakeText(std::string_view& text, std::string_view start) {
  if (text.substr(0, start.size()) != start) return false;
  text.remove_prefix(start.size());
  return true;
}

}  // namespace

std::optional<std::size_t> ReadInterruptedTransferText(std::string_view line) {
  std::optional<std::size_t> written;
  if (!TakeText(line, "用户中断，已写入 ") || !(written = TakeNumber(line)) || line != " 字节")
    return std::nullopt;
  return written;
}

std::string TransferDataLogLine(std::uint32_t base, std::size_t size) {
  char address[16];
  std::snprintf(address, sizeof address, "0x%06X", base);
  return "数据：" + std::to_string(size) + " 字节，地址 " + address;
}

std::optional<LoggedTransferData> ReadTransferDataLogLine(std::string_view line) {
  std::optional<std::size_t> size;
  if (!TakeText(line, "数据：") || !(size = TakeNumber(line)) ||
      !TakeText(line, " 字节，地址 0x") || line.empty() || line.size() > 6)
    return std::nullopt;
  std::uint32_t base = 0;
  for (const char c : line) {
    const int digit = HexDigitValue(static_cast<std::uint8_t>(c));
    if (digit < 0) return std::nullopt;
    base = base * 16 + static_cast<std::uint32_t>(digit);
  }
  return LoggedTransferData{base, *size};
}

ReplyTimeouts ReplyTimeoutsFor(std::span<const std::uint8_t> request) {
  const bool memory = request.size() > 4 && request[2] == kMemoryCommand;
  if (memory && request[4] == kMemoryErase) return {kEraseFirstByteMs, kMemoryInterByteMs};
  if (memory) return {kWriteFirstByteMs, kMemoryInterByteMs};
  return {kReplyFirstByteMs, kReplyNextByteMs};
}

bool IsMemoryAck(const std::uint8_t* reply, std::size_t length) {
  return length == 6 && reply[2] == kMemoryCommand && reply[4] == 0x01;
}

std::optional<std::string> ProgressText(const std::string& prefix, std::size_t offset,
                                        std::size_t block, std::size_t total) {
  if (prefix.empty() || block == 0 || total == 0 || offset % (10 * block) != 0) return std::nullopt;
  return prefix + std::to_string(offset * 100 / total) + "%";
}

TransferResult RunMemoryTransfer(Reporter& reporter, const TransferPlan& plan, TransferData& data) {
  const std::size_t total = data.size();
  reporter.SetStatus(plan.announcement);
  reporter.Repaint();
  reporter.LogLine(plan.log_title);
  if (plan.log_data) reporter.LogLine(TransferDataLogLine(plan.base, total));
  reporter.LogLine(kErasingLogLine);
  if (plan.disable_form) reporter.SetFormEnabled(false);
  reporter.Progress(0, total);

  for (const std::uint32_t address : plan.erase) {
    if (reporter.StopRequested()) return Finish(reporter, plan, data, TransferResult::Interrupted);
    const std::size_t length = BuildEraseRequest(FrameBuffer, address);
    if (!WriteFrame(FrameBuffer, length) || !AwaitAck(kEraseFirstByteMs))
      return Finish(reporter, plan, data, TransferResult::EraseFailed);
    if (plan.disable_form) reporter.ProcessEvents();
  }
  if (!plan.erased_log_line.empty()) reporter.LogLine(plan.erased_log_line);
  reporter.LogLine(kWritingLogLine);
  if (!data.Rewind()) return Finish(reporter, plan, data, TransferResult::WriteFailed);

  std::size_t offset = 0;
  while (offset < total) {
    if (reporter.StopRequested())
      return Finish(reporter, plan, data, TransferResult::Interrupted, offset);
    const std::size_t n = std::min(kMemoryBlockSize, total - offset);
    const std::size_t length =
        BuildWriteRequest(FrameBuffer, plan.base + static_cast<std::uint32_t>(offset), n);
    // The data goes straight into the request; a file that can no longer be read ends the
    // transfer like a refused block.
    if (!data.ReadNext(FrameBuffer + 9, n) || !WriteFrame(FrameBuffer, length) ||
        !AwaitAck(kWriteFirstByteMs))
      return Finish(reporter, plan, data, TransferResult::WriteFailed);
    offset += n;
    reporter.Progress(offset, total);
    if (const auto text = ProgressText(plan.progress_prefix, offset, n, total)) {
      reporter.SetStatus(*text);
      if (plan.disable_form) reporter.ProcessEvents();
    }
  }
  return Finish(reporter, plan, data, TransferResult::Done);
}

TransferResult DownloadToDevice(Reporter& reporter, const Link& link, const TransferPlan& plan,
                                TransferData& data) {
  if (!OpenPort(link.port, link.baud)) {
    data.Close();
    ClosePort();
    reporter.SetStatus(OpenFailureText());
    return TransferResult::OpenFailed;
  }
  return RunMemoryTransfer(reporter, plan, data);
}

}  // namespace zotpx
