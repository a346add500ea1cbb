// The layout loader on arbitrary bytes: it must never crash, hang or throw, every message must
// name the file and a line, and a layout it accepts must give frames the device can read, whose
// static command text reads back to exactly those records. Nothing is ever sent.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "command/codec.h"
#include "layout/layout_reader.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

bool IsFrame(const zotpx::Bytes& frame) {
  if (frame.size() < 5 || frame[0] != 0x55 || frame[1] != 0xAA || frame.size() != frame[3] + 5u)
    return false;
  std::uint8_t sum = 0;
  for (std::size_t i = 2; i + 1 < frame.size(); ++i)
    sum = static_cast<std::uint8_t>(sum + frame[i]);
  return sum == frame.back();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  // Bitmap files are looked for in a folder that does not exist: a layout naming one is refused.
  const zotpx::Layout layout = zotpx::ParseLayout(text, "fuzz.toml", "/nonexistent/");
  for (const std::string& error : layout.errors) Check(error.rfind("fuzz.toml:", 0) == 0);
  if (!layout.ok()) return 0;
  for (const zotpx::LayoutObject& object : layout.objects) {
    const zotpx::CommandRow& row = object.values.row();
    Check(!row.check || !row.check(object.values));
    for (const zotpx::Bytes& frame : zotpx::BuildFrames(object.values)) Check(IsFrame(frame));
  }
  const zotpx::LayoutStatic start_up = zotpx::StaticFramesOf(layout);
  if (!start_up.errors.empty()) return 0;
  const std::string static_text = zotpx::FormatStaticText(start_up.frames);
  const zotpx::StaticImage image = zotpx::BuildStaticImage(
      {reinterpret_cast<const std::uint8_t*>(static_text.data()), static_text.size()});
  Check(!image.failure && image.records == start_up.frames.size());
  return 0;
}
