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
// Ids of the objects the device redraws by itself, given afresh for each look at the picture;
// the objects drawn into the overlay count up from 1 below them.
constexpr std::uint32_t kLiveIds = 0x80000000u;

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
  std::size_t frame = 0;
  int x = 0, y = 0;
  TextStyle style;
  std::string format;
};

// The flashing bitmap character, keyed by its top-left corner.
struct FlashingObject {
  std::size_t frame = 0;
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
  std::size_t set_frame = 0;
  std::optional<std::size_t> move_frame;  // until moved, the shape is the settings' object
};

// One object the device redraws by itself, as the picture at a moment shows it.
struct LivePiece {
  std::string_view command;
  std::size_t frame;
  Stamp stamp;
  int mode;
};

// An object drawn into the overlay, while it owns a pixel of it.
struct DrawnRecord {
  std::string_view command;
  std::size_t frame;
  ScreenBox box;
  std::uint32_t id;
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
  // Who owns each pixel of the plane, and the objects that may own one, oldest first.
  OwnerPlane owners;
  std::vector<DrawnRecord> drawn;
  std::size_t prune_at = 256;
  std::uint32_t next_id = 1;
  std::size_t accepted = 0;  // frames accepted so far: the number the frame being drawn gets
  std::string_view drawing;  // the command of the frame being drawn

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

  void Paint(const Stamp& stamp, int mode, bool erase);
  void Prune();
  std::vector<LivePiece> LivePieces(std::int64_t now_ms) const;
  std::optional<Stamp> CrosshairStamp() const;
  // The picture's overlay at `now_ms` and who owns each pixel of it; `pieces` gets the
  // objects the device redraws by itself, which own kLiveIds + their index.
  void Compose(std::int64_t now_ms, Plane& plane, OwnerPlane* owners,
               std::vector<LivePiece>* pieces) const;
  DrawnObject Describe(std::string_view command, std::size_t frame, ScreenBox box,
                       const OwnerPlane& owners, std::uint32_t id) const;
  int LargeSize() const { return LargeFontSize(memory); }
};

// One readable command of the table; false when its values are ones the device cannot show.
bool ScreenModel::State::Draw(const DecodedFrame& frame, std::int64_t now_ms) {
  const Values& v = *frame.values;
  const std::string_view name = frame.row->name;
  drawing = name;
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
  field.frame = accepted;
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
  Paint(TextStamp(x, y, text, style, FaceFor(style, LargeSize())), style.colour, style.hide);
  return true;
}

bool ScreenModel::State::Flashing(const Values& v, std::int64_t now_ms) {
  const int x = FieldNumber(v, "x"), y = FieldNumber(v, "y");
  if (!OnScreen(x, y)) return false;
  std::erase_if(flashing, [&](const FlashingObject& f) { return f.x == x && f.y == y; });
  if (Set(v, "delete")) return true;
  if (flashing.size() == kMaxFlashing) flashing.erase(flashing.begin());
  const LoadedBitmap& picture = *v["file"].picture;
  flashing.push_back({accepted, x, y, static_cast<int>(picture.width),
                      static_cast<int>(picture.height), Code(v, "colour"), Code(v, "flash"),
                      Shown(v, "cycle") * 1000, now_ms, picture.packed});
  return true;
}

// The layer mask names foreground 1, background 2, transparent 4.
bool ScreenModel::State::Area(const Values& v) {
  const int mask = Code(v, "layer");
  const int left = FieldNumber(v, "left"), top = FieldNumber(v, "top"),
            right = FieldNumber(v, "right"), bottom = FieldNumber(v, "bottom");
  if (!OnScreen(right, bottom) || left > right || top > bottom) return false;
  const bool clear = Set(v, "clear");
  const std::uint32_t id = next_id++;
  int painted = 0;
  // Filling paints the first colour the mask names; clearing takes every pixel of a named
  // colour back to transparent.
  const Ink fill = mask & 1 ? Ink::Foreground : mask & 2 ? Ink::Background : Ink::Clear;
  for (int y = top; y <= bottom; ++y) {
    for (int x = left; x <= right; ++x) {
      const Ink ink = plane.Get(x, y);
      const int layer = ink == Ink::Foreground ? 1 : ink == Ink::Background ? 2 : 4;
      if (!clear) {
        plane.Set(x, y, fill);
        painted += fill != Ink::Clear;
        owners.Set(x, y, fill == Ink::Clear ? 0 : id);
      } else if (mask & layer) {
        plane.Set(x, y, Ink::Clear);
        owners.Set(x, y, 0);
      }
    }
  }
  if (painted)
    drawn.push_back({drawing, accepted, {left, top, right - left + 1, bottom - top + 1}, id});
  Prune();
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
  Paint(PackedStamp(x, y, static_cast<int>(picture.width), static_cast<int>(picture.height), buffer,
                    edges),
        Code(v, "colour"), Set(v, "delete"));
  return true;
}

