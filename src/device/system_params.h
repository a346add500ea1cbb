// The device's global parameters: overlay on/off, switch polarities, video column offsets.
#pragma once

#include <array>

#include "serial/frame.h"

namespace zotpx {

struct SystemParams {
  bool overlay_enabled = true;
  std::array<int, 6> key_polarity{};  // per switch: 0 active low, 1 active high
  int column_offset_ex = 6;           // external video, 0..15
  int column_offset_in = 9;           // internal video, 0..15
};

inline constexpr std::uint8_t kSystemParamsCommand = 0x10;

// 55 AA 10 03, enable, switches, offsets, checksum.
Bytes SystemParamsFrame(const SystemParams& params);

}  // namespace zotpx
