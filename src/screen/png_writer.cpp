#include "screen/png_writer.h"

#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <vector>

namespace zotpx::screen {

namespace {

bool WriteRows(std::FILE* file, const Picture& picture) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  // libpng reports errors by longjmp; nothing with a destructor lives past this point.
  std::vector<png_bytep> rows(static_cast<std::size_t>(picture.height));
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width),
               static_cast<png_uint_32>(picture.height), 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  // Pixels are 0xAABBGGRR: written byte by byte as R, G, B, A on any host.
  std::vector<std::uint8_t> bytes(picture.rgba.size() * 4);
  for (std::size_t i = 0; i < picture.rgba.size(); ++i) {
    for (int c = 0; c < 4; ++c)
      bytes[i * 4 + c] = static_cast<std::uint8_t>(picture.rgba[i] >> (8 * c));
  }
  for (int y = 0; y < picture.height; ++y) {
    rows[static_cast<std::size_t>(y)] =
        bytes.data() + static_cast<std::size_t>(y) * picture.width * 4;
  }
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

bool WritePng(const std::string& path, const Picture& picture) {
  if (picture.width <= 0 || picture.height <= 0 ||
      picture.rgba.size() != static_cast<std::size_t>(picture.width) * picture.height) {
    return false;
  }
  const std::filesystem::path target(path);
  std::filesystem::path temp_pattern = target;
  temp_pattern += ".XXXXXX";
  std::string temp = temp_pattern.string();
  const int fd = mkstemp(temp.data());
  if (fd < 0) return false;
  std::FILE* file = fdopen(fd, "wb");
  if (!file) {
    close(fd);
    unlink(temp.c_str());
    return false;
  }
  bool ok = WriteRows(file, picture);
  ok = std::fflush(file) == 0 && ok;
  ok = fsync(fileno(file)) == 0 && ok;
  ok = std::fclose(file) == 0 && ok;
  // mkstemp makes the file private; a picture is for everyone the umask allows.
  if (ok) {
    const mode_t mask = umask(0);
    umask(mask);
    ok = chmod(temp.c_str(), 0666 & ~mask) == 0;
  }
  if (ok) ok = std::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) unlink(temp.c_str());
  return ok;
}

}  // namespace zotpx::screen
