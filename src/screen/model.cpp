#include <algorithm>
#include <array>
#include <cstdio>
#include <string>

#include "crosshair/cross_download.h"
#include "crosshair/cross_file.h"
#include "graphics/bitmap.h"
#include "graphics/bitmap_cmd.h"
#include "screen/clock.h"
#include "screen/draw.h"
#include "screen/screen.h"
#include "serial/frame.h"

namespace zotpx::screen {

namespace {

constexpr std::size_t kBlockBytes = kBitmapBlockSize;
constexpr std::size_t kMaxFlashing = 16;

int U16(std::span<const std::uint8_t> data, std::size_t at) {
  return data[at] << 8 | data[at + 1];
}
bool OnScreen(int x, int y) {
  return x < kWidth && y < kHeight;
}

// A date or time field: the device redraws it from its clock.
struct ClockFieldObject {
  bool shown = false;
  int x = 0, y = 0;
  TextStyle style;
  std::string format;
};

// The flashing bitmap character, keyed by its top-left corner.
struct FlashingObject {
  int x = 0, y = 0, width = 0, height = 0;
  int colour = 0;
  int flash = 0;  // 0 steady, 1..3 blinking patterns
  std::int64_t period_ms = 1000;
  std::int64_t shown_ms = 0;  // the blinking starts over when it is shown
  Bytes bits;

  // Part of the period the picture is on: half, three quarters, one quarter.
  std::int64_t OnMs() const {
    static constexpr int kOnQuarters[4] = {4, 2, 3, 1};
    return period_ms * kOnQuarters[flash] / 4;
  }
  std::int64_t CycleStart(std::int64_t now_ms) const {
    const std::int64_t t = now_ms - shown_ms;
    const std::int64_t cycles = t / period_ms - (t % period_ms < 0 ? 1 : 0);
    return shown_ms + cycles * period_ms;
  }
  bool Visible(std::int64_t now_ms) const {
    return flash == 0 || now_ms - CycleStart(now_ms) < OnMs();
  }
  std::optional<std::int64_t> NextChange(std::int64_t now_ms) const {
    if (flash == 0) return std::nullopt;
    const std::int64_t start = CycleStart(now_ms);
    return now_ms < start + OnMs() ? start + OnMs() : start + period_ms;
  }
};

// Where the oversized and the single-colour bitmaps gather their numbered blocks. The buffer
// keeps what arrived last, so a control frame alone draws the previous picture again.
struct BlockPicture {
  BlockBitmapCommand command;
  BitmapLimits limits;
  int colours;  // colour codes accepted
  Bytes buffer = Bytes(command.max_blocks * kBlockBytes, 0);
};

bool FitsLimits(int width, int height, const BitmapLimits& limits) {
  return FitsSlot(
      BitmapHeader{static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height), 1},
      limits);
}

struct Crosshair {
  bool on = false;
  int colour = 0;
  int shape = 1;  // 1..20
  int step = 10;  // kept, unused: the quick move belongs to the device's switches
  TextStyle text_style{2, 1, true, false, true};
  int text_x = 0, text_y = 0;
  int x = 192, y = 128;
};

// The shape attribute byte: colour 0..1, thickness, mode bit 6, delete bit 7.
struct ShapeStyle {
  int colour;
  int thickness;
  bool mode;
  bool erase;
};
std::optional<ShapeStyle> ParseShapeStyle(std::uint8_t attribute) {
  const int colour = attribute & 0x07;
  if (colour > 1) return std::nullopt;
  return ShapeStyle{colour, ((attribute >> 3) & 0x03) + 1, (attribute & 0x40) != 0,
                    (attribute & 0x80) != 0};
}

}  // namespace

struct ScreenModel::State {
  Plane plane;
  bool overlay = true;
  DeviceClock clock;
  std::array<ClockFieldObject, 2> fields;  // date, time
  std::vector<FlashingObject> flashing;
  BlockPicture oversized{kSuperBitmapCommand, kOversizedBitmapLimits, 8};
  BlockPicture single{kSingleBitmapCommand, kSingleColourBitmapLimits, 2};
  Crosshair cross;
  std::span<const std::uint8_t> memory;
  std::uint64_t revision = 0;

