#include "serial/memory_transfer.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/coordinates.h"
#include "base/hex.h"
#include "base/texts.h"
#include "serial/port.h"
#include "serial/transaction.h"

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

UserFile ReadUserFile(const std::string& path, CatalogueText unreadable, SizeCheck check_size) {
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

bool AwaitAck(Port& port, int first_byte_ms) {
  const std::size_t got = ReadFrame(port, port.FrameBuffer, first_byte_ms, kMemoryInterByteMs);
  return IsMemoryAck(port.FrameBuffer, got);
}

// Everything that must happen however the transfer ends.
TransferResult Finish(Port& port, Reporter& reporter, const TransferPlan& plan, TransferData& data,
                      TransferResult result, std::size_t written = 0) {
  const bool failed =
      result == TransferResult::EraseFailed || result == TransferResult::WriteFailed;
  const std::string lost = failed ? LineLostCause(port) : "";
  data.Close();
  port.Close();
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
    reporter.SetStatus(plan.caption +
                       Fill("serial.failed_because", {InterruptedTransferText(written)}));
  } else if (plan.report_result) {
    switch (result) {
      case TransferResult::Done:
        reporter.SetStatus(plan.caption + kSuccessText);
        break;
      case TransferResult::EraseFailed:
        reporter.SetStatus(plan.caption + kEraseFailedText + lost);
        break;
      default:
        reporter.SetStatus(plan.caption + kWriteFailedText + lost);
        break;
    }
  }
  if (plan.disable_form) reporter.SetFormEnabled(true);
  reporter.BringToFront();
  return lost.empty() ? result : TransferResult::LineLost;
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
  return Fill("serial.interrupted_written", {std::to_string(written)});
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

// The fixed pieces of a catalogue text around its placeholders: "a {1} b {2}" → "a ", " b ", "".
std::vector<std::string_view> TextPieces(std::string_view text) {
  std::vector<std::string_view> pieces;
  std::size_t from = 0;
  for (std::size_t at = text.find('{'); at != std::string_view::npos; at = text.find('{', at + 1)) {
    if (at + 2 < text.size() && text[at + 1] >= '1' && text[at + 1] <= '9' && text[at + 2] == '}') {
      pieces.push_back(text.substr(from, at - from));
      from = at + 3;
    }
  }
  pieces.push_back(text.substr(from));
  return pieces;
}

}  // namespace

std::optional<std::size_t> ReadInterruptedTransferText(std::string_view line) {
  // A log is read back in whichever language wrote it.
  for (const Language language : {Language::Chinese, Language::English}) {
    const std::vector<std::string_view> pieces =
        TextPieces(TextIn(language, "serial.interrupted_written"));
    std::string_view rest = line;
    std::optional<std::size_t> written;
    if (TakeText(rest, pieces[0]) && (written = TakeNumber(rest)) && rest == pieces[1])
      return written;
  }
  return std::nullopt;
}

std::string TransferDataLogLine(std::uint32_t base, std::size_t size) {
  char address[16];
  std::snprintf(address, sizeof address, "0x%06X", base);
  return Fill("serial.data_log", {std::to_string(size), address});
}

std::optional<LoggedTransferData> ReadTransferDataLogLine(std::string_view line) {
  for (const Language language : {Language::Chinese, Language::English}) {
    const std::vector<std::string_view> pieces = TextPieces(TextIn(language, "serial.data_log"));
    std::string_view rest = line;
    std::optional<std::size_t> size;
    if (!TakeText(rest, pieces[0]) || !(size = TakeNumber(rest)) || !TakeText(rest, pieces[1]) ||
        !rest.ends_with(pieces[2]))
      continue;
    rest.remove_suffix(pieces[2].size());
    if (!TakeText(rest, "0x") || rest.empty() || rest.size() > 6) continue;
    std::uint32_t base = 0;
    for (const char c : rest) {
      const int digit = HexDigitValue(static_cast<std::uint8_t>(c));
      if (digit < 0) return std::nullopt;
      base = base * 16 + static_cast<std::uint32_t>(digit);
    }
    return LoggedTransferData{base, *size};
  }
  return std::nullopt;
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

TransferResult RunMemoryTransfer(Port& port, Reporter& reporter, const TransferPlan& plan,
                                 TransferData& data) {
  std::uint8_t* const frame = port.FrameBuffer;
  const std::size_t total = data.size();
  reporter.SetStatus(plan.announcement);
  reporter.Repaint();
  reporter.LogLine(plan.log_title);
  if (plan.log_data) reporter.LogLine(TransferDataLogLine(plan.base, total));
  reporter.LogLine(kErasingLogLine);
  if (plan.disable_form) reporter.SetFormEnabled(false);
  reporter.Progress(0, total);

  for (const std::uint32_t address : plan.erase) {
    if (reporter.StopRequested())
      return Finish(port, reporter, plan, data, TransferResult::Interrupted);
    const std::size_t length = BuildEraseRequest(frame, address);
    if (!WriteFrame(port, frame, length) || !AwaitAck(port, kEraseFirstByteMs))
      return Finish(port, reporter, plan, data, TransferResult::EraseFailed);
    if (plan.disable_form) reporter.ProcessEvents();
  }
  if (!plan.erased_log_line.empty()) reporter.LogLine(plan.erased_log_line);
  reporter.LogLine(kWritingLogLine);
  if (!data.Rewind()) return Finish(port, reporter, plan, data, TransferResult::WriteFailed);

  std::size_t offset = 0;
  while (offset < total) {
    if (reporter.StopRequested())
      return Finish(port, reporter, plan, data, TransferResult::Interrupted, offset);
    const std::size_t n = std::min(kMemoryBlockSize, total - offset);
    const std::size_t length =
        BuildWriteRequest(frame, plan.base + static_cast<std::uint32_t>(offset), n);
    // The data goes straight into the request; a file that can no longer be read ends the
    // transfer like a refused block.
    if (!data.ReadNext(frame + 9, n) || !WriteFrame(port, frame, length) ||
        !AwaitAck(port, kWriteFirstByteMs))
      return Finish(port, reporter, plan, data, TransferResult::WriteFailed);
    offset += n;
    reporter.Progress(offset, total);
    if (const auto text = ProgressText(plan.progress_prefix, offset, n, total)) {
      reporter.SetStatus(*text);
      if (plan.disable_form) reporter.ProcessEvents();
    }
  }
  return Finish(port, reporter, plan, data, TransferResult::Done);
}

TransferResult DownloadToDevice(Port& port, Reporter& reporter, const Link& link,
                                const TransferPlan& plan, TransferData& data) {
  if (!port.Open(link.port, link.baud)) {
    data.Close();
    port.Close();
    reporter.SetStatus(port.OpenFailureText());
    return TransferResult::OpenFailed;
  }
  return RunMemoryTransfer(port, reporter, plan, data);
}

}  // namespace zotpx
