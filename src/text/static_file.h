// The static command file: a text of command frames in hexadecimal, turned into the
// 16384-byte image "User.cfg" that the device runs at start-up.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/catalogue_text.h"
#include "base/device_model.h"
#include "serial/frame.h"
#include "serial/memory_transfer.h"

namespace zotpx {

inline constexpr std::size_t kStaticImageSize = 16384;
inline constexpr std::size_t kStaticFileLimit = 1048576;  // a text must be smaller than this
inline constexpr std::size_t kStaticLineLimit = 260;      // bytes collected for one line
inline constexpr std::size_t kStaticRecordEnd = 0x3FFF;   // records end before this offset
inline constexpr std::size_t kStaticMaxRecords = 255;     // what the count byte holds
inline constexpr const char* kStaticFileName = "User.cfg";

inline constexpr CatalogueText kStaticNoModelText = "text.static_no_model";
inline constexpr CatalogueText kStaticOpenFailedText = "text.static_open_failed";
inline constexpr CatalogueText kStaticInvalidText = "text.static_invalid";
inline constexpr CatalogueText kStaticTooBigText = "text.static_too_big";
inline constexpr CatalogueText kStaticTooManyText = "text.static_too_many";
inline constexpr CatalogueText kStaticFrameTooLongText = "text.static_frame_too_long";
inline constexpr CatalogueText kStaticSaveFailedText = "text.static_save_failed";
inline constexpr CatalogueText kStaticGeneratedLogLine = "text.static_generated_log";
inline constexpr CatalogueText kStaticQuestionText = "text.static_question";
inline constexpr CatalogueText kStaticDownloadTitle = "text.static_download_title";

// A model must be known.
std::optional<std::string> CheckStaticRequest(DeviceModel model);
// 1 to 1048575 bytes.
std::optional<std::string> CheckStaticFileSize(std::size_t size);

struct StaticImage {
  std::optional<std::string> failure;  // the message when the text is refused
  Bytes image;                         // kStaticImageSize bytes when accepted
  std::size_t records = 0;
  std::vector<std::size_t> lines;  // of each record, in the text it was read from
};

// One line of a static command text as the reader collects it: two hex digits in a row make a
// byte, anything else is skipped; a line ends at CR LF, a lone CR or a lone LF, and so does the
// text. A line that reaches kStaticLineLimit bytes starts collecting again with the next byte.
struct StaticLine {
  std::size_t number = 1;  // from 1
  Bytes bytes;
};
std::vector<StaticLine> ReadStaticLines(std::span<const std::uint8_t> text);
// A command frame (sync, command 00..1F, length, data, checksum) and one more byte.
bool IsStaticRecord(std::span<const std::uint8_t> line);

// Reads the text byte by byte: two hex digits in a row make a byte, anything else is skipped.
// A line ends at CR LF, a lone CR or a lone LF, and so does the text. A line that makes a
// command frame plus one trailing byte is a record; other lines are skipped without a word.
StaticImage BuildStaticImage(std::span<const std::uint8_t> text);

// The commands a start-up list may hold: the system parameters (0x10) and the overlay objects
// (0x12..0x1F). Never the identification, a memory transfer, or the clock (0x11): a clock
// frame run at every power-on would set the device back to the same moment each time.
constexpr bool IsStartUpCommand(std::uint8_t command) {
  return command == 0x10 || (command >= 0x12 && command <= 0x1F);
}

// The byte written after each frame of a static text. Its meaning is the device's; zero is
// what the image's unused space holds too.
inline constexpr std::uint8_t kStaticTrailingByte = 0x00;

// The static text of these frames: a comment line, then one record a line, ended CR LF: each
// frame's bytes as the log writes them ("55 AA 10 "), then kStaticTrailingByte. It reads back
// to exactly these records when CheckStaticFrames finds nothing to say.
std::string FormatStaticText(std::span<const Bytes> frames);
// What the static download would refuse in the frames' text: more records than the image
// holds, or a frame that is no record (not a whole command frame, or longer than 259 bytes,
// since a line collects at most 260 bytes with the trailing one).
std::optional<std::string> CheckStaticFrames(std::span<const Bytes> frames);

// The records of a static command image, each a frame and its trailing byte, in the order the
// device runs them at power-on. All or nothing: an image without the "CFG " tag (erased memory
// reads FF), or whose count is not met by whole records (a record that is not a command frame
// plus one byte, or that would reach offset 0x3FFF or the end of the image: a download cut
// short), holds none, so a damaged image never runs half a layout.
std::vector<Bytes> StaticImageRecords(std::span<const std::uint8_t> image);

// Downloading the image: one erase at 0, the 16384 bytes from address 0, no progress.
TransferPlan StaticTransferPlan(const std::string& caption);

}  // namespace zotpx
