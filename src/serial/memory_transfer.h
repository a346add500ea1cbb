// Downloading into the device's non-volatile memory: erase every region the data will occupy,
// then write it in acknowledged requests of at most 240 bytes. The font library, the static
// command image and the crosshair shapes all go through this one transfer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/catalogue_text.h"
#include "base/input_file.h"
#include "serial/frame.h"
#include "serial/port.h"
#include "serial/reporter.h"
#include "serial/transaction.h"

namespace zotpx {

// The device memory: the static command image at 0, the font library from 0x4000, the crosshair
// shapes from 0x38000, 0x78000 bytes in all. It is erased in regions of 16 KiB below 0x8000,
// 64 KiB below 0x18000 and 128 KiB from there on.
inline constexpr std::size_t kDeviceMemorySize = 0x78000;
// One past the region that starts at `start` (a region start).
std::uint32_t MemoryRegionEnd(std::uint32_t start);
// The region starts `size` bytes from `base` occupy, ascending.
std::vector<std::uint32_t> ErasePlan(std::uint32_t base, std::size_t size);

// Memory command 0x02 and its two requests.
inline constexpr std::uint8_t kMemoryCommand = 0x02;
inline constexpr std::uint8_t kMemoryErase = 0x40;
inline constexpr std::uint8_t kMemoryWrite = 0x80;
inline constexpr std::size_t kMemoryBlockSize = 240;
inline constexpr int kEraseFirstByteMs = 5000;
inline constexpr int kWriteFirstByteMs = 1000;
inline constexpr int kMemoryInterByteMs = 500;
// The font and crosshair downloads refuse rates below 115200 (item 4 of the rate list): at
// 57600 a full font library would take well over a minute.
inline constexpr int kDownloadMinRateIndex = 4;

inline constexpr CatalogueText kErasingLogLine = "serial.erasing_log";
inline constexpr CatalogueText kWritingLogLine = "serial.writing_log";
inline constexpr CatalogueText kEraseFailedLogLine = "serial.erase_failed_log";
inline constexpr CatalogueText kWriteFailedLogLine = "serial.write_failed_log";
inline constexpr CatalogueText kWrittenLogLine = "serial.written_log";
inline constexpr CatalogueText kEraseFailedText = "serial.erase_failed";
inline constexpr CatalogueText kWriteFailedText = "serial.write_failed";

// The bytes a transfer writes, read in order from the first. A file source stays open until
// the transfer closes it.
class TransferData {
 public:
  virtual ~TransferData() = default;
  virtual std::size_t size() const = 0;
  // Back to the first byte (the font file has been read for its header by then).
  virtual bool Rewind() = 0;
  // The next `count` bytes; false when fewer could be had.
  virtual bool ReadNext(std::uint8_t* out, std::size_t count) = 0;
  virtual void Close() {}
};

// Bytes held in memory; the caller keeps them alive for the transfer.
class MemoryData : public TransferData {
 public:
  explicit MemoryData(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::size_t size() const override { return bytes_.size(); }
  bool Rewind() override;
  bool ReadNext(std::uint8_t* out, std::size_t count) override;

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t next_ = 0;
};

// A file opened for reading (base/input_file.h); its size is taken once, at opening.
class FileData : public TransferData {
 public:
  static std::optional<FileData> Open(const std::string& path);
  std::size_t size() const override { return file_.size(); }
  bool Rewind() override { return file_.Rewind(); }
  bool ReadNext(std::uint8_t* out, std::size_t count) override {
    return file_.ReadNext(out, count);
  }
  void Close() override { file_.Close(); }
  bool is_open() const { return file_.is_open(); }
  // The whole file from its start, or nothing when it cannot be read to the end.
  std::optional<Bytes> ReadAll() { return file_.ReadAll(); }

