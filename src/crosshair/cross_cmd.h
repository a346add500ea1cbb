// The crosshair commands: its settings (on/off, shape, colour, keyboard step and the
// coordinate read-out) and moving its centre. The shapes themselves come from the
// crosshair file downloaded beforehand.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "base/attributes.h"
#include "serial/frame.h"

namespace zotpx {

struct CrossSettings {
  int enable = 0;    // 0 on, 1 off
  int shape = 0;     // list index: shape 1..20 on the device
  int colour = 0;    // 0 foreground, 1 background
  int key_step = 8;  // list index: step 2..20 pixels
  TextAttributes text{2, 0, 1, 0, 0};
  std::string text_left = "0";  // read-out's top-left X as typed, 0..383
  std::string text_top = "0";   // read-out's top-left Y as typed, 0..255
};

struct CrossMove {
  std::string x = "192";  // centre X as typed, 0..383
  std::string y = "128";  // centre Y as typed, 0..255
};

inline constexpr std::uint8_t kCrossSettingsCommand = 0x1E;
inline constexpr std::uint8_t kCrossMoveCommand = 0x1F;

// Bit 0 the crosshair colour, bit 7 the function (1 = off).
std::uint8_t CrossModeByte(int colour, int enable);

// The validation message, or nothing when the coordinates are integers on the screen.
std::optional<std::string> CheckCrossSettings(const CrossSettings& values);
std::optional<std::string> CheckCrossMove(const CrossMove& values);

// 55 AA 1E 08, mode, shape, step, text attributes, X, Y (high byte first), checksum.
// Meant for values that passed the check.
Bytes CrossSettingsFrame(const CrossSettings& values);
// 55 AA 1F 04, X, Y (high byte first), checksum.
Bytes CrossMoveFrame(const CrossMove& values);

}  // namespace zotpx
