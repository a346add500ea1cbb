// Where an overlay object lies and how it is moved and sized, from the fields it has: corners
// (area, rectangle), a start and a length (line), a centre and a radius (circle), a top-left
// corner (texts, date, time, bitmaps, the crosshair's read-out) or a centre point (the
// crosshair). Positions stay on the screen and values stay ones the row's check accepts.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "command/values.h"
#include "screen/screen.h"

namespace zotpx::editor {

enum class Geometry {
  None,     // no place on the screen: the parameters, the clock
  Corners,  // left, top, right, bottom
  Line,     // x, y, length; vertical or not, by its thickness
  Circle,   // centre x, y and a radius from its list
  TopLeft,  // x, y (or text-x, text-y): the box is the drawing's own
  Centre,   // x, y: a point (the crosshair's centre)
};

Geometry GeometryOf(const CommandRow& row);

struct Point {
  int x = 0;
  int y = 0;
  bool operator==(const Point&) const = default;
};

// The point that stands for the object: a corner's or start's top-left, a centre.
Point AnchorOf(const Values& values);

// The box the object covers by its values alone; nothing for TopLeft without a picture (its
// size is the drawing's: the caller gives it) and for None.
std::optional<screen::ScreenBox> ValueBox(const Values& values);

// The handles that size it: corners and edges of a box, a line's end, a circle's rim.
enum class Handle { TopLeft, Top, TopRight, Right, BottomRight, Bottom, BottomLeft, Left };
std::vector<Handle> HandlesOf(const Values& values);
// Where a handle sits on the object's box.
Point HandlePoint(const screen::ScreenBox& box, Handle handle);

// The values moved by (dx, dy), as far as the screen lets the box (`box`, the object's as it
// is) go: a box that fits stays wholly on the screen, one that does not keeps its position's
// fields within their limits. Nothing when no move is left or the check refuses it.
std::optional<Values> MovedBy(const Values& values, const screen::ScreenBox& box, int dx, int dy);

// The values with `handle` dragged to (x, y): the other side stays, the size stays at least one
// pixel (a radius one of its list's), and the object stays on the screen.
std::optional<Values> Resized(const Values& values, Handle handle, int x, int y);

// Puts a field's number as an edit box would hold it.
void SetNumber(Values& values, std::string_view field, int number);

}  // namespace zotpx::editor
