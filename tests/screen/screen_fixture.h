// What the screen tests share: a model with a device memory behind it, frames in the
// protocol's own hexadecimal, pictures rendered over a flat video colour, pixel classes, and
// golden images (ZOTPX_UPDATE_GOLDEN=1 rewrites them).
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

#include "crosshair/cross_download.h"
#include "crosshair/cross_file.h"
#include "screen/png_writer.h"
#include "screen/screen.h"
#include "support/hex.h"

namespace zotpx::test {

using screen::Picture;
using screen::ScreenModel;

// Transparent pixels show this, so they tell apart from both overlay colours.
inline constexpr std::uint32_t kVideo = screen::Rgba(0x30, 0x60, 0x90);
inline constexpr std::int64_t kStartMs = 1'000'000;

// 'F' foreground, 'B' background, 'T' transparent (the video shows).
inline char Class(const Picture& picture, int x, int y) {
  const std::uint32_t p = picture.at(x, y);
  return p == screen::kForeground ? 'F' : p == screen::kBackground ? 'B' : p == kVideo ? 'T' : '?';
}

inline int CountClass(const Picture& picture, char c) {
  int n = 0;
  for (int y = 0; y < picture.height; ++y)
    for (int x = 0; x < picture.width; ++x) n += Class(picture, x, y) == c;
  return n;
}

// A crosshair file in the device memory: shape 1 a plus sign of arms 40 pixels long through the
// origin, with a dot at the picture's top-left and bottom-right corners; shape 2 a square.
inline Bytes MemoryWithCrosshair(const CrossOrigin& origin = {}) {
  Bytes memory(kDeviceMemorySize, 0xFF);
  CrossFileImage file;
  const auto set = [](std::span<std::uint8_t> slot, int x, int y) {
    slot[static_cast<std::size_t>(y) * 48 + x / 8] |= static_cast<std::uint8_t>(1 << (x % 8));
  };
  auto plus = file.Slot(0);
  std::fill(plus.begin(), plus.end(), 0);
  for (int d = -40; d <= 40; ++d) {
    set(plus, origin.x + d, origin.y);
    set(plus, origin.x, origin.y + d);
  }
  set(plus, 0, 0);
  set(plus, 383, 255);
  auto square = file.Slot(1);
  for (int d = -10; d <= 10; ++d) {
    set(square, origin.x + d, origin.y - 10);
    set(square, origin.x + d, origin.y + 10);
    set(square, origin.x - 10, origin.y + d);
    set(square, origin.x + 10, origin.y + d);
  }
  file.Finish(2, origin);
  std::copy(file.bytes().begin(), file.bytes().begin() + kCrossDownloadSize,
            memory.begin() + kCrossBase);
  return memory;
}

struct ScreenTest : ::testing::Test {
  Bytes memory = Bytes(kDeviceMemorySize, 0xFF);
  ScreenModel model{kStartMs};

  void SetUp() override { model.AttachMemory(memory); }

  bool Send(const std::string& hex, std::int64_t now_ms = kStartMs) {
    return model.Apply(Hex(hex), now_ms);
  }
  bool Send(const Bytes& frame, std::int64_t now_ms = kStartMs) {
    return model.Apply(frame, now_ms);
  }
  Picture Shot(std::int64_t now_ms = kStartMs) const {
    Picture out;
    model.Render(now_ms, Picture::Filled(kScreenWidth, kScreenHeight, kVideo), out);
    return out;
  }
};

inline std::filesystem::path GoldenPath(const std::string& name) {
  return std::filesystem::path(ZOTPX_GOLDEN_DIR) / (name + ".png");
}

// Exact comparison with the reviewed picture; with ZOTPX_UPDATE_GOLDEN=1 the picture becomes
// the new golden image instead (look at it before committing).
inline void ExpectGolden(const std::string& name, const Picture& picture) {
  const std::filesystem::path path = GoldenPath(name);
  const char* update = std::getenv("ZOTPX_UPDATE_GOLDEN");
  if (update && std::string(update) == "1") {
    ASSERT_TRUE(screen::WritePng(path.string(), picture)) << path;
    return;
  }
  const std::optional<Picture> golden = screen::LoadVideoPicture(path.string());
  ASSERT_TRUE(golden) << "no golden image " << path << " (ZOTPX_UPDATE_GOLDEN=1 makes it)";
  int differing = 0, first_x = -1, first_y = -1;
  for (int y = 0; y < kScreenHeight; ++y) {
    for (int x = 0; x < kScreenWidth; ++x) {
      if (golden->at(x, y) == picture.at(x, y)) continue;
      if (!differing++) first_x = x, first_y = y;
    }
  }
  EXPECT_EQ(differing, 0) << name << ": first difference at " << first_x << "," << first_y;
}

}  // namespace zotpx::test
