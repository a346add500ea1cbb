// The static command file: a text of command frames in hexadecimal, turned into the
// 16384-byte image "User.cfg" that the device runs at start-up.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "serial/frame.h"
#include "serial/memory_transfer.h"

namespace zotpx {

inline constexpr std::size_t kStaticImageSize = 16384;
inline constexpr std::size_t kStaticFileLimit = 1048576;  // a text must be smaller than this
inline constexpr std::size_t kStaticLineLimit = 260;      // bytes collected for one line
inline constexpr std::size_t kStaticRecordEnd = 0x3FFF;   // records end before this offset
inline constexpr std::size_t kStaticMaxRecords = 255;     // what the count byte holds
inline constexpr const char* kStaticFileName = "User.cfg";

inline constexpr const char* kStaticNoModelText = "失败：请先连接设备获得产品型号才能下载静态命令";
inline constexpr const char* kStaticOpenFailedText = "失败：打开命令文件失败";
inline constexpr const char* kStaticInvalidText = "失败：无效的命令文件";
inline constexpr const char* kStaticTooBigText = "失败：命令文件太大";
inline constexpr const char* kStaticTooManyText = "失败：命令条数超过255条";
inline constexpr const char* kStaticSaveFailedText = "失败：生成静态命令文件失败";
inline constexpr const char* kStaticGeneratedLogLine = "生成静态命令成功";
inline constexpr const char* kStaticQuestionText = "已生成静态命令文件，是否立即下载？";
inline constexpr const char* kStaticDownloadTitle = "下载静态命令";

std::optional<std::string> CheckStaticRequest(int model_index);
// 1 to 1048575 bytes.
std::optional<std::string> CheckStaticFileSize(std::size_t size);

struct StaticImage {
  std::optional<std::string> failure;  // the message when the text is refused
  Bytes image;                         // kStaticImageSize bytes when accepted
  std::size_t records = 0;
};

// Reads the text byte by byte: two hex digits in a row make a byte, anything else is skipped.
// A line ends at CR LF, a lone CR or a lone LF, and so does the text. A line that makes a
// command frame plus one trailing byte is a record; other lines are skipped without a word.
StaticImage BuildStaticImage(std::span<const std::uint8_t> text);

// Downloading the image: one erase at 0, the 16384 bytes from address 0, no progress.
TransferPlan StaticTransferPlan(const std::string& caption);

}  // namespace zotpx
