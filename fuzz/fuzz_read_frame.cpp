// The frame reader over an arbitrary line: whatever arrives, it returns only a well-formed
// frame made of the last bytes it took, never writes past 260 bytes, and gives up promptly
// once the line falls silent.
//
// Input: two bytes choosing the time-outs, a count m and m mask bytes, then the bytes on the
// line. Bit k of the mask puts one silent read period before line byte k.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "serial/frame.h"

namespace {

// Time-outs from -100 ms to 1175 ms: both sides of every rounding step of the period count.
int Timeout(std::uint8_t selector) { return static_cast<int>(selector % 64) * 25 - 100; }

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3 || size < 3u + data[2]) return 0;
  const int first_ms = Timeout(data[0]);
  const int inter_ms = Timeout(data[1]);
  const std::size_t mask_size = data[2];
  const std::uint8_t* mask = data + 3;
  data += 3 + mask_size;
  const std::size_t line_size = size - 3 - mask_size;

  std::size_t next = 0;            // next line byte to deliver
  bool silence_owed = true;        // the mask's silent period before line byte `next` is still due
  std::size_t calls_after_end = 0;
  auto source = [&](std::uint8_t& byte) -> std::size_t {
    if (next >= line_size) {
      ++calls_after_end;
      return 0;
    }
    const bool silent = next / 8 < mask_size && (mask[next / 8] >> (next % 8)) & 1;
    if (silent && silence_owed) {
      silence_owed = false;
      return 0;
    }
    silence_owed = true;
    byte = data[next++];
    return 1;
  };

  // Exactly the largest frame: ASan reports any write beyond it.
  auto buffer = std::make_unique<std::uint8_t[]>(260);
  const std::size_t length = zotpx::ReadFrameFrom(source, buffer.get(), first_ms, inter_ms);

  // Once the line is silent for good, the reader waits at most the longer of its two counts.
  const int longest = std::max(zotpx::ReadPeriods(first_ms), zotpx::ReadPeriods(inter_ms));
  Check(calls_after_end <= static_cast<std::size_t>(longest));
  Check(next <= zotpx::kReadFrameByteLimit + 1);
  if (length == 0) return 0;

  Check(length >= 5 && length <= 260);
  Check(buffer[0] == 0x55 && buffer[1] == 0xAA && buffer[2] <= 0x1F);
  Check(static_cast<std::size_t>(buffer[3]) + 5 == length);
  Check(buffer[length - 1] == zotpx::FrameChecksum(buffer.get(), length));
  // The frame is what came last on the line, byte for byte, and nothing after it was taken.
  Check(next >= length && std::memcmp(buffer.get(), data + next - length, length) == 0);
  return 0;
}
