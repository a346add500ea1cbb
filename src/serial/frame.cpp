#include "serial/frame.h"

#include <algorithm>
#include <array>

#include "serial/port.h"

namespace zotpx {

std::uint8_t FrameChecksum(const std::uint8_t* frame, std::size_t length) {
  std::uint8_t sum = 0;
  for (std::size_t i = 2; i + 1 < length; ++i) sum = static_cast<std::uint8_t>(sum + frame[i]);
  return sum;
}

Bytes MakeFrame(std::uint8_t command, const Bytes& data) {
  Bytes frame(data.size() + 5);
  frame[0] = 0x55;
  frame[1] = 0xAA;
  frame[2] = command;
  frame[3] = static_cast<std::uint8_t>(data.size());
  std::copy(data.begin(), data.end(), frame.begin() + 4);
  frame.back() = FrameChecksum(frame.data(), frame.size());
  return frame;
}

bool WriteFrame(Port& port, std::uint8_t* buffer, std::size_t length) {
  if (!port.IsOpen() || length < 5) return false;
  buffer[length - 1] = FrameChecksum(buffer, length);
  return port.Write(buffer, length) == length;
}

int ReadPeriods(int milliseconds) {
  if (milliseconds <= 0) return 1;
  const int periods = static_cast<int>((static_cast<long long>(milliseconds) + 99) / 100);
  return periods < 1 ? 1 : periods;
}

std::size_t ReadFrameFrom(const ByteSource& read_byte, std::uint8_t* buffer, int first_byte_ms,
                          int inter_byte_ms) {
  const int first_periods = ReadPeriods(first_byte_ms);
  const int inter_periods = ReadPeriods(inter_byte_ms);
  int remaining = first_periods;
  std::size_t position = 0;
  std::size_t length = 0;  // N + 5 once the length byte is in
  std::uint8_t sum = 0;
  std::size_t since_valid = 0;  // bytes taken since the reader started, none of them a frame yet
  for (;;) {
    std::uint8_t byte = 0;
    if (read_byte(byte) == 0) {
      if (--remaining < 1) return 0;
      continue;
    }
    // A line that never stops babbling must not hold the window for ever.
    if (++since_valid > kReadFrameByteLimit) return 0;
    remaining = inter_periods;
    buffer[position] = byte;
    bool ok = true;
    if (position == 0) {
      ok = byte == 0x55;
    } else if (position == 1) {
      ok = byte == 0xAA;
    } else if (position == 2) {
      ok = byte <= 0x1F;
      sum = byte;
    } else if (position == 3) {
      length = static_cast<std::size_t>(byte) + 5;
      sum = static_cast<std::uint8_t>(sum + byte);
    } else if (position + 1 < length) {
      sum = static_cast<std::uint8_t>(sum + byte);
    } else {
      if (byte == sum) return length;
      ok = false;
    }
    if (ok) {
      ++position;
    } else {
      position = 0;
      remaining = first_periods;
    }
  }
}

std::size_t ReadFrame(Port& port, std::uint8_t* buffer, int first_byte_ms, int inter_byte_ms,
                      SteadyTime* first_byte) {
  if (!port.IsOpen()) return 0;
  if (!first_byte)
    return ReadFrameFrom([&port](std::uint8_t& byte) { return port.Read(&byte, 1); }, buffer,
                         first_byte_ms, inter_byte_ms);
  // When each of the last bytes came: the accepted frame is the last `length` of them.
  std::array<SteadyTime, 260> came;
  std::size_t count = 0;
  const std::size_t length = ReadFrameFrom(
      [&](std::uint8_t& byte) {
        const std::size_t got = port.Read(&byte, 1);
        if (got) came[count++ % came.size()] = SteadyClock::now();
        return got;
      },
      buffer, first_byte_ms, inter_byte_ms);
  if (length) *first_byte = came[(count - length) % came.size()];
  return length;
}

}  // namespace zotpx
