// The bitmap header check on the first bytes of any file: it reads only what it was given,
// and a slot accepts exactly the 1-bit pictures whose sizes its limits allow and whose packed
// bytes fit the slot's buffer.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "graphics/bitmap.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

std::uint32_t Le32(const std::uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

struct Slot {
  zotpx::BitmapLimits limits;
  std::size_t capacity;  // packed bytes the slot's buffer and frames take
};
const Slot kSlots[] = {{zotpx::kFlashingBitmapLimits, 240},
                       {zotpx::kOversizedBitmapLimits, 2048},
                       {zotpx::kSingleColourBitmapLimits, 3072},
                       {zotpx::kScreenBitmapLimits, 12288}};

bool SizeOk(std::uint32_t v, std::uint32_t low, std::uint32_t high) {
  return v != 0 && v % 8 == 0 && v >= low && v <= high;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Exactly the bytes read: ASan reports any read past them.
  auto bytes = std::make_unique<std::uint8_t[]>(size ? size : 1);
  if (size) std::memcpy(bytes.get(), data, size);
  const std::span<const std::uint8_t> first(bytes.get(), size);
  const auto header = zotpx::ReadBitmapHeader(first, size);

  const bool readable = size >= 64 && data[0] == 'B' && data[1] == 'M';
  Check(header.has_value() == readable);
  if (header) {
    Check(header->width == Le32(data + 18) && header->height == Le32(data + 22));
    Check(header->bits_per_pixel == (data[28] | data[29] << 8));
    for (const Slot& slot : kSlots) {
      const zotpx::BitmapLimits& l = slot.limits;
      const bool expected = header->bits_per_pixel == 1 &&
                            SizeOk(header->width, l.min_width, l.max_width) &&
                            SizeOk(header->height, l.min_height, l.max_height) &&
                            (l.max_sum == 0 || std::uint64_t{header->width} + header->height <= l.max_sum);
      const bool fits = zotpx::FitsSlot(*header, l);
      Check(fits == expected);
      if (fits) Check(zotpx::PackedSize(header->width, header->height) <= slot.capacity);
    }
  }

  // Packing a row: a bit is set exactly for a pure black pixel, and only the row's bytes change.
  std::vector<std::uint32_t> pixels(size / 4);
  for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = Le32(data + 4 * i);
  std::vector<std::uint8_t> out(zotpx::RowBytes(pixels.size()) + 1, 0xA5);
  zotpx::PackBlackRow(pixels, out);
  Check(out.back() == 0xA5);
  for (std::size_t x = 0; x < pixels.size(); ++x)
    Check(((out[x / 8] >> (x % 8)) & 1) == ((pixels[x] & 0xFFFFFF) == 0));
  return 0;
}
