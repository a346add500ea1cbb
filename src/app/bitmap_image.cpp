#include "app/bitmap_image.h"

#include <stdexcept>
#include <string>

#include "graphics/bitmap.h"

QImage LoadBitmapImage(const QString& path) {
  QImage image;
  if (!image.load(path, "BMP") || image.isNull())
    throw std::runtime_error(QStringLiteral("无法解码位图文件：%1").arg(path).toStdString());
  return image;
}

zotpx::Bytes PackBlackPixels(const QImage& image) {
  zotpx::Bytes packed(zotpx::PackedSize(static_cast<std::size_t>(image.width()),
                                        static_cast<std::size_t>(image.height())));
  PackBlackPixels(image, packed);
  return packed;
}

void PackBlackPixels(const QImage& image, std::span<std::uint8_t> out) {
  // One conversion gives every pixel as its palette or true colour, whatever the file's depth.
  const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
  const auto width = static_cast<std::size_t>(rgb.width());
  const std::size_t row_bytes = zotpx::RowBytes(width);
  if (out.size() < row_bytes * static_cast<std::size_t>(rgb.height()))
    throw std::logic_error("bitmap buffer too small for the picture");
  for (int y = 0; y < rgb.height(); ++y) {
    const auto* line = reinterpret_cast<const std::uint32_t*>(rgb.constScanLine(y));
    zotpx::PackBlackRow(std::span<const std::uint32_t>(line, width),
                        out.subspan(static_cast<std::size_t>(y) * row_bytes, row_bytes));
  }
}
