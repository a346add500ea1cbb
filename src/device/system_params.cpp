#include "device/system_params.h"

namespace zotpx {

Bytes SystemParamsFrame(const SystemParams& params) {
  std::uint8_t keys = 0;
  for (std::size_t i = 0; i < params.key_polarity.size(); ++i)
    keys |= static_cast<std::uint8_t>((params.key_polarity[i] & 1) << i);
  const auto offsets = static_cast<std::uint8_t>((params.column_offset_ex & 0x0F) |
                                                 (params.column_offset_in & 0x0F) << 4);
  return MakeFrame(
      kSystemParamsCommand,
      {static_cast<std::uint8_t>(params.overlay_enabled ? 0x80 : 0x00), keys, offsets});
}

}  // namespace zotpx
