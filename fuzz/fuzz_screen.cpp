// The screen model takes whatever arrives on the wire: sequences of frames, well-made or not,
// against a device memory with or without a font library and a crosshair file, then a render
// and a power-on from the same bytes as a static command image. Nothing may crash or touch
// memory outside its buffers; a refused frame must leave the revision as it was.
//
// Input: 6 set-up bytes (flags: memory, font library, crosshair file, short memory, final
// render; crosshair count, origin X high/low, origin Y, font size code), then records of [flags,
// time step, n, n bytes]. Flags bit 0 frames the bytes (55 AA, command and data from the bytes,
// length and checksum made right) so that most records reach the drawing code; without it the bytes
// go in as they are.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "crosshair/cross_download.h"
#include "crosshair/cross_file.h"
#include "screen/screen.h"
#include "serial/frame.h"
#include "text/font_library.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// A memory with a crosshair file whose shapes are diagonal stripes, reaching every edge.
std::vector<std::uint8_t>& Memory() {
  static std::vector<std::uint8_t> memory = [] {
    std::vector<std::uint8_t> m(zotpx::kDeviceMemorySize, 0xFF);
    for (std::size_t i = 0; i < zotpx::kCrossMaxShapes * zotpx::kCrossSlotSize; ++i) {
      m[zotpx::kCrossBase + i] = static_cast<std::uint8_t>(0x11 << (i % 4));
    }
    std::memcpy(&m[zotpx::kCrossBase + zotpx::kCrossHeaderOffset], "PIC ", 4);
    return m;
  }();
  return memory;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 6) return 0;
  std::vector<std::uint8_t>& memory = Memory();
  const std::size_t header = zotpx::kCrossBase + zotpx::kCrossHeaderOffset;
  memory[header + 4] = data[1];
  memory[header + 5] = data[2];
  memory[header + 6] = data[3];
  memory[header + 7] = 0;
  memory[header + 8] = data[4];
  memory[zotpx::kFontBase + 11] = data[5];
  memory[zotpx::kFontBase + 15] = data[0] & 0x02 ? data[5] : 0xFF;
  // Without the magic there is no crosshair file.
  memory[header] = data[0] & 0x04 ? 'P' : 0xFF;

  std::int64_t now_ms = 5000;
  zotpx::screen::ScreenModel model(now_ms);
  if (data[0] & 0x01) {
    // Sometimes a memory cut short: the model reads only what it was given.
    const std::size_t length =
        data[0] & 0x08 ? std::min<std::size_t>(memory.size(), data[2] * 0x800u) : memory.size();
    model.AttachMemory(std::span<const std::uint8_t>(memory.data(), length));
  }

  std::size_t at = 6;
  int renders = 0;
  while (at + 3 <= size) {
    const std::uint8_t flags = data[at];
    now_ms += data[at + 1] * 37;
    const std::size_t n = std::min<std::size_t>(data[at + 2], size - at - 3);
    const std::uint8_t* bytes = data + at + 3;
    at += 3 + n;
    std::vector<std::uint8_t> frame;
    if ((flags & 1) && n >= 1) {
      frame = zotpx::MakeFrame(bytes[0] & 0x1F, zotpx::Bytes(bytes + 1, bytes + n));
    } else {
      frame.assign(bytes, bytes + n);  // exactly n bytes: ASan sees any read past them
    }
    const std::uint64_t revision = model.revision();
    if (!model.Apply(frame, now_ms)) Check(model.revision() == revision);
    // A few renders along the way: each costs a whole screen.
    if ((flags & 2) && renders++ < 3) {
      zotpx::screen::Picture out;
      static const zotpx::screen::Picture video = zotpx::screen::TestCard();
      model.Render(now_ms, video, out);
      Check(out.width == zotpx::kScreenWidth && out.height == zotpx::kScreenHeight);
    }
  }
  const std::optional<std::int64_t> next = model.NextChangeMs(now_ms);
  Check(!next || *next > now_ms);
  // A whole render costs more than many frames: only the inputs that ask end with one.
  if (data[0] & 0x10) {
    zotpx::screen::Picture out;
    model.Render(now_ms, zotpx::screen::Picture::Filled(3, 2, 0xFF00FF00), out);
    Check(out.rgba.size() == static_cast<std::size_t>(zotpx::kScreenWidth) * zotpx::kScreenHeight);
  }

  // The same bytes as the static command image read at power-on.
  zotpx::screen::ScreenModel fresh(now_ms);
  std::vector<std::uint8_t> image(data + 6, data + size);
  zotpx::screen::RunStartupImage(fresh, image, now_ms);
  return 0;
}