bool ScreenModel::State::Line(const Values& v) {
  const int x = FieldNumber(v, "x"), y = FieldNumber(v, "y"), length = FieldNumber(v, "length");
  if (!OnScreen(x, y) || length > v.row().Field("length")->max) return false;
  Paint(LineStamp(x, y, length, Shown(v, "thickness"), Set(v, "vertical")), Code(v, "colour"),
        Set(v, "delete"));
  return true;
}

bool ScreenModel::State::Rect(const Values& v) {
  const int left = FieldNumber(v, "left"), top = FieldNumber(v, "top"),
            right = FieldNumber(v, "right"), bottom = FieldNumber(v, "bottom");
  if (!OnScreen(right, bottom) || left > right || top > bottom) return false;
  Paint(RectStamp(left, top, right, bottom, Shown(v, "thickness"), Set(v, "filled")),
        Code(v, "colour"), Set(v, "delete"));
  return true;
}

bool ScreenModel::State::Circle(const Values& v) {
  const int x = FieldNumber(v, "x"), y = FieldNumber(v, "y");
  if (!OnScreen(x, y)) return false;
  Paint(CircleStamp(x, y, Shown(v, "radius"), Shown(v, "thickness"), Set(v, "filled")),
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
  cross.set_frame = accepted;
  return true;
}

bool ScreenModel::State::CrossMove(const Values& v) {
  const int x = FieldNumber(v, "x"), y = FieldNumber(v, "y");
  if (!OnScreen(x, y)) return false;
  cross.x = x;
  cross.y = y;
  cross.move_frame = accepted;
  return true;
}

void ScreenModel::State::Paint(const Stamp& stamp, int mode, bool erase) {
  const std::uint32_t id = next_id++;
  if (PaintStamp(plane, stamp, mode, erase, &owners, id))
    drawn.push_back({drawing, accepted, stamp.box(), id});
  Prune();
}

// An object all of whose pixels were painted over or cleared is gone from the picture. Looked
// for only now and then: a device may take frames for days.
void ScreenModel::State::Prune() {
  if (drawn.size() < prune_at) return;
  std::vector<std::uint8_t> owns(drawn.size(), 0);
  for (int y = 0; y < kScreenHeight; ++y) {
    const std::uint32_t* row = owners.Row(y);
    for (int x = 0; x < kScreenWidth; ++x) {
      if (!row[x]) continue;
      // Ids grow with the list: the owner is found by halving.
      const auto at =
          std::lower_bound(drawn.begin(), drawn.end(), row[x],
                           [](const DrawnRecord& r, std::uint32_t id) { return r.id < id; });
      if (at != drawn.end() && at->id == row[x])
        owns[static_cast<std::size_t>(at - drawn.begin())] = 1;
    }
  }
  std::size_t kept = 0;
  for (std::size_t i = 0; i < drawn.size(); ++i)
    if (owns[i]) drawn[kept++] = drawn[i];
  drawn.resize(kept);
  prune_at = std::max<std::size_t>(256, 2 * kept);
}

// The shape comes from the crosshair file in memory: "PIC ", count, origin; a shape number
// past the count, or no file at all, shows no shape.
std::optional<Stamp> ScreenModel::State::CrosshairStamp() const {
  const std::size_t header = kCrossBase + kCrossHeaderOffset;
  if (memory.size() < header + 9) return std::nullopt;
  const auto head = memory.subspan(header, 9);
  if (!std::equal(head.begin(), head.begin() + 4, "PIC ")) return std::nullopt;
  const int count = head[4];
  const auto origin_x = static_cast<int>(GetBigEndian(&head[5], 2));
  const auto origin_y = static_cast<int>(GetBigEndian(&head[7], 2));
  if (cross.shape > count || count > static_cast<int>(kCrossMaxShapes) ||
      !OnScreen(origin_x, origin_y)) {
    return std::nullopt;
  }
  const auto slot = memory.subspan(
      kCrossBase + static_cast<std::size_t>(cross.shape - 1) * kCrossSlotSize, kCrossSlotSize);
  return PackedStamp(cross.x - origin_x, cross.y - origin_y, kCrossShapeWidth, kCrossShapeHeight,
                     slot, false);
}

// In the order the device draws them over the overlay: date, time, flashing characters,
// crosshair and its read-out.
std::vector<LivePiece> ScreenModel::State::LivePieces(std::int64_t now_ms) const {
  std::vector<LivePiece> pieces;
  const int large = LargeSize();
  const LocalDateTime at = clock.Now(now_ms);
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const ClockFieldObject& field = fields[i];
    if (!field.shown) continue;
    const std::string text = FormatClockField(field.format, i == 1, at);
    pieces.push_back(
        {i == 1 ? "time" : "date", field.frame,
         TextStamp(field.x, field.y, AsBytes(text), field.style, FaceFor(field.style, large)),
         field.style.colour});
  }
  for (const FlashingObject& f : flashing) {
    if (!f.Visible(now_ms)) continue;
    pieces.push_back({"bitmap flashing", f.frame,
                      PackedStamp(f.x, f.y, f.width, f.height, f.bits, true), f.colour});
  }
  if (!cross.on) return pieces;
  if (std::optional<Stamp> shape = CrosshairStamp())
    pieces.push_back({cross.move_frame ? "cross move" : "cross set",
                      cross.move_frame.value_or(cross.set_frame), std::move(*shape), cross.colour});
  if (cross.text_style.hide) return pieces;
  char text[16];
  std::snprintf(text, sizeof text, "X:%03d Y:%03d", cross.x, cross.y);
  pieces.push_back({"cross set", cross.set_frame,
                    TextStamp(cross.text_x, cross.text_y, AsBytes(text), cross.text_style,
                              FaceFor(cross.text_style, large)),
                    cross.text_style.colour});
  return pieces;
}

