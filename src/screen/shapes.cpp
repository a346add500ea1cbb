#include "screen/draw.h"

namespace zotpx::screen {

Stamp LineStamp(int x, int y, int length, int thickness, bool vertical) {
  const int width = vertical ? thickness : length;
  const int height = vertical ? length : thickness;
  Stamp stamp(x, y, width, height);
  for (int py = y; py < y + height; ++py) {
    for (int px = x; px < x + width; ++px) stamp.SetInk(px, py);
  }
  return stamp;
}

Stamp RectStamp(int left, int top, int right, int bottom, int thickness, bool filled) {
  Stamp stamp(left, top, right - left + 1, bottom - top + 1);
  for (int y = top; y <= bottom; ++y) {
    for (int x = left; x <= right; ++x) {
      const bool frame = x < left + thickness || x > right - thickness || y < top + thickness ||
                         y > bottom - thickness;
      if (filled || frame) stamp.SetInk(x, y);
    }
  }
  return stamp;
}

Stamp CircleStamp(int cx, int cy, int radius, int thickness, bool filled) {
  // Inside radius r when dx^2 + dy^2 <= (r + 1/2)^2, that is <= r^2 + r in whole numbers.
  const auto within = [](int dx, int dy, int r) {
    return r >= 0 && dx * dx + dy * dy <= r * r + r;
  };
  const int inner = filled ? -1 : radius - thickness;
  Stamp stamp(cx - radius, cy - radius, 2 * radius + 1, 2 * radius + 1);
  for (int dy = -radius; dy <= radius; ++dy) {
    for (int dx = -radius; dx <= radius; ++dx) {
      if (within(dx, dy, radius) && !within(dx, dy, inner)) stamp.SetInk(cx + dx, cy + dy);
    }
  }
  return stamp;
}

}  // namespace zotpx::screen
