// The three bitmap commands: the flashing bitmap character in one frame, and the oversized
// bitmap character and the single-colour bitmap as numbered 240-byte data frames followed by
// one control frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "serial/frame.h"

namespace zotpx {

// A slot's picture as the last successful load left it: W and H in pixels (multiples of 8)
// and the packed bytes, RowBytes(W) * H of them.
struct LoadedBitmap {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  Bytes packed;
};

struct FlashBitmapValues {
  std::string x = "5";  // top-left corner as typed
  std::string y = "100";
  int colour = 3;  // ComboBitmapColor, the 8 colour modes
  int flash = 1;   // ComboBitmapFlash: 0 none, 1..3 automatic flashing
  int cycle = 0;   // ComboBitmapCycle: 0 one second, 1 two seconds
  int show = 0;    // ComboBitmapShow: 0 show, 1 delete
};

struct BlockBitmapValues {
  std::string x;  // top-left corner as typed
  std::string y;
  int colour = 0;             // oversized: 8 colour modes; single-colour: foreground/background
  int show = 0;               // 0 show, 1 delete
  bool control_only = false;  // "仅发送控制参数(无位图数据)": no data frames
};

// The two commands that send their picture in blocks.
struct BlockBitmapCommand {
  std::uint8_t command;
  std::size_t max_blocks;
};
inline constexpr BlockBitmapCommand kSuperBitmapCommand{0x17, 9};    // up to 128 x 128
inline constexpr BlockBitmapCommand kSingleBitmapCommand{0x1D, 13};  // up to 192 x 128
inline constexpr std::uint8_t kFlashBitmapCommand = 0x15;

inline constexpr std::size_t kBitmapBlockSize = 240;
// A data frame: 55 AA cmd F7, attribute, X, Y, W, H, 240 picture bytes, checksum.
inline constexpr std::size_t kBitmapDataFrameSize = 252;

inline constexpr const char* kBitmapNotLoadedText = "失败：请先选择一个位图文件";
inline constexpr const char* kBitmapCoordinateText = "失败：不合法的坐标值";
inline constexpr const char* kBitmapBlocksText = "失败：不合法的位图";

// colour | flash * 8 | cycle * 64 | show * 128.
std::uint8_t FlashAttributeByte(const FlashBitmapValues& values);
// colour | block * 8 (1..N for a data frame, 0 for the control frame) | show * 128.
std::uint8_t BlockAttributeByte(int colour, std::size_t block, int show);

// Blocks of 240 bytes the picture fills, the last one partly.
std::size_t BitmapBlockCount(const LoadedBitmap& picture);

// The failure message after the title, or nothing. `picture` is nullptr when the slot is not
// loaded. Checked in order: loaded, X then Y integers, the picture wholly on the screen, and
// (block commands) 1..max_blocks blocks.
std::optional<std::string> CheckFlashBitmap(const FlashBitmapValues& values,
                                            const LoadedBitmap* picture);
std::optional<std::string> CheckBlockBitmap(const BlockBitmapCommand& command,
                                            const BlockBitmapValues& values,
                                            const LoadedBitmap* picture);

// Frames for values that passed their check (checksums filled in).
// 55 AA 15 (W/8*H + 7), attribute, X, Y, W, H, the packed picture: at most 252 bytes.
Bytes FlashBitmapFrame(const FlashBitmapValues& values, const LoadedBitmap& picture);
// Data frame k = 1..N carries picture bytes (k-1)*240 .. k*240-1; the last block is filled
// up with zeros.
Bytes BitmapDataFrame(const BlockBitmapCommand& command, const BlockBitmapValues& values,
                      const LoadedBitmap& picture, std::size_t block);
// 55 AA cmd 07, attribute with block 0, X, Y, W, H: 12 bytes.
Bytes BitmapControlFrame(const BlockBitmapCommand& command, const BlockBitmapValues& values,
                         const LoadedBitmap& picture);
// Everything one click sends, in order: the data frames (none when control only), then the
// control frame.
std::vector<Bytes> BlockBitmapFrames(const BlockBitmapCommand& command,
                                     const BlockBitmapValues& values, const LoadedBitmap& picture);

}  // namespace zotpx