void ScreenModel::State::Compose(std::int64_t now_ms, Plane& target, OwnerPlane* target_owners,
                                 std::vector<LivePiece>* kept) const {
  std::vector<LivePiece> pieces = LivePieces(now_ms);
  for (std::size_t i = 0; i < pieces.size(); ++i)
    PaintStamp(target, pieces[i].stamp, pieces[i].mode, false, target_owners,
               kLiveIds + static_cast<std::uint32_t>(i));
  if (kept) *kept = std::move(pieces);
}

DrawnObject ScreenModel::State::Describe(std::string_view command, std::size_t frame, ScreenBox box,
                                         const OwnerPlane& composed, std::uint32_t id) const {
  DrawnObject object{command, frame, box, {}, {}};
  // Its ink lies within its box and the one-pixel edge around it.
  const int x0 = std::max(box.left - 1, 0), y0 = std::max(box.top - 1, 0);
  const int x1 = std::min(box.left + box.width + 1, kScreenWidth);
  const int y1 = std::min(box.top + box.height + 1, kScreenHeight);
  int left = x1, top = y1, right = x0 - 1, bottom = y0 - 1;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x)
      if (composed.Get(x, y) == id) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
  if (right < left) return object;
  object.ink_box = {left, top, right - left + 1, bottom - top + 1};
  object.ink.resize(static_cast<std::size_t>(object.ink_box.width) * object.ink_box.height);
  for (int y = top; y <= bottom; ++y)
    for (int x = left; x <= right; ++x)
      object.ink[static_cast<std::size_t>(y - top) * object.ink_box.width + (x - left)] =
          composed.Get(x, y) == id;
  return object;
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
  if (frame.row->table.empty()) {
    ++state_->accepted;
    return true;
  }
  if (!state_->Draw(frame, now_ms)) return false;
  ++state_->revision;
  ++state_->accepted;
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
  s.Compose(now_ms, screen, nullptr, nullptr);
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

std::size_t ScreenModel::frames_accepted() const {
  return state_->accepted;
}

std::vector<DrawnObject> ScreenModel::DrawnObjects(std::int64_t now_ms) const {
  const State& s = *state_;
  std::vector<DrawnObject> objects;
  if (!s.overlay) return objects;
  Plane screen = s.plane;
  auto owners = std::make_unique<OwnerPlane>(s.owners);
  std::vector<LivePiece> pieces;
  s.Compose(now_ms, screen, owners.get(), &pieces);
  for (const DrawnRecord& r : s.drawn) {
    DrawnObject object = s.Describe(r.command, r.frame, r.box, *owners, r.id);
    if (!object.ink_box.empty()) objects.push_back(std::move(object));
  }
  for (std::size_t i = 0; i < pieces.size(); ++i)
    objects.push_back(s.Describe(pieces[i].command, pieces[i].frame, pieces[i].stamp.box(), *owners,
                                 kLiveIds + static_cast<std::uint32_t>(i)));
  return objects;
}

std::optional<DrawnObject> ScreenModel::ObjectAt(int x, int y, std::int64_t now_ms) const {
  const State& s = *state_;
  if (!s.overlay || !OnScreen(x, y)) return std::nullopt;
  Plane screen = s.plane;
  auto owners = std::make_unique<OwnerPlane>(s.owners);
  std::vector<LivePiece> pieces;
  s.Compose(now_ms, screen, owners.get(), &pieces);
  const std::uint32_t id = owners->Get(x, y);
  if (id >= kLiveIds) {
    const LivePiece& piece = pieces[id - kLiveIds];
    return s.Describe(piece.command, piece.frame, piece.stamp.box(), *owners, id);
  }
  for (const DrawnRecord& r : s.drawn)
    if (r.id == id) return s.Describe(r.command, r.frame, r.box, *owners, id);
  return std::nullopt;
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
