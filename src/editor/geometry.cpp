#include "editor/geometry.h"

#include <algorithm>
#include <cstdlib>

#include "base/coordinates.h"

namespace zotpx::editor {

namespace {

bool Has(const CommandRow& row, std::string_view field) {
  return row.Field(field) != nullptr;
}

// The crosshair settings place their read-out by text-x and text-y.
std::string_view XName(const CommandRow& row) {
  return Has(row, "text-x") ? "text-x" : "x";
}
std::string_view YName(const CommandRow& row) {
  return Has(row, "text-y") ? "text-y" : "y";
}

int Number(const Values& values, std::string_view field) {
  return FieldNumber(values, field);
}

int Shown(const Values& values, std::string_view field) {
  return ItemNumber(*values.row().Field(field)->list, values[field].index);
}

bool Vertical(const Values& values) {
  return values["vertical"].index != 0;
}

// How far along one axis a box of `size` from `start` may move by `delta`: a box that fits
// stays on the screen (`limit` pixels); one that does not is left to its fields' limits.
int ClampDelta(int delta, int start, int size, int limit) {
  if (size > limit) return delta;
  return std::clamp(delta, -start, limit - size - start);
}

// Every position field within its own limits.
void KeepFieldsInLimits(Values& values) {
  const CommandRow& row = values.row();
  for (std::size_t i = 0; i < row.fields.size(); ++i) {
    const FieldDef& field = row.fields[i];
    if (field.kind != FieldKind::Coordinate) continue;
    const std::optional<int> number = EditValue(values.at(i));
    if (number && (*number < field.min || *number > field.max))
      values.at(i).text = std::to_string(std::clamp(*number, field.min, field.max));
  }
}

std::optional<Values> Checked(Values values) {
  const CommandRow& row = values.row();
  if (row.check && row.check(values)) return std::nullopt;
  return values;
}

}  // namespace

Geometry GeometryOf(const CommandRow& row) {
  if (Has(row, "left") && Has(row, "right")) return Geometry::Corners;
  if (Has(row, "length")) return Geometry::Line;
  if (Has(row, "radius")) return Geometry::Circle;
  if (row.name == "cross move") return Geometry::Centre;
  if (Has(row, XName(row)) && Has(row, YName(row))) return Geometry::TopLeft;
  return Geometry::None;
}

void SetNumber(Values& values, std::string_view field, int number) {
  values[field].text = std::to_string(number);
}

Point AnchorOf(const Values& values) {
  const CommandRow& row = values.row();
  switch (GeometryOf(row)) {
    case Geometry::Corners:
      return {Number(values, "left"), Number(values, "top")};
    case Geometry::None:
      return {};
    default:
      return {Number(values, XName(row)), Number(values, YName(row))};
  }
}

std::optional<screen::ScreenBox> ValueBox(const Values& values) {
  const Point at = AnchorOf(values);
  switch (GeometryOf(values.row())) {
    case Geometry::Corners:
      return screen::ScreenBox{at.x, at.y, Number(values, "right") - at.x + 1,
                               Number(values, "bottom") - at.y + 1};
    case Geometry::Line: {
      const int length = Number(values, "length"), thickness = Shown(values, "thickness");
      return Vertical(values) ? screen::ScreenBox{at.x, at.y, thickness, length}
                              : screen::ScreenBox{at.x, at.y, length, thickness};
    }
    case Geometry::Circle: {
      const int r = Shown(values, "radius");
      return screen::ScreenBox{at.x - r, at.y - r, 2 * r + 1, 2 * r + 1};
    }
    case Geometry::Centre:
      return screen::ScreenBox{at.x, at.y, 1, 1};
    case Geometry::TopLeft:
      if (values.row().Field("file") && values["file"].picture)
        return screen::ScreenBox{at.x, at.y, static_cast<int>(values["file"].picture->width),
                                 static_cast<int>(values["file"].picture->height)};
      return std::nullopt;
    case Geometry::None:
      break;
  }
  return std::nullopt;
}

std::vector<Handle> HandlesOf(const Values& values) {
  switch (GeometryOf(values.row())) {
    case Geometry::Corners:
      return {Handle::TopLeft,     Handle::Top,    Handle::TopRight,   Handle::Right,
              Handle::BottomRight, Handle::Bottom, Handle::BottomLeft, Handle::Left};
    case Geometry::Line:
      return Vertical(values) ? std::vector{Handle::Top, Handle::Bottom}
                              : std::vector{Handle::Left, Handle::Right};
    case Geometry::Circle:
      return {Handle::Top, Handle::Right, Handle::Bottom, Handle::Left};
    default:
      return {};
  }
}

Point HandlePoint(const screen::ScreenBox& box, Handle handle) {
  const int left = box.left, right = box.left + box.width - 1;
  const int top = box.top, bottom = box.top + box.height - 1;
  const int middle_x = (left + right) / 2, middle_y = (top + bottom) / 2;
  switch (handle) {
    case Handle::TopLeft:
      return {left, top};
    case Handle::Top:
      return {middle_x, top};
    case Handle::TopRight:
      return {right, top};
    case Handle::Right:
      return {right, middle_y};
    case Handle::BottomRight:
      return {right, bottom};
    case Handle::Bottom:
      return {middle_x, bottom};
    case Handle::BottomLeft:
      return {left, bottom};
    case Handle::Left:
      return {left, middle_y};
  }
  return {left, top};
}

std::optional<Values> MovedBy(const Values& values, const screen::ScreenBox& box, int dx, int dy) {
  dx = ClampDelta(dx, box.left, box.width, kScreenWidth);
  dy = ClampDelta(dy, box.top, box.height, kScreenHeight);
  Values moved = values;
  const CommandRow& row = values.row();
  if (GeometryOf(row) == Geometry::None) return std::nullopt;
  if (GeometryOf(row) == Geometry::Corners) {
    for (const std::string_view x : {"left", "right"}) SetNumber(moved, x, Number(values, x) + dx);
    for (const std::string_view y : {"top", "bottom"}) SetNumber(moved, y, Number(values, y) + dy);
  } else {
    SetNumber(moved, XName(row), Number(values, XName(row)) + dx);
    SetNumber(moved, YName(row), Number(values, YName(row)) + dy);
  }
  KeepFieldsInLimits(moved);
  return Checked(std::move(moved));
}

std::optional<Values> Resized(const Values& values, Handle handle, int x, int y) {
  Values sized = values;
  const bool left =
      handle == Handle::Left || handle == Handle::TopLeft || handle == Handle::BottomLeft;
  const bool right =
      handle == Handle::Right || handle == Handle::TopRight || handle == Handle::BottomRight;
  const bool top = handle == Handle::Top || handle == Handle::TopLeft || handle == Handle::TopRight;
  const bool bottom =
      handle == Handle::Bottom || handle == Handle::BottomLeft || handle == Handle::BottomRight;
  switch (GeometryOf(values.row())) {
    case Geometry::Corners: {
      const int l = Number(values, "left"), r = Number(values, "right");
      const int t = Number(values, "top"), b = Number(values, "bottom");
      if (left) SetNumber(sized, "left", std::clamp(x, 0, r));
      if (right) SetNumber(sized, "right", std::clamp(x, l, kMaxX));
      if (top) SetNumber(sized, "top", std::clamp(y, 0, b));
      if (bottom) SetNumber(sized, "bottom", std::clamp(y, t, kMaxY));
      break;
    }
    case Geometry::Line: {
      const bool vertical = Vertical(values);
      const std::string_view along = vertical ? "y" : "x";
      const int start = Number(values, along), length = Number(values, "length");
      const int end = start + length - 1, pointer = vertical ? y : x;
      const int limit = vertical ? kMaxY : kMaxX;
      if (left || top) {  // the start moves, the end stays
        const int new_start = std::clamp(pointer, 0, std::max(end, 0));
        SetNumber(sized, along, new_start);
        SetNumber(sized, "length", std::max(end, new_start) - new_start + 1);
      } else {
        SetNumber(sized, "length", std::clamp(pointer, start, limit) - start + 1);
      }
      break;
    }
    case Geometry::Circle: {
      const int cx = Number(values, "x"), cy = Number(values, "y");
      const int wanted = left ? cx - x : right ? x - cx : top ? cy - y : y - cy;
      const int room = std::min({cx, kMaxX - cx, cy, kMaxY - cy});
      const FieldDef& field = *values.row().Field("radius");
      // The list's radius nearest the pointer among those that keep it on the screen.
      std::optional<int> best;
      for (int i = 0; i < static_cast<int>(field.list->items->size()); ++i) {
        const int r = ItemNumber(*field.list, i);
        if (r > room) continue;
        if (!best || std::abs(r - wanted) < std::abs(ItemNumber(*field.list, *best) - wanted))
          best = i;
      }
      if (!best) return std::nullopt;
      sized["radius"].index = *best;
      break;
    }
    default:
      return std::nullopt;
  }
  return Checked(std::move(sized));
}

}  // namespace zotpx::editor
