#include "screen/plane.h"

#include <algorithm>
#include <array>
#include <optional>

namespace zotpx::screen {

namespace {

// What one colour mode paints on ink, edge and the rest of the box; nothing = left as it is.
struct ModePaint {
  std::optional<Ink> ink;
  std::optional<Ink> edge;
  std::optional<Ink> ground;
};

constexpr Ink kFg = Ink::Foreground;
constexpr Ink kBg = Ink::Background;
constexpr Ink kClear = Ink::Clear;

const ModePaint kModePaint[kColourModes] = {
    {kFg, std::nullopt, std::nullopt},     // 0 foreground
    {kBg, std::nullopt, std::nullopt},     // 1 background
    {kFg, kBg, std::nullopt},              // 2 foreground, background edge
    {kBg, kFg, std::nullopt},              // 3 background, foreground edge
    {kClear, std::nullopt, std::nullopt},  // 4 transparent: cuts the ink out
    {kClear, kFg, std::nullopt},           // 5 transparent, foreground edge
    {kFg, kClear, std::nullopt},           // 6 foreground, transparent edge
    {kFg, std::nullopt, kClear},           // 7 foreground on a transparent box
};

// Columns and rows this far past the screen can neither show nor edge a visible pixel.
constexpr int kReach = 1;

}  // namespace

Stamp::Stamp(int x, int y, int width, int height) : box_{x, y, width, height} {
  left_ = std::max(x - 1, -kReach);
  top_ = std::max(y - 1, -kReach);
  const int right = std::min(x + width + 1, kScreenWidth + kReach);
  const int bottom = std::min(y + height + 1, kScreenHeight + kReach);
  width_ = std::max(0, right - left_);
  height_ = std::max(0, bottom - top_);
  roles_.assign(static_cast<std::size_t>(width_) * height_, 0);
  const int box_left = std::max(x, left_), box_right = std::min(x + width, right);
  if (box_left >= box_right) return;
  for (int py = std::max(y, top_); py < std::min(y + height, bottom); ++py) {
    std::fill_n(&At(box_left, py), box_right - box_left, kInBox);
  }
}

void Stamp::AddEdges() {
  std::vector<std::uint8_t> edge(roles_.size(), 0);
  for (int y = top_; y < top_ + height_; ++y) {
    for (int x = left_; x < left_ + width_; ++x) {
      if (!(Role(x, y) & kInk)) continue;
      for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
          if (Inside(x + dx, y + dy)) edge[Index(x + dx, y + dy)] = 1;
        }
      }
    }
  }
  for (std::size_t i = 0; i < roles_.size(); ++i) {
    if (edge[i] && !(roles_[i] & kInk)) roles_[i] |= kEdge;
  }
}

int PaintStamp(Plane& plane, const Stamp& stamp, int mode, bool erase, OwnerPlane* owners,
               std::uint32_t id) {
  // What each combination of role bits becomes; nothing = left as it is.
  const ModePaint& paint = kModePaint[mode & 7];
  std::array<std::optional<Ink>, 8> action;
  for (std::uint8_t role = 0; role < 8; ++role) {
    std::optional<Ink> ink;
    if (role & Stamp::kInk) {
      ink = paint.ink;
    } else if ((role & Stamp::kEdge) && paint.edge) {
      ink = paint.edge;
    } else if (role & Stamp::kInBox) {
      ink = paint.ground;
    }
    action[role] = ink && erase ? Ink::Clear : ink;
  }
  const int x0 = std::max(stamp.left(), 0);
  const int x1 = std::min(stamp.left() + stamp.span_width(), kScreenWidth);
  const int y0 = std::max(stamp.top(), 0);
  const int y1 = std::min(stamp.top() + stamp.span_height(), kScreenHeight);
  int painted = 0;
  for (int y = y0; y < y1; ++y) {
    const std::uint8_t* roles = stamp.RolesFrom(x0, y);
    Ink* row = plane.Row(y);
    if (!owners) {
      for (int x = x0; x < x1; ++x, ++roles) {
        if (const std::optional<Ink>& ink = action[*roles]) row[x] = *ink;
      }
      continue;
    }
    std::uint32_t* owner = owners->Row(y);
    for (int x = x0; x < x1; ++x, ++roles) {
      const std::optional<Ink>& ink = action[*roles];
      if (!ink) continue;
      row[x] = *ink;
      const bool shown = *ink != Ink::Clear;
      painted += shown;
      owner[x] = shown ? id : 0;
    }
  }
  return painted;
}

}  // namespace zotpx::screen
