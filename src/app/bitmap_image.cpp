#include "app/bitmap_image.h"

#include <stdexcept>
#include <string>

#include "app/save_file.h"
#include "graphics/bitmap.h"

QImage PictureImage(const zotpx::DecodedBitmap& picture) {
  const QImage view(reinterpret_cast<const uchar*>(picture.pixels.data()),
                    static_cast<int>(picture.width), static_cast<int>(picture.height),
                    static_cast<qsizetype>(picture.width * sizeof(std::uint32_t)),
                    QImage::Format_RGB32);
  return view.copy();
}

std::string CannotDecodeText(const QString& path) {
  return zotpx::kBitmapCannotDecodeText + CorePath(path);
}

QImage LoadBitmapImage(const QString& path) {
  const std::optional<zotpx::DecodedBitmap> picture = zotpx::DecodeBitmapFile(CorePath(path));
  if (!picture) throw std::runtime_error(CannotDecodeText(path));
  return PictureImage(*picture);
}

zotpx::Bytes PackBlackPixels(const QImage& image) {
  // One conversion gives every pixel as its palette or true colour, whatever the image's depth.
  const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
  zotpx::DecodedBitmap picture{
      static_cast<std::uint32_t>(rgb.width()), static_cast<std::uint32_t>(rgb.height()), {}};
  picture.pixels.reserve(std::size_t{picture.width} * picture.height);
  for (int y = 0; y < rgb.height(); ++y) {
    const auto* line = reinterpret_cast<const std::uint32_t*>(rgb.constScanLine(y));
    picture.pixels.insert(picture.pixels.end(), line, line + picture.width);
  }
  return zotpx::PackBlackPixels(picture);
}