 private:
  explicit FileData(InputFile file) : file_(std::move(file)) {}
  InputFile file_;
};

// A file the user chose, read whole and closed: opened, its size judged by `check_size` (the
// refusal, or nothing), read. The bytes, or the message after the title: the size check's, or
// `unreadable` when the file cannot be opened or read to its end. Each download brings its own
// messages.
struct UserFile {
  std::optional<std::string> failure;
  Bytes bytes;  // when accepted
};
using SizeCheck = std::optional<std::string> (*)(std::size_t size);
UserFile ReadUserFile(const std::string& path, CatalogueText unreadable, SizeCheck check_size);

// What a caller gives the transfer besides its data.
struct TransferPlan {
  std::uint32_t base = 0;            // device address of the first byte
  std::vector<std::uint32_t> erase;  // region starts, ascending
  std::string caption;               // prefixes the result on the status line
  std::string announcement;          // status line while the transfer starts
  std::string log_title;             // "【...】"
  std::string progress_prefix;       // empty: no percentage on the status line
  std::string erased_log_line;       // after the erase phase; empty: none
  std::string success_log_line = kWrittenLogLine;
  bool disable_form = false;  // and let window events run after erases and progress
  bool report_result = true;  // caption + result on the status line at the end
  bool log_data = false;      // TransferDataLogLine after the title (the command line's logs)
};

// The one way a download's plan is made: `size` bytes to `base`, the regions they occupy erased
// first, the log headed 【title】. With a progress prefix the status line shows the percentage,
// and the form is disabled meanwhile; without one it announces the title.
TransferPlan MakeTransferPlan(const std::string& caption, const std::string& title,
                              std::uint32_t base, std::size_t size,
                              const std::string& progress_prefix);

// LineLost: an erase or a write failed because the line went (a pulled adapter, a closed
// connection): a failure of the port, not of the device.
enum class TransferResult { OpenFailed, EraseFailed, WriteFailed, Interrupted, LineLost, Done };

// The last log line of a transfer the user stopped, and after "失败：" its status: how far the
// data got ("用户中断，已写入 2400 字节").
std::string InterruptedTransferText(std::size_t written);
// The bytes such a line says were written; nothing for any other line.
std::optional<std::size_t> ReadInterruptedTransferText(std::string_view line);

// The line a transfer logs after its title when its plan asks (the command line's logs): what
// goes where, so that a log read back tells the bytes and the range ("数据：20000 字节，地址
// 0x004000"). The window's log keeps its own lines.
std::string TransferDataLogLine(std::uint32_t base, std::size_t size);
struct LoggedTransferData {
  std::uint32_t base = 0;
  std::size_t size = 0;
};
std::optional<LoggedTransferData> ReadTransferDataLogLine(std::string_view line);

// What the device is given to answer a request: an erase 5000 ms to the first byte of its
// reply, every other request 1000 ms; 500 ms between bytes.
struct ReplyTimeouts {
  int first_byte_ms = 0;
  int inter_byte_ms = 0;
};
ReplyTimeouts ReplyTimeoutsFor(std::span<const std::uint8_t> request);

// The requests, built in `frame` (at least 10 + n bytes); the checksum byte is left to
// WriteFrame. Return the frame length.
std::size_t BuildEraseRequest(std::uint8_t* frame, std::uint32_t address);
std::size_t BuildWriteRequest(std::uint8_t* frame, std::uint32_t address, std::size_t n);
// 55 AA 02 01 01 04 and nothing else: length 6, command 0x02, data byte 0x01.
bool IsMemoryAck(const std::uint8_t* reply, std::size_t length);

// The status text the progress rule shows after `offset` of `total` bytes were written in
// blocks of `block`, or nothing when this block does not meet it.
std::optional<std::string> ProgressText(const std::string& prefix, std::size_t offset,
                                        std::size_t block, std::size_t total);

// Runs the transfer inside the open `port`. On every way out the data is closed, the port is
// closed, the form is enabled again (when it was disabled) and the window brought to the front.
// Reporter::Progress follows every block, with (0, 0) at the end. A stop the reporter asks for
// ends it before the next request, with caption + "失败：" + InterruptedTransferText on the
// status line whatever the plan says: the user asked, and must hear how far it got. A failure
// because the line went says why after the usual status (LineLost).
TransferResult RunMemoryTransfer(Port& port, Reporter& reporter, const TransferPlan& plan,
                                 TransferData& data);

// Opens `port` as `link` says first; when it cannot be opened, closes the data and shows the
// communication failure without the caption.
TransferResult DownloadToDevice(Port& port, Reporter& reporter, const Link& link,
                                const TransferPlan& plan, TransferData& data);

}  // namespace zotpx
