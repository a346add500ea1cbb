// Inside the screen model: the overlay's pixel plane and the stamps that every command draws
// into it. A stamp marks which pixels of an object are ink, which are its one-pixel edge and
// which lie in its box; the colour mode then decides what each of them becomes.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "screen/screen.h"

namespace zotpx::screen {

enum class Ink : std::uint8_t { Clear = 0, Foreground = 1, Background = 2 };

class Plane {
 public:
  Plane() { Fill(Ink::Clear); }
  void Fill(Ink ink) { pixels_.fill(ink); }
  Ink Get(int x, int y) const { return pixels_[static_cast<std::size_t>(y) * kScreenWidth + x]; }
  // Row y, kScreenWidth pixels (y on the screen).
  Ink* Row(int y) { return pixels_.data() + static_cast<std::size_t>(y) * kScreenWidth; }
  const Ink* data() const { return pixels_.data(); }
  // Pixels off the screen are dropped: the device clips at its edges.
  void Set(int x, int y, Ink ink) {
    if (OnScreen(x, y)) pixels_[static_cast<std::size_t>(y) * kScreenWidth + x] = ink;
  }

 private:
  std::array<Ink, static_cast<std::size_t>(kScreenWidth) * kScreenHeight> pixels_;
};

// Which drawn object each pixel of the plane shows, by the id the model gave it; 0: none.
class OwnerPlane {
 public:
  OwnerPlane() { owners_.fill(0); }
  std::uint32_t Get(int x, int y) const {
    return owners_[static_cast<std::size_t>(y) * kScreenWidth + x];
  }
  std::uint32_t* Row(int y) { return owners_.data() + static_cast<std::size_t>(y) * kScreenWidth; }
  void Set(int x, int y, std::uint32_t id) {
    if (OnScreen(x, y)) owners_[static_cast<std::size_t>(y) * kScreenWidth + x] = id;
  }

 private:
  std::array<std::uint32_t, static_cast<std::size_t>(kScreenWidth) * kScreenHeight> owners_;
};

// An object's pixels over its box plus a one-pixel margin (where its edge may lie). Coordinates
// are screen coordinates; the box may reach past the screen.
class Stamp {
 public:
  static constexpr std::uint8_t kInk = 1;
  static constexpr std::uint8_t kEdge = 2;
  static constexpr std::uint8_t kInBox = 4;

  Stamp() = default;
  // A box of width x height at (x, y) with no ink yet. Rows and columns far past the screen are
  // left out, so a long string costs no more than the screen it can cover.
  Stamp(int x, int y, int width, int height);

  void SetInk(int x, int y) {
    if (Inside(x, y)) At(x, y) |= kInk;
  }
  // Marks every non-ink pixel next to ink (the eight neighbours) as edge.
  void AddEdges();

  // The object's own box, as asked for (not cut at the screen's edges).
  ScreenBox box() const { return box_; }
  int left() const { return left_; }
  int top() const { return top_; }
  int span_width() const { return width_; }
  int span_height() const { return height_; }
  std::uint8_t Role(int x, int y) const { return roles_[Index(x, y)]; }
  // The roles of row y from column x on (both inside the stamp).
  const std::uint8_t* RolesFrom(int x, int y) const { return roles_.data() + Index(x, y); }
  bool Inside(int x, int y) const {
    return x >= left_ && x < left_ + width_ && y >= top_ && y < top_ + height_;
  }

 private:
  std::size_t Index(int x, int y) const {
    return static_cast<std::size_t>(y - top_) * width_ + (x - left_);
  }
  std::uint8_t& At(int x, int y) { return roles_[Index(x, y)]; }

  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  ScreenBox box_;
  std::vector<std::uint8_t> roles_;
};

// The colour modes of the attribute lists, 0..7. Shapes, single-colour bitmaps and the
// crosshair use the first two (foreground, background).
inline constexpr int kColourModes = 8;

// Draws the stamp in colour mode `mode` (0..7); `erase` turns every pixel the mode would
// paint transparent instead (hide and delete). With `owners`, every pixel it paints in a
// colour becomes object `id`'s and every one it makes transparent nobody's. Returns how many
// pixels it painted in a colour.
int PaintStamp(Plane& plane, const Stamp& stamp, int mode, bool erase, OwnerPlane* owners = nullptr,
               std::uint32_t id = 0);

}  // namespace zotpx::screen
