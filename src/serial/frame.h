// The command frame: 55 AA, command, length N, N data bytes, checksum over command..data.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "base/bytes.h"

namespace zotpx {

class Port;

// Sum modulo 256 of command, length and data: frame[2] .. frame[length-2].
std::uint8_t FrameChecksum(const std::uint8_t* frame, std::size_t length);
// 55 AA cmd N data... and a checksum byte (filled in). Convenience for builders and tests.
Bytes MakeFrame(std::uint8_t command, const Bytes& data);

// Writes `length` bytes to `port` after setting the last one to the checksum. False when the
// port is closed or fewer bytes were written.
bool WriteFrame(Port& port, std::uint8_t* buffer, std::size_t length);
using SteadyClock = std::chrono::steady_clock;
using SteadyTime = SteadyClock::time_point;

// Reads one reply frame from `port` with byte-wise resynchronisation. Returns its total length
// (5..260) or 0. Time-outs in ms, counted in 100 ms read periods. `first_byte`, when given,
// gets the moment the accepted frame's first byte was read (noise before it does not count).
std::size_t ReadFrame(Port& port, std::uint8_t* buffer, int first_byte_ms, int inter_byte_ms,
                      SteadyTime* first_byte = nullptr);

// The reader itself, over any byte source: `read_byte` returns 1 with a byte, or 0 after one
// silent read period. Gives up after kReadFrameByteLimit bytes that form no valid frame.
using ByteSource = std::function<std::size_t(std::uint8_t& byte)>;
constexpr std::size_t kReadFrameByteLimit = 4096;
std::size_t ReadFrameFrom(const ByteSource& read_byte, std::uint8_t* buffer, int first_byte_ms,
                          int inter_byte_ms);

// (ms + 99) / 100, at least 1.
int ReadPeriods(int milliseconds);

}  // namespace zotpx
