#include <algorithm>
#include <vector>

#include "screen/screen.h"
#include "text/static_file.h"

namespace zotpx::screen {

// The image as the static command download leaves it: "CFG ", a count, then each record a
// whole frame and one trailing byte (whose meaning is the device's; it is skipped). The whole
// image is checked before anything runs, so a damaged one draws nothing rather than half.
std::size_t RunStartupImage(ScreenModel& model, std::span<const std::uint8_t> image,
                            std::int64_t now_ms) {
  const std::span<const std::uint8_t> area = image.first(std::min(image.size(), kStaticImageSize));
  if (area.size() < 5 || !std::equal(area.begin(), area.begin() + 4, "CFG ")) return 0;
  std::vector<std::span<const std::uint8_t>> frames;
  std::size_t at = 5;
  for (int record = 0; record < area[4]; ++record) {
    if (at + 4 > area.size() || area[at] != 0x55 || area[at + 1] != 0xAA || area[at + 2] > 0x1F) {
      return 0;
    }
    const std::size_t frame_length = std::size_t{area[at + 3]} + 5;
    if (at + frame_length + 1 > area.size()) return 0;
    frames.push_back(area.subspan(at, frame_length));
    at += frame_length + 1;
  }
  std::size_t accepted = 0;
  for (const auto& frame : frames) accepted += model.Apply(frame, now_ms) ? 1 : 0;
  return accepted;
}

}  // namespace zotpx::screen
