#include <algorithm>

#include "screen/screen.h"
#include "text/static_file.h"

namespace zotpx::screen {

// The image as the static command download leaves it; the one reader of it decides what runs
// (a damaged image runs nothing rather than half a layout). Each record's trailing byte is the
// device's and is not drawn.
std::size_t RunStartupImage(ScreenModel& model, std::span<const std::uint8_t> image,
                            std::int64_t now_ms) {
  std::size_t accepted = 0;
  for (const Bytes& record :
       StaticImageRecords(image.first(std::min(image.size(), kStaticImageSize))))
    accepted += model.Apply(std::span(record).first(record.size() - 1), now_ms) ? 1 : 0;
  return accepted;
}

}  // namespace zotpx::screen
