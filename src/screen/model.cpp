#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <string>

#include "base/coordinates.h"
#include "command/codec.h"
#include "crosshair/cross_download.h"
#include "crosshair/cross_file.h"
#include "graphics/bitmap.h"
#include "screen/clock.h"
#include "screen/draw.h"
#include "screen/screen.h"

namespace zotpx::screen {

namespace {

constexpr std::size_t kMaxFlashing = 16;

// A list field's item as the device receives it: a colour mode, the area's layer mask.
int Code(const Values& values, std::string_view name) {
  return ItemCode(*values.row().Field(name)->list, values[name].index);
}
// The number a list field's item shows: pixels of spacing or thickness, radius, seconds.
int Shown(const Values& values, std::string_view name) {
  return ItemNumber(*values.row().Field(name)->list, values[name].index);
}
bool Set(const Values& values, std::string_view name) {
  return values[name].index != 0;
}

// The text attributes of date, time, text string and the crosshair read-out.
TextStyle StyleOf(const Values& values, const std::string& prefix, std::string_view hide) {
  return {Code(values, prefix + "colour"), Shown(values, prefix + "spacing"),
          Set(values, prefix + "font"), Set(values, prefix + "size"), Set(values, hide)};
}

std::span<const std::uint8_t> AsBytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
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

struct Crosshair {
  bool on = false;
  int colour = 0;
  int shape = 1;  // 1..20
  int step = 10;  // kept, unused: the quick move belongs to the device's switches
  TextStyle text_style{2, 1, true, false, true};
  int text_x = 0, text_y = 0;
  int x = 192, y = 128;
};

}  // namespace

struct ScreenModel::State {
  Plane plane;
  bool overlay = true;
  DeviceClock clock;
  std::array<ClockFieldObject, 2> fields;  // date, time
  std::vector<FlashingObject> flashing;
  // The oversized and single-colour bitmaps gather their numbered blocks here, one buffer per
  // command, zero at power-on. It keeps what arrived last, so a control frame alone draws the
  // previous picture again.
  std::map<std::string_view, Bytes> block_buffers;
  Crosshair cross;
  std::span<const std::uint8_t> memory;
  std::uint64_t revision = 0;

  bool Draw(const DecodedFrame& frame, std::int64_t now_ms);
  bool Parameters(const Values& v);
  bool Clock(const Values& v, std::int64_t now_ms);
  bool Field(const Values& v);
  bool Text(const Values& v);
  bool Flashing(const Values& v, std::int64_t now_ms);
  bool Area(const Values& v);
  bool Blocks(const Values& v, std::size_t block);
  bool Line(const Values& v);
  bool Rect(const Values& v);
  bool Circle(const Values& v);
  bool CrossSettings(const Values& v);
  bool CrossMove(const Values& v);

