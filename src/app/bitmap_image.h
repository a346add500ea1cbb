// Bitmap pictures for the window's previews. Files are decoded and packed by the core
// (graphics/bitmap_decode.h), so the window packs a file exactly as the command line does;
// here they only become images to show.
#pragma once

#include <QImage>
#include <QString>

#include "graphics/bitmap_decode.h"
#include "serial/frame.h"

// The decoded pixels as an image (a deep copy).
QImage PictureImage(const zotpx::DecodedBitmap& picture);

// The error display's text for a file the decoder cannot read.
std::string CannotDecodeText(const QString& path);

// The whole file decoded. Throws std::runtime_error with CannotDecodeText for the standard
// error display when the decoder cannot read it (a header that passed the tool's own check
// can still hide a broken file).
QImage LoadBitmapImage(const QString& path);

// An image packed by the pure-black rule: RowBytes(width) bytes a row, top row first, bit 0
// the leftmost pixel.
zotpx::Bytes PackBlackPixels(const QImage& image);
