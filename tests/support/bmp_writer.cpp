#include "bmp_writer.h"

#include <cstdlib>
#include <fstream>

namespace zotpx::test {

namespace {

void Put16(Bytes& out, std::uint32_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put32(Bytes& out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

void PutBgr(Bytes& out, std::uint32_t rgb) {
  out.push_back(static_cast<std::uint8_t>(rgb));
  out.push_back(static_cast<std::uint8_t>(rgb >> 8));
  out.push_back(static_cast<std::uint8_t>(rgb >> 16));
}

}  // namespace

Bytes MakeBmp(const BmpLayout& layout, const DarkPixel& dark) {
  const int bpp = layout.bits_per_pixel;
  const std::uint32_t palette_entries = bpp <= 8 ? 1u << bpp : 0;
  const std::uint32_t row_size = ((static_cast<std::uint32_t>(layout.width) * bpp + 31) / 32) * 4;
  const std::uint32_t pixel_offset = 14 + 40 + palette_entries * 4;
  const std::uint32_t image_size = row_size * static_cast<std::uint32_t>(layout.height);

  Bytes out;
  out.push_back('B');
  out.push_back('M');
  Put32(out, pixel_offset + image_size);
  Put32(out, 0);
  Put32(out, pixel_offset);
  Put32(out, 40);
  Put32(out, static_cast<std::uint32_t>(layout.width));
  Put32(out, static_cast<std::uint32_t>(layout.top_down ? -layout.height : layout.height));
  Put16(out, 1);
  Put16(out, static_cast<std::uint32_t>(bpp));
  Put32(out, 0);  // no compression
  Put32(out, image_size);
  Put32(out, 2835);  // 72 dpi
  Put32(out, 2835);
  Put32(out, palette_entries);
  Put32(out, 0);

  const std::uint32_t dark_index = layout.dark_first ? 0 : 1;
  const std::uint32_t light_index = layout.dark_first ? 1 : 0;
  for (std::uint32_t i = 0; i < palette_entries; ++i) {
    // Entries beyond the two in use get a mid grey, never black.
    PutBgr(out, i == dark_index ? layout.dark : i == light_index ? layout.light : 0x808080);
    out.push_back(0);
  }

  for (int stored = 0; stored < layout.height; ++stored) {
    const int y = layout.top_down ? stored : layout.height - 1 - stored;
    Bytes row(row_size, 0);
    for (int x = 0; x < layout.width; ++x) {
      const bool is_dark = dark && dark(x, y);
      if (bpp == 24) {
        const std::uint32_t rgb = is_dark ? layout.dark : layout.light;
        row[x * 3] = static_cast<std::uint8_t>(rgb);
        row[x * 3 + 1] = static_cast<std::uint8_t>(rgb >> 8);
        row[x * 3 + 2] = static_cast<std::uint8_t>(rgb >> 16);
        continue;
      }
      const std::uint32_t index = is_dark ? dark_index : light_index;
      const int bit = x * bpp;  // most significant bits hold the leftmost pixel
      row[bit / 8] |= static_cast<std::uint8_t>(index << (8 - bpp - bit % 8));
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

Bytes MakeBmp(const BmpLayout& layout) {
  return MakeBmp(layout, nullptr);
}

bool WriteFileBytes(const std::string& path, const Bytes& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(file);
}

}  // namespace zotpx::test
