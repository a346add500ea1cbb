// The device's overlay screen without any device: command frames in, pixels out. The
// simulator feeds it every frame it accepts; `zotpx render` feeds it a layout. How the device
// draws (what each colour mode paints, how objects are keyed for deletion, glyph cells,
// blinking) is written down in docs/device-screen.md.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/coordinates.h"
#include "device/clock.h"

namespace zotpx {
struct DecodedFrame;
}

namespace zotpx::screen {

// One pixel: red in bits 0..7, green 8..15, blue 16..23, alpha 24..31 (0xAABBGGRR), so that on
// a little-endian machine the bytes lie R, G, B, A as libpng and QImage::Format_RGBA8888 want.
constexpr std::uint32_t Rgba(std::uint8_t r, std::uint8_t g, std::uint8_t b,
                             std::uint8_t a = 0xFF) {
  return std::uint32_t{r} | std::uint32_t{g} << 8 | std::uint32_t{b} << 16 | std::uint32_t{a} << 24;
}

// The device's two overlay colours.
inline constexpr std::uint32_t kForeground = Rgba(0xFF, 0xFF, 0xFF);
inline constexpr std::uint32_t kBackground = Rgba(0x00, 0x00, 0x00);

struct Picture {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> rgba;  // width * height pixels, rows top first

  static Picture Filled(int width, int height, std::uint32_t colour) {
    return {width, height,
            std::vector<std::uint32_t>(static_cast<std::size_t>(width) * height, colour)};
  }
  std::uint32_t at(int x, int y) const { return rgba[static_cast<std::size_t>(y) * width + x]; }
  std::uint32_t& at(int x, int y) { return rgba[static_cast<std::size_t>(y) * width + x]; }
};

// A box on the screen, in pixels; it may reach past the screen's edges.
struct ScreenBox {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;

  bool empty() const { return width <= 0 || height <= 0; }
  bool Contains(int x, int y) const {
    return x >= left && x < left + width && y >= top && y < top + height;
  }
  bool operator==(const ScreenBox&) const = default;
};

// An object the screen shows: what drew it, where it lies, and its ink, the pixels of the
// picture that are its (what a later object painted over, or cleared, no longer is).
struct DrawnObject {
  std::string_view command;       // the command table's row: "text", "rect", "cross move"
  std::size_t frame = 0;          // the accepted frame that drew it (ScreenModel::frames_accepted)
  ScreenBox box;                  // its own box: a text's cells, a shape's corners, a picture
  ScreenBox ink_box;              // its ink's bounds, on the screen; empty when it shows nothing
  std::vector<std::uint8_t> ink;  // ink_box.width * ink_box.height, rows top first: 1 its own

  bool InkAt(int x, int y) const {
    return ink_box.Contains(x, y) &&
           ink[static_cast<std::size_t>(y - ink_box.top) * ink_box.width + (x - ink_box.left)];
  }
};

// The built-in video picture, 384 x 256: colour bars, a grid and a grey ramp.
Picture TestCard();

// A picture of the user's (PNG, JPEG, BMP) scaled to 384 x 256, or why it cannot be had: a
// file that is no regular file, or no picture, or a picture cut short (whose missing part
// would otherwise be drawn black) is refused.
struct VideoPicture {
  std::optional<Picture> picture;
  std::string problem;  // "not a regular file", "cut short", ...
};
VideoPicture ReadVideoPicture(const std::string& path);
// The picture alone.
std::optional<Picture> LoadVideoPicture(const std::string& path);

// Font sources that could not be loaded (it tries them now if nothing drew yet), each said
// once per process: the caller shows them, the screen never prints. Drains what it returns.
std::vector<std::string> TakeFontMessages();

class ScreenModel {
 public:
  // The device just powered on: overlay on, screen empty, its clock at 2000-01-01 00:00:00
  // running from `now_ms` (any monotonic millisecond count, used the same in every call).
  explicit ScreenModel(std::int64_t now_ms = 0);
  ~ScreenModel();
  ScreenModel(ScreenModel&&) noexcept;
  ScreenModel& operator=(ScreenModel&&) noexcept;
  ScreenModel(const ScreenModel&) = delete;
  ScreenModel& operator=(const ScreenModel&) = delete;

  // One whole command frame as the device receives it: 55 AA cmd len data checksum. False, and
  // nothing changed, for a frame the device would refuse (sync, length, checksum, unknown
  // command, a field that holds no value of its command, values out of range). The identify and
  // memory requests are accepted and change nothing: the memory is the caller's.
  bool Apply(std::span<const std::uint8_t> frame, std::int64_t now_ms);
  // The same frame as the command table decoded it.
  bool Apply(const DecodedFrame& frame, std::int64_t now_ms);

  // The device memory (kDeviceMemorySize bytes, serial/memory_transfer.h), owned by the caller
  // and read when drawing: the font library header (large font size) and the crosshair file.
  // Must outlive the model or be detached with an empty span. A shorter span is read as far as
  // it goes.
  void AttachMemory(std::span<const std::uint8_t> memory);

  // What the clock command does, for a caller that keeps a battery-backed clock.
  void SetClock(const LocalDateTime& at, std::int64_t now_ms);

  // The overlay over `video` (any size, sampled to 384 x 256; an empty picture is black) into
  // `out`, which becomes 384 x 256.
  void Render(std::int64_t now_ms, const Picture& video, Picture& out) const;

  // Bumps on every accepted frame that can change the picture.
  std::uint64_t revision() const;
  // Frames accepted so far; the next one accepted gets this number.
  std::size_t frames_accepted() const;

  // The objects the picture at `now_ms` shows, in drawing order (the topmost last): the texts,
  // areas, shapes and bitmaps drawn into the overlay while they still own a pixel, then the
  // date, time, flashing character and crosshair the device redraws by itself. Nothing while
  // the overlay is off.
  std::vector<DrawnObject> DrawnObjects(std::int64_t now_ms) const;
  // The object whose ink is at (x, y) in the picture at `now_ms`, the topmost there; nothing
  // where the video shows through.
  std::optional<DrawnObject> ObjectAt(int x, int y, std::int64_t now_ms) const;
  // When the picture next changes by itself (the clock ticking, a bitmap blinking); nothing
  // when it does not.
  std::optional<std::int64_t> NextChangeMs(std::int64_t now_ms) const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// Power-on: runs the static command image ("CFG ", count, records of one frame and a trailing
// byte each) into the model. An erased or malformed image runs nothing; a record that does not
// fit ends the run. Returns the number of frames the model accepted.
std::size_t RunStartupImage(ScreenModel& model, std::span<const std::uint8_t> image,
                            std::int64_t now_ms);

}  // namespace zotpx::screen