  bool Parameters(std::span<const std::uint8_t> data);
  bool Clock(std::span<const std::uint8_t> data, std::int64_t now_ms);
  bool Field(std::span<const std::uint8_t> data);
  bool Text(std::span<const std::uint8_t> data);
  bool Flashing(std::span<const std::uint8_t> data, std::int64_t now_ms);
  bool Area(std::span<const std::uint8_t> data);
  bool Blocks(BlockPicture& picture, std::span<const std::uint8_t> data);
  bool Line(std::span<const std::uint8_t> data);
  bool Rect(std::span<const std::uint8_t> data);
  bool Circle(std::span<const std::uint8_t> data);
  bool CrossSettings(std::span<const std::uint8_t> data);
  bool CrossMove(std::span<const std::uint8_t> data);

  void DrawLive(Plane& plane, std::int64_t now_ms) const;
  void DrawCrosshair(Plane& plane) const;
  int LargeSize() const { return LargeFontSize(memory); }
};

// 0x10: only the overlay switch shows on a simulated screen; switch polarities and the
// column offsets of real video have nothing to act on here.
bool ScreenModel::State::Parameters(std::span<const std::uint8_t> data) {
  if (data.size() != 3) return false;
  overlay = (data[0] & 0x80) != 0;
  return true;
}

bool ScreenModel::State::Clock(std::span<const std::uint8_t> data, std::int64_t now_ms) {
  if (data.size() != 6) return false;
  const LocalDateTime at{2000 + data[0], data[1], data[2], data[3], data[4], data[5], 0};
  if (!IsValidClockValue(at)) return false;
  clock.Set(at, now_ms);
  return true;
}

// 0x12: selector, attribute, 3 zero, X, Y, 4 zero, format length, 10 format bytes, zero.
bool ScreenModel::State::Field(std::span<const std::uint8_t> data) {
  if (data.size() != 25 || data[0] > 1) return false;
  const bool time = data[0] == 1;
  const int x = U16(data, 5), y = U16(data, 7);
  const std::size_t length = data[13];
  if (!OnScreen(x, y) || !(length == 8 || (!time && length == 10))) return false;
  const auto format = data.subspan(14, length);
  if (std::any_of(format.begin(), format.end(), [](std::uint8_t c) { return c < 33 || c > 125; }))
    return false;
  ClockFieldObject& field = fields[data[0]];
  field.style = ParseTextStyle(data[1]);
  field.shown = !field.style.hide;
  field.x = x;
  field.y = y;
  field.format.assign(format.begin(), format.end());
  return true;
}

// 0x14: attribute, X, Y, the string. Drawn into the plane; deleting draws it away again.
bool ScreenModel::State::Text(std::span<const std::uint8_t> data) {
  if (data.size() < 6) return false;
  const int x = U16(data, 1), y = U16(data, 3);
  if (!OnScreen(x, y)) return false;
  const TextStyle style = ParseTextStyle(data[0]);
  PaintStamp(plane, TextStamp(x, y, data.subspan(5), style, FaceFor(style, LargeSize())),
             style.colour, style.hide);
  return true;
}

// 0x15: attribute (colour, flash mode, period, delete), X, Y, W, H, the packed picture.
bool ScreenModel::State::Flashing(std::span<const std::uint8_t> data, std::int64_t now_ms) {
  if (data.size() < 7) return false;
  const int x = U16(data, 1), y = U16(data, 3), width = data[5], height = data[6];
  const std::size_t size = PackedSize(static_cast<std::size_t>(width), height);
  if (!OnScreen(x, y) || !FitsLimits(width, height, kFlashingBitmapLimits) ||
      data.size() != size + 7) {
    return false;
  }
  std::erase_if(flashing, [&](const FlashingObject& f) { return f.x == x && f.y == y; });
  if (data[0] & 0x80) return true;
  if (flashing.size() == kMaxFlashing) flashing.erase(flashing.begin());
  FlashingObject object{x,
                        y,
                        width,
                        height,
                        data[0] & 0x07,
                        (data[0] >> 3) & 0x03,
                        data[0] & 0x40 ? 2000 : 1000,
                        now_ms,
                        Bytes(data.begin() + 7, data.end())};
  flashing.push_back(std::move(object));
  return true;
}