  void DrawLive(Plane& plane, std::int64_t now_ms) const;
  void DrawCrosshair(Plane& plane) const;
  int LargeSize() const { return LargeFontSize(memory); }
};

// One readable command of the table; false when its values are ones the device cannot show.
bool ScreenModel::State::Draw(const DecodedFrame& frame, std::int64_t now_ms) {
  const Values& v = *frame.values;
  const std::string_view name = frame.row->name;
  if (name == "params") return Parameters(v);
  if (name == "clock") return Clock(v, now_ms);
  if (name == "date" || name == "time") return Field(v);
  if (name == "text") return Text(v);
  if (name == "bitmap flashing") return Flashing(v, now_ms);
  if (name == "area") return Area(v);
  if (name == "bitmap oversized" || name == "bitmap single") return Blocks(v, frame.block);
  if (name == "line") return Line(v);
  if (name == "rect") return Rect(v);
  if (name == "circle") return Circle(v);
  if (name == "cross set") return CrossSettings(v);
  if (name == "cross move") return CrossMove(v);
  return false;  // a command this screen does not know how to show
}

// Only the overlay switch shows on a simulated screen; switch polarities and the column
// offsets of real video have nothing to act on here.
bool ScreenModel::State::Parameters(const Values& v) {
  overlay = Code(v, "overlay") == 1;
  return true;
}

bool ScreenModel::State::Clock(const Values& v, std::int64_t now_ms) {
  const std::optional<LocalDateTime> at = ParseMoment(v["at"].text);
  if (!at) return false;
  clock.Set(*at, now_ms);
  return true;
}

bool ScreenModel::State::Field(const Values& v) {
  const int x = FieldNumber(v, "x"), y = FieldNumber(v, "y");
  const std::string& format = v["format"].text;
  if (!OnScreen(x, y) || !IsFormatText(*v.row().Field("format"), format)) return false;
  ClockFieldObject& field = fields[v.row().name == "time" ? 1 : 0];
  field.style = StyleOf(v, "", "hide");
  field.shown = !field.style.hide;
  field.x = x;
  field.y = y;
  field.format = format;
  return true;
}

// Drawn into the plane; deleting draws it away again.
bool ScreenModel::State::Text(const Values& v) {
  const int x = FieldNumber(v, "x"), y = FieldNumber(v, "y");
  const Bytes& text = v["text"].bytes;
  if (text.empty() || !OnScreen(x, y)) return false;
  const TextStyle style = StyleOf(v, "", "delete");
  PaintStamp(plane, TextStamp(x, y, text, style, FaceFor(style, LargeSize())), style.colour,
             style.hide);
  return true;
}

bool ScreenModel::State::Flashing(const Values& v, std::int64_t now_ms) {
  const int x = FieldNumber(v, "x"), y = FieldNumber(v, "y");
  if (!OnScreen(x, y)) return false;
  std::erase_if(flashing, [&](const FlashingObject& f) { return f.x == x && f.y == y; });
  if (Set(v, "delete")) return true;
  if (flashing.size() == kMaxFlashing) flashing.erase(flashing.begin());
  const LoadedBitmap& picture = *v["file"].picture;
  flashing.push_back({x, y, static_cast<int>(picture.width), static_cast<int>(picture.height),
                      Code(v, "colour"), Code(v, "flash"), Shown(v, "cycle") * 1000, now_ms,
                      picture.packed});
  return true;
}

// The layer mask names foreground 1, background 2, transparent 4.
bool ScreenModel::State::Area(const Values& v) {
  const int mask = Code(v, "layer");
  const int left = FieldNumber(v, "left"), top = FieldNumber(v, "top"),
            right = FieldNumber(v, "right"), bottom = FieldNumber(v, "bottom");
  if (!OnScreen(right, bottom) || left > right || top > bottom) return false;
  const bool clear = Set(v, "clear");
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

// Data frames (block 1..N) each fill their 240 bytes of the buffer: the picture's bytes, zeros
// past its end. The control frame (block 0) draws, or deletes, the picture with what has
// arrived.
bool ScreenModel::State::Blocks(const Values& v, std::size_t block) {
  const CommandRow& row = v.row();
  const int x = FieldNumber(v, "x"), y = FieldNumber(v, "y");
  if (!OnScreen(x, y)) return false;
  Bytes& buffer = block_buffers[row.name];
  buffer.resize(row.blocks.max_blocks * kBitmapBlockSize, 0);
  const LoadedBitmap& picture = *v["file"].picture;
  if (block > 0) {
    const std::size_t first = (block - 1) * kBitmapBlockSize;
    const std::size_t last = std::min(first + kBitmapBlockSize, picture.packed.size());
    const auto into = buffer.begin() + static_cast<std::ptrdiff_t>(first);
    std::fill_n(into, kBitmapBlockSize, 0);
    std::copy(picture.packed.begin() + static_cast<std::ptrdiff_t>(first),
              picture.packed.begin() + static_cast<std::ptrdiff_t>(last), into);
    return true;
  }
  // The eight colour modes paint edges; the single-colour bitmap's two do not.
  const bool edges = row.Field("colour")->list->items->size() > 2;
  PaintStamp(plane,
             PackedStamp(x, y, static_cast<int>(picture.width), static_cast<int>(picture.height),
                         buffer, edges),
             Code(v, "colour"), Set(v, "delete"));
  return true;
}

bool ScreenModel::State::Line(const Values& v) {
  const int x = FieldNumber(v, "x"), y = FieldNumber(v, "y"), length = FieldNumber(v, "length");
  if (!OnScreen(x, y) || length > v.row().Field("length")->max) return false;
  PaintStamp(plane, LineStamp(x, y, length, Shown(v, "thickness"), Set(v, "vertical")),
             Code(v, "colour"), Set(v, "delete"));
  return true;
}

bool ScreenModel::State::Rect(const Values& v) {
  const int left = FieldNumber(v, "left"), top = FieldNumber(v, "top"),
            right = FieldNumber(v, "right"), bottom = FieldNumber(v, "bottom");
  if (!OnScreen(right, bottom) || left > right || top > bottom) return false;
  PaintStamp(plane, RectStamp(left, top, right, bottom, Shown(v, "thickness"), Set(v, "filled")),
             Code(v, "colour"), Set(v, "delete"));
  return true;
}

bool ScreenModel::State::Circle(const Values& v) {
  const int x = FieldNumber(v, "x"), y = FieldNumber(v, "y");
  if (!OnScreen(x, y)) return false;
  PaintStamp(plane, CircleStamp(x, y, Shown(v, "radius"), Shown(v, "thickness"), Set(v, "filled")),
             Code(v, "colour"), Set(v, "delete"));
  return true;
}

bool ScreenModel::State::CrossSettings(const Values& v) {
  const int text_x = FieldNumber(v, "text-x"), text_y = FieldNumber(v, "text-y");
  if (!OnScreen(text_x, text_y)) return false;
  cross.on = Code(v, "enable") == 0;  // the device takes 0 for on
  cross.colour = Code(v, "colour");
  cross.shape = Shown(v, "shape");
  cross.step = Shown(v, "step");
  cross.text_style = StyleOf(v, "text-", "text-hide");
  cross.text_x = text_x;
  cross.text_y = text_y;
  return true;
}

bool ScreenModel::State::CrossMove(const Values& v) {
  const int x = FieldNumber(v, "x"), y = FieldNumber(v, "y");
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
  const int count = head[4];
  const auto origin_x = static_cast<int>(GetBigEndian(&head[5], 2));
  const auto origin_y = static_cast<int>(GetBigEndian(&head[7], 2));
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
               TextStamp(field.x, field.y, AsBytes(text), field.style, FaceFor(field.style, large)),
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
  PaintStamp(target,
             TextStamp(cross.text_x, cross.text_y, AsBytes(text), cross.text_style,
                       FaceFor(cross.text_style, large)),
             cross.text_style.colour, false);
}

ScreenModel::ScreenModel(std::int64_t now_ms) : state_(std::make_unique<State>()) {
  state_->clock.Set(LocalDateTime{}, now_ms);
}
ScreenModel::~ScreenModel() = default;
ScreenModel::ScreenModel(ScreenModel&&) noexcept = default;
ScreenModel& ScreenModel::operator=(ScreenModel&&) noexcept = default;

bool ScreenModel::Apply(std::span<const std::uint8_t> frame, std::int64_t now_ms) {
  return Apply(DecodeFrame(frame), now_ms);
}

bool ScreenModel::Apply(const DecodedFrame& frame, std::int64_t now_ms) {
  if (!frame.checksum_ok || !frame.readable()) return false;
  // Identify and memory requests, the commands no layout holds: the memory is the caller's.
  if (frame.row->table.empty()) return true;
  if (!state_->Draw(frame, now_ms)) return false;
  ++state_->revision;
  return true;
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
  out.width = kScreenWidth;
  out.height = kScreenHeight;
  out.rgba.resize(static_cast<std::size_t>(kScreenWidth) * kScreenHeight);
  // The video at screen size: taken as it is, or sampled from another size, or black.
  const Picture* source = &video;
  Picture sampled;
  if (video.width != kScreenWidth || video.height != kScreenHeight ||
      video.rgba.size() != out.rgba.size()) {
    sampled = Picture::Filled(kScreenWidth, kScreenHeight, kBackground);
    if (video.width > 0 && video.height > 0 &&
        video.rgba.size() >= static_cast<std::size_t>(video.width) * video.height) {
      for (int y = 0; y < kScreenHeight; ++y) {
        for (int x = 0; x < kScreenWidth; ++x) {
          sampled.at(x, y) =
              video.at(x * video.width / kScreenWidth, y * video.height / kScreenHeight);
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
