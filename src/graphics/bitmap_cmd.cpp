#include "graphics/bitmap_cmd.h"

#include <algorithm>
#include <array>

#include "base/coordinates.h"

namespace zotpx {

namespace {

std::optional<std::array<int, 2>> ParsePosition(const std::string& x, const std::string& y) {
  return ParseFields<2>({&x, &y});
}

// X then Y converted, and the whole picture on the screen.
std::optional<std::string> CheckPosition(const std::string& x_text, const std::string& y_text,
                                         const LoadedBitmap& picture) {
  const auto position = ParsePosition(x_text, y_text);
  if (!position) return kBitmapCoordinateText;
  const long long x = (*position)[0];
  const long long y = (*position)[1];
  if (!OnScreen(x, y) || x + picture.width > kScreenWidth || y + picture.height > kScreenHeight)
    return kBitmapCoordinateText;
  return std::nullopt;
}

// Attribute, X, Y, W, H: the head of every bitmap frame.
Bytes BitmapHead(std::uint8_t attribute, const std::string& x_text, const std::string& y_text,
                 const LoadedBitmap& picture) {
  const auto position = ParsePosition(x_text, y_text).value_or(std::array<int, 2>{});
  Bytes data{attribute};
  PutCoordinate(data, position[0]);
  PutCoordinate(data, position[1]);
  data.push_back(static_cast<std::uint8_t>(picture.width));
  data.push_back(static_cast<std::uint8_t>(picture.height));
  return data;
}

std::size_t PictureBytes(const LoadedBitmap& picture) {
  return static_cast<std::size_t>(picture.width) / 8 * picture.height;
}

}  // namespace

std::uint8_t FlashAttributeByte(const FlashBitmapValues& v) {
  return static_cast<std::uint8_t>((v.colour & 7) | (v.flash & 3) << 3 | (v.cycle & 1) << 6 |
                                   (v.show & 1) << 7);
}

std::uint8_t BlockAttributeByte(int colour, std::size_t block, int show) {
  return static_cast<std::uint8_t>((colour & 7) | (block & 15) << 3 | (show & 1) << 7);
}

std::size_t BitmapBlockCount(const LoadedBitmap& picture) {
  return (PictureBytes(picture) + kBitmapBlockSize - 1) / kBitmapBlockSize;
}

std::optional<std::string> CheckFlashBitmap(const FlashBitmapValues& values,
                                            const LoadedBitmap* picture) {
  if (!picture) return kBitmapNotLoadedText;
  if (auto failure = CheckPosition(values.x, values.y, *picture)) return failure;
  // The slot never loads more than one frame's worth; anything else cannot travel.
  if (PictureBytes(*picture) == 0 || PictureBytes(*picture) > kBitmapBlockSize)
    return kBitmapBlocksText;
  return std::nullopt;
}

std::optional<std::string> CheckBlockBitmap(const BlockBitmapCommand& command,
                                            const BlockBitmapValues& values,
                                            const LoadedBitmap* picture) {
  if (!picture) return kBitmapNotLoadedText;
  if (auto failure = CheckPosition(values.x, values.y, *picture)) return failure;
  const std::size_t blocks = BitmapBlockCount(*picture);
  if (blocks == 0 || blocks > command.max_blocks) return kBitmapBlocksText;
  return std::nullopt;
}

Bytes FlashBitmapFrame(const FlashBitmapValues& values, const LoadedBitmap& picture) {
  Bytes data = BitmapHead(FlashAttributeByte(values), values.x, values.y, picture);
  const std::size_t size = std::min(PictureBytes(picture), picture.packed.size());
  data.insert(data.end(), picture.packed.begin(), picture.packed.begin() + size);
  data.resize(7 + PictureBytes(picture), 0);
  return MakeFrame(kFlashBitmapCommand, data);
}

Bytes BitmapDataFrame(const BlockBitmapCommand& command, const BlockBitmapValues& values,
                      const LoadedBitmap& picture, std::size_t block) {
  Bytes data = BitmapHead(BlockAttributeByte(values.colour, block, values.show), values.x, values.y,
                          picture);
  const std::size_t picture_bytes = std::min(PictureBytes(picture), picture.packed.size());
  const std::size_t first = std::min((block - 1) * kBitmapBlockSize, picture_bytes);
  const std::size_t last = std::min(block * kBitmapBlockSize, picture_bytes);
  data.insert(data.end(), picture.packed.begin() + static_cast<std::ptrdiff_t>(first),
              picture.packed.begin() + static_cast<std::ptrdiff_t>(last));
  // Zeros after the picture's end, never what an earlier picture left behind.
  data.resize(7 + kBitmapBlockSize, 0);
  return MakeFrame(command.command, data);
}

Bytes BitmapControlFrame(const BlockBitmapCommand& command, const BlockBitmapValues& values,
                         const LoadedBitmap& picture) {
  return MakeFrame(command.command, BitmapHead(BlockAttributeByte(values.colour, 0, values.show),
                                               values.x, values.y, picture));
}

std::vector<Bytes> BlockBitmapFrames(const BlockBitmapCommand& command,
                                     const BlockBitmapValues& values, const LoadedBitmap& picture) {
  std::vector<Bytes> frames;
  if (!values.control_only)
    for (std::size_t block = 1; block <= BitmapBlockCount(picture); ++block)
      frames.push_back(BitmapDataFrame(command, values, picture, block));
  frames.push_back(BitmapControlFrame(command, values, picture));
  return frames;
}

}  // namespace zotpx