// 0x16: mask (foreground 1, background 2, transparent 4) and fill/clear, two corners.
bool ScreenModel::State::Area(std::span<const std::uint8_t> data) {
  if (data.size() != 9) return false;
  const int mask = data[0] & 0x07;
  const int left = U16(data, 1), top = U16(data, 3), right = U16(data, 5), bottom = U16(data, 7);
  if (!mask || !OnScreen(right, bottom) || left > right || top > bottom) return false;
  const bool clear = (data[0] & 0x80) != 0;
  // Filling paints the first colour the mask names; clearing takes every pixel of a named
  // colour back to transparent.
  const Ink fill = mask & 1 ? Ink::Foreground : mask & 2 ? Ink::Background : Ink::Clear;
  for (int y = top; y <= bottom; ++y) {
    for (int x = left; x <= right; ++x) {
      const Ink ink = plane.Get(x, y);
      const int layer = ink == Ink::Foreground ? 1 : ink == Ink::Background ? 2 : 4;
      if (!clear) {
        plane.Set(x, y, fill);
      } else if (mask & layer) {
        plane.Set(x, y, Ink::Clear);
      }
    }
  }
  return true;
}

// 0x17 and 0x1D: data frames (block 1..N, 240 bytes each) fill the buffer; the control frame
// (block 0) draws, or deletes, the picture with what has arrived.
bool ScreenModel::State::Blocks(BlockPicture& picture, std::span<const std::uint8_t> data) {
  const int block = (data.empty() ? 0 : data[0] >> 3) & 0x0F;
  const bool control = data.size() == 7 && block == 0;
  const bool block_frame = data.size() == 7 + kBlockBytes && block >= 1 &&
                           block <= static_cast<int>(picture.command.max_blocks);
  if (!control && !block_frame) return false;
  const int x = U16(data, 1), y = U16(data, 3), width = data[5], height = data[6];
  const int colour = data[0] & 0x07;
  if (!OnScreen(x, y) || colour >= picture.colours || !FitsLimits(width, height, picture.limits)) {
    return false;
  }
  if (block_frame) {
    std::copy(data.begin() + 7, data.end(),
              picture.buffer.begin() + static_cast<std::ptrdiff_t>((block - 1) * kBlockBytes));
    return true;
  }
  const bool edges = picture.colours > 2;
  PaintStamp(plane, PackedStamp(x, y, width, height, picture.buffer, edges), colour,
             (data[0] & 0x80) != 0);
  return true;
}

bool ScreenModel::State::Line(std::span<const std::uint8_t> data) {
  if (data.size() != 7) return false;
  const auto style = ParseShapeStyle(data[0]);
  const int x = U16(data, 1), y = U16(data, 3), length = U16(data, 5);
  if (!style || !OnScreen(x, y) || length > kWidth) return false;
  PaintStamp(plane, LineStamp(x, y, length, style->thickness, style->mode), style->colour,
             style->erase);
  return true;
}

bool ScreenModel::State::Rect(std::span<const std::uint8_t> data) {
  if (data.size() != 9) return false;
  const auto style = ParseShapeStyle(data[0]);
  const int left = U16(data, 1), top = U16(data, 3), right = U16(data, 5), bottom = U16(data, 7);
  if (!style || !OnScreen(right, bottom) || left > right || top > bottom) return false;
  PaintStamp(plane, RectStamp(left, top, right, bottom, style->thickness, style->mode),
             style->colour, style->erase);
  return true;
}

bool ScreenModel::State::Circle(std::span<const std::uint8_t> data) {
  if (data.size() != 6) return false;
  const auto style = ParseShapeStyle(data[0]);
  const int x = U16(data, 1), y = U16(data, 3), radius = data[5];
  if (!style || !OnScreen(x, y) || radius < 5 || radius > 127) return false;
  PaintStamp(plane, CircleStamp(x, y, radius, style->thickness, style->mode), style->colour,
             style->erase);
  return true;
}

