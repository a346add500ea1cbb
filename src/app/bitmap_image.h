// Decoding bitmap files with Qt and packing the decoded picture into the device's 1-bit layout
// (graphics/bitmap.h): the bitmap slots and the crosshair shapes share both steps.
#pragma once

#include <QImage>
#include <QString>
#include <cstdint>
#include <span>

#include "serial/frame.h"

// The whole file decoded. Throws std::runtime_error with a message for the standard error
// display when the decoder cannot read it (a header that passed the tool's own check can
// still hide a broken file).
QImage LoadBitmapImage(const QString& path);

// The picture packed by the pure-black rule: RowBytes(width) bytes a row, top row first,
// bit 0 the leftmost pixel.
zotpx::Bytes PackBlackPixels(const QImage& image);
// The same into `out`, which holds at least PackedSize(width, height) bytes; bytes beyond the
// picture are left as they are.
void PackBlackPixels(const QImage& image, std::span<std::uint8_t> out);
