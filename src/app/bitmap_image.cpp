#include "app/bitmap_image.h"

#include <QFile>
#include <QFileInfo>
#include <stdexcept>
#include <string>

#include "graphics/bitmap.h"

namespace {

std::uint32_t Le32(const QByteArray& bytes, int offset) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData()) + offset;
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// The decoder fills the rows of a file cut short with whatever memory held, and says it
// succeeded: an uncompressed picture must hold all its rows. Also only regular files, so that
// a FIFO put in a listed file's place cannot hold the window.
bool HoldsWholePicture(const QString& path) {
  QFile file(path);
  if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) return false;
  const QByteArray header = file.read(zotpx::kBitmapHeaderSize);
  if (header.size() < static_cast<qsizetype>(zotpx::kBitmapHeaderSize)) return false;
  const std::uint32_t info_size = Le32(header, 14);
  const std::uint32_t compression = Le32(header, 30);
  if (info_size < 40 || compression != 0) return true;  // not a layout whose size we can tell
  const std::uint64_t width = Le32(header, 18);
  const auto height = static_cast<std::int32_t>(Le32(header, 22));
  const std::uint64_t bits = static_cast<std::uint16_t>(Le32(header, 28));
  const std::uint64_t rows = height < 0 ? -static_cast<std::int64_t>(height) : height;
  if (width > 0xFFFF || rows > 0xFFFF) return true;  // far beyond any slot: refused by size
  const std::uint64_t stride = (width * bits + 31) / 32 * 4;
  return static_cast<std::uint64_t>(file.size()) >= Le32(header, 10) + stride * rows;
}

}  // namespace

QImage LoadBitmapImage(const QString& path) {
  QImage image;
  if (!HoldsWholePicture(path) || !image.load(path, "BMP") || image.isNull())
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