// 0x1E: mode (colour bit 0, off bit 7), shape 1..20, step 2..20, read-out attribute, X, Y.
bool ScreenModel::State::CrossSettings(std::span<const std::uint8_t> data) {
  if (data.size() != 8) return false;
  const int text_x = U16(data, 4), text_y = U16(data, 6);
  if (data[1] < 1 || data[1] > kCrossMaxShapes || data[2] < 2 || data[2] > 20 ||
      !OnScreen(text_x, text_y)) {
    return false;
  }
  cross.on = (data[0] & 0x80) == 0;
  cross.colour = data[0] & 0x01;
  cross.shape = data[1];
  cross.step = data[2];
  cross.text_style = ParseTextStyle(data[3]);
  cross.text_x = text_x;
  cross.text_y = text_y;
  return true;
}

bool ScreenModel::State::CrossMove(std::span<const std::uint8_t> data) {
  if (data.size() != 4) return false;
  const int x = U16(data, 0), y = U16(data, 2);
  if (!OnScreen(x, y)) return false;
  cross.x = x;
  cross.y = y;
  return true;
}

// The shape comes from the crosshair file in memory: "PIC ", count, origin; a shape number
// past the count, or no file at all, shows no shape.
void ScreenModel::State::DrawCrosshair(Plane& target) const {
  const std::size_t header = kCrossBase + kCrossHeaderOffset;
  if (memory.size() < header + 9) return;
  const auto head = memory.subspan(header, 9);
  if (!std::equal(head.begin(), head.begin() + 4, "PIC ")) return;
  const int count = head[4], origin_x = U16(head, 5), origin_y = U16(head, 7);
  if (cross.shape > count || count > static_cast<int>(kCrossMaxShapes) ||
      !OnScreen(origin_x, origin_y)) {
    return;
  }
  const auto slot = memory.subspan(
      kCrossBase + static_cast<std::size_t>(cross.shape - 1) * kCrossSlotSize, kCrossSlotSize);
  PaintStamp(target,
             PackedStamp(cross.x - origin_x, cross.y - origin_y, kCrossShapeWidth,
                         kCrossShapeHeight, slot, false),
             cross.colour, false);
}

void ScreenModel::State::DrawLive(Plane& target, std::int64_t now_ms) const {
  const int large = LargeSize();
  const LocalDateTime at = clock.Now(now_ms);
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const ClockFieldObject& field = fields[i];
    if (!field.shown) continue;
    const std::string text = FormatClockField(field.format, i == 1, at);
    PaintStamp(target,
               TextStamp(field.x, field.y,
                         std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()),
                         field.style, FaceFor(field.style, large)),
               field.style.colour, false);
  }
  for (const FlashingObject& f : flashing) {
    if (!f.Visible(now_ms)) continue;
    PaintStamp(target, PackedStamp(f.x, f.y, f.width, f.height, f.bits, true), f.colour, false);
  }
  if (!cross.on) return;
  DrawCrosshair(target);
  if (cross.text_style.hide) return;
  char text[16];
  std::snprintf(text, sizeof text, "X:%03d Y:%03d", cross.x, cross.y);
  const std::string_view readout(text);
  PaintStamp(
      target,
      TextStamp(cross.text_x, cross.text_y,
                std::span(reinterpret_cast<const std::uint8_t*>(readout.data()), readout.size()),
                cross.text_style, FaceFor(cross.text_style, large)),
      cross.text_style.colour, false);
}

ScreenModel::ScreenModel(std::int64_t now_ms) : state_(std::make_unique<State>()) {
  state_->clock.Set(LocalDateTime{}, now_ms);
}
ScreenModel::~ScreenModel() = default;
ScreenModel::ScreenModel(ScreenModel&&) noexcept = default;
ScreenModel& ScreenModel::operator=(ScreenModel&&) noexcept = default;

