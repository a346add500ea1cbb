// Frames from values and values from frames, for every row of the command table, by its fields'
// placements: one builder and one decoder for all of them.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "command/values.h"
#include "device/clock.h"

namespace zotpx {

// Everything one click sends, in order (checksums filled in): one frame, or for the block
// bitmaps the numbered data frames (none when control only) and the control frame. Meant for
// values that passed their row's check; the clock reads the computer's time here when its
// moment is empty.
std::vector<Bytes> BuildFrames(const Values& values);
// One frame of them: `block` 1..N a block bitmap's data frame, 0 every other frame.
Bytes BuildFrame(const Values& values, std::size_t block = 0);

struct DecodedFrame {
  bool framed = false;  // 55 AA and as many bytes as its length byte says: the checksum is judged
  bool checksum_ok = false;
  std::uint8_t checksum = 0;        // what the checksum should be
  const CommandRow* row = nullptr;  // nullptr: no command of the table has this code
  std::optional<Values> values;     // when the frame follows its row's layout
  std::size_t block = 0;            // a block bitmap's data frame: 1..N
  // Every way it departs from a frame of its row the tool would send, in words: each one, none
  // hiding another (a code above 0x1F and a wrong checksum are both said).
  std::vector<std::string> problems;
  // How many of the problems leave every value as the frame says it: bits and bytes that no
  // field takes (reserved bits, format slots after the count, a block's bytes after the
  // picture's end) and text bytes that are no code page 936 character (the device gets them as
  // they are).
  std::size_t readable_problems = 0;
  // The row's check on the values as the frame holds them: the message after the title.
  std::optional<std::string> refusal;
  // The row's frame the tool would send: values, no problem, no refusal, checksum right.
  bool ok() const { return values && problems.empty() && !refusal && checksum_ok; }
  // Every field reads as its row lays it out, whatever the unused bits and bytes hold: the
  // values are what the frame says.
  bool readable() const { return values && problems.size() == readable_problems; }
};

// A command frame as sent to the device.
DecodedFrame DecodeFrame(std::span<const std::uint8_t> frame);

// Puts a command together from its frames as they go by: a single-frame command at once, a
// block bitmap at its control frame with the picture its data frames carried (control-only when
// none did). A run that is broken off (another command, a block out of order) starts again.
class CommandAssembler {
 public:
  // The decoded frame's command when it completes one.
  std::optional<Values> Add(const DecodedFrame& frame);
  // Blocks missing from the last completed picture (it was taken from the device's buffer).
  bool last_incomplete() const { return incomplete_; }

 private:
  const CommandRow* row_ = nullptr;
  std::optional<Values> picture_;  // the data frames so far
  std::size_t next_block_ = 1;
  bool broken_ = false;  // the data frames so far did not begin with block 1
  bool incomplete_ = false;
};

// "YYYY-MM-DD HH:MM:SS" as a real moment the clock command carries (years 2000..2255).
std::optional<LocalDateTime> ParseMoment(std::string_view text);
// Why ParseMoment refuses a text: no such date and time, or a year the device's clock cannot
// hold (it keeps year - 2000 in one byte). Nothing when it takes it.
std::optional<std::string> MomentFault(std::string_view text);
// A moment as ParseMoment reads it (milliseconds dropped).
std::string FormatMoment(const LocalDateTime& moment);
// A date or time format the device takes: as long as the field's min or max, bytes 33..125.
bool IsFormatText(const FieldDef& format, std::string_view text);

}  // namespace zotpx
