#include "screen/png_writer.h"

#include <png.h>

#include <new>
#include <string>

#include "base/file_save.h"

namespace zotpx::screen {

namespace {

void Append(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
  try {
    out->insert(out->end(), data, data + length);
  } catch (const std::bad_alloc&) {
    png_error(png, "out of memory");  // back to the setjmp: no exception through libpng
  }
}

bool EncodeRows(const Picture& picture, std::vector<std::uint8_t>& out) {
  // Pixels are 0xAABBGGRR: written byte by byte as R, G, B, A on any host.
  std::vector<std::uint8_t> bytes(picture.rgba.size() * 4);
  for (std::size_t i = 0; i < picture.rgba.size(); ++i) {
    for (int c = 0; c < 4; ++c) {
      bytes[i * 4 + c] = static_cast<std::uint8_t>(picture.rgba[i] >> (8 * c));
    }
  }
  std::vector<png_bytep> rows(static_cast<std::size_t>(picture.height));
  for (std::size_t y = 0; y < rows.size(); ++y) {
    rows[y] = bytes.data() + y * static_cast<std::size_t>(picture.width) * 4;
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  // libpng reports errors by longjmp back to here: nothing with a destructor is made below.
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, &out, Append, nullptr);
  png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width),
               static_cast<png_uint_32>(picture.height), 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> EncodePng(const Picture& picture) {
  if (picture.width <= 0 || picture.height <= 0 ||
      picture.rgba.size() != static_cast<std::size_t>(picture.width) * picture.height) {
    return std::nullopt;
  }
  std::vector<std::uint8_t> out;
  if (!EncodeRows(picture, out)) return std::nullopt;
  return out;
}

SaveResult WritePng(const std::string& path, const Picture& picture) {
  const std::optional<std::vector<std::uint8_t>> png = EncodePng(picture);
  // Not flushed to the disk: the rename alone keeps readers from half a picture, and a picture
  // the screen can render again is not worth a disk flush after every change.
  if (!png) return {SaveProblem::Failed, 0};
  return WriteWholeFile(path, *png, SaveSync::Quick);
}

}  // namespace zotpx::screen