bool ScreenModel::Apply(std::span<const std::uint8_t> frame, std::int64_t now_ms) {
  if (frame.size() < 5 || frame[0] != 0x55 || frame[1] != 0xAA || frame[2] > 0x1F ||
      frame.size() != std::size_t{frame[3]} + 5 ||
      FrameChecksum(frame.data(), frame.size()) != frame.back()) {
    return false;
  }
  State& s = *state_;
  const auto data = frame.subspan(4, frame[3]);
  bool accepted = false;
  switch (frame[2]) {
    case 0x00:  // identify
    case 0x02:  // memory erase and write: the memory is the caller's
      return true;
    case 0x10:
      accepted = s.Parameters(data);
      break;
    case 0x11:
      accepted = s.Clock(data, now_ms);
      break;
    case 0x12:
      accepted = s.Field(data);
      break;
    case 0x14:
      accepted = s.Text(data);
      break;
    case 0x15:
      accepted = s.Flashing(data, now_ms);
      break;
    case 0x16:
      accepted = s.Area(data);
      break;
    case 0x17:
      accepted = s.Blocks(s.oversized, data);
      break;
    case 0x1A:
      accepted = s.Line(data);
      break;
    case 0x1B:
      accepted = s.Rect(data);
      break;
    case 0x1C:
      accepted = s.Circle(data);
      break;
    case 0x1D:
      accepted = s.Blocks(s.single, data);
      break;
    case 0x1E:
      accepted = s.CrossSettings(data);
      break;
    case 0x1F:
      accepted = s.CrossMove(data);
      break;
    default:
      return false;
  }
  if (accepted) ++s.revision;
  return accepted;
}

void ScreenModel::AttachMemory(std::span<const std::uint8_t> memory) {
  state_->memory = memory;
  ++state_->revision;
}

void ScreenModel::SetClock(const LocalDateTime& at, std::int64_t now_ms) {
  state_->clock.Set(at, now_ms);
  ++state_->revision;
}

void ScreenModel::Render(std::int64_t now_ms, const Picture& video, Picture& out) const {
  const State& s = *state_;
  out.width = kWidth;
  out.height = kHeight;
  out.rgba.resize(static_cast<std::size_t>(kWidth) * kHeight);
  // The video at screen size: taken as it is, or sampled from another size, or black.
  const Picture* source = &video;
  Picture sampled;
  if (video.width != kWidth || video.height != kHeight || video.rgba.size() != out.rgba.size()) {
    sampled = Picture::Filled(kWidth, kHeight, kBackground);
    if (video.width > 0 && video.height > 0 &&
        video.rgba.size() >= static_cast<std::size_t>(video.width) * video.height) {
      for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
          sampled.at(x, y) = video.at(x * video.width / kWidth, y * video.height / kHeight);
        }
      }
    }
    source = &sampled;
  }
  if (!s.overlay) {
    out.rgba = source->rgba;
    return;
  }
  Plane screen = s.plane;
  s.DrawLive(screen, now_ms);
  static constexpr std::uint32_t kInkColour[3] = {0, kForeground, kBackground};
  const Ink* ink = screen.data();
  const std::uint32_t* behind = source->rgba.data();
  for (std::uint32_t& pixel : out.rgba) {
    pixel = *ink == Ink::Clear ? *behind : kInkColour[static_cast<int>(*ink)];
    ++ink;
    ++behind;
  }
}

std::uint64_t ScreenModel::revision() const {
  return state_->revision;
}

std::optional<std::int64_t> ScreenModel::NextChangeMs(std::int64_t now_ms) const {
  const State& s = *state_;
  if (!s.overlay) return std::nullopt;
  std::optional<std::int64_t> next;
  const auto consider = [&next](std::optional<std::int64_t> t) {
    if (t && (!next || *t < *next)) next = t;
  };
  if (s.fields[1].shown) consider(s.clock.NextSecondMs(now_ms));
  if (s.fields[0].shown) consider(s.clock.NextDayMs(now_ms));
  for (const FlashingObject& f : s.flashing) consider(f.NextChange(now_ms));
  return next;
}

}  // namespace zotpx::screen
