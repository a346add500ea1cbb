// The bitmap decoder on any bytes: it reads only what it was given, gives a picture only of
// the size the header states with every pixel filled, and packs it into exactly the bytes the
// picture takes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "graphics/bitmap_decode.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::optional<zotpx::DecodedBitmap> picture = zotpx::DecodeBitmap({data, size});
  if (!picture) return 0;
  if (size < 26 || picture->width != zotpx::Le32({data, size}, 18) ||
      picture->pixels.size() != std::size_t{picture->width} * picture->height)
    std::abort();
  if (zotpx::PackBlackPixels(*picture).size() !=
      zotpx::PackedSize(picture->width, picture->height))
    std::abort();
  return 0;
}
