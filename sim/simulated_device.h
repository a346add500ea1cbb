// The simulated device's behaviour without any I/O: bytes in, replies out. The pty server
// feeds it what the host writes and puts its replies on the line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/device_model.h"
#include "memory_file.h"
#include "screen/screen.h"
#include "sim_device.h"

namespace zotpx {
struct CommandRow;
struct DecodedFrame;
}  // namespace zotpx

namespace zotpx::sim {

// What the device puts on the line after a request.
struct Reply {
  Bytes bytes;           // may be empty (silence)
  int delay_ms = 0;      // hold the reply back this long
  bool hang_up = false;  // close the line instead of answering
};

// The identification reply: L, then "MODEL VERSION", padded with zero bytes to at least 21
// bytes in all and cut to at most 254.
Bytes DefaultIdentifyReply(DeviceModel model, const std::string& version);
inline constexpr const char* kDefaultVersion = "V2.1 build 2026-11";

// The fault's name as --fault takes it and the trace says it ("wrong-echo").
std::string_view FaultName(Fault fault);
std::optional<Fault> FaultFromName(std::string_view name);

class SimulatedDevice {
 public:
  explicit SimulatedDevice(const DeviceConfig& config);

  // One byte from the host. `host_baud` is the rate the host's line is set to (0 when
  // unknown: taken as ours); bytes sent at another rate reach the device as garbage and are
  // dropped. `time_us` is a monotonic time stamp; a frame left unfinished for 100 ms is
  // abandoned, as the device's receiver would. Every ordinary command frame it acknowledges
  // goes to the screen, at `time_us` / 1000 on the screen's clock.
  std::optional<Reply> Feed(std::uint8_t byte, int host_baud, long long time_us);

  // Every frame received and every answer, explained as it happens (nothing when empty). Bytes
  // that make nothing are told when the next thing comes in, or at FlushTrace.
  void SetTrace(TraceSink sink) { trace_ = std::move(sink); }
  // Tells the dropped bytes not told yet: the caller has read all the line had for now.
  void FlushTrace();

  void AddFault(const FaultRule& rule);
  void ClearFaults();
  void SetIdentifyReply(const Bytes& raw) { identify_reply_ = raw; }
  void SetProbeAnswer(int baud, std::uint8_t byte) { probe_answers_[baud] = byte; }

  const std::vector<Bytes>& received() const { return received_; }
  void ClearReceived() { received_.clear(); }
  const Bytes& memory() const { return memory_; }
  // Loads the memory from the file and stores every later erase and write there too. False,
  // with the reason, when the file is refused; the memory is unchanged then.
  bool OpenMemoryFile(const std::string& path, std::string& error);
  const std::string& memory_file_error() const { return memory_file_error_; }

  // Power-on at `now_ms`: a blank screen, then the static commands stored at the start of the
  // memory (an erased or malformed image runs nothing).
  void PowerOn(std::int64_t now_ms);
  const screen::ScreenModel& screen() const { return screen_; }
  // Bumps whenever the screen may look different: an accepted frame, or a change of the memory
  // it reads (the crosshair shapes, the font library's header).
  std::uint64_t screen_revision() const { return screen_.revision() + memory_changes_; }

 private:
  enum class State { Idle, Sync, Command, Length, Data, Checksum };

  struct Answered {
    Bytes bytes;
    bool not_drawn = false;  // an ordinary command the screen left aside
  };
  std::optional<Reply> OnFrame();
  Answered Answer(const Bytes& frame, const DecodedFrame& decoded, bool refuse,
                  std::int64_t now_ms);
  bool Memory(const DecodedFrame& decoded);
  // False when the fault leaves this reply as it is (a reworked frame where the raw
  // identification goes).
  bool ApplyFault(const FaultRule& rule, std::uint8_t command, Reply& reply) const;
  void ResetParser();
  // Bytes that make no frame, at `baud` (0: the device's own rate), kept for the trace.
  void Drop(const Bytes& bytes, int baud);
  void Trace(bool from_host, std::string text) const;
  // `request`: the code of the frame it answers, if any, and its row; `faults` names the faults
  // that shaped the reply, `note` those that left it alone.
  void TraceReply(const Reply& reply, std::optional<std::uint8_t> request, const CommandRow* row,
                  const std::string& faults = "", const std::string& note = "") const;
  std::string DescribeAnswer(const Bytes& frame, std::uint8_t request, const CommandRow* row) const;

  DeviceConfig config_;
  Bytes identify_reply_;
  std::map<int, std::uint8_t> probe_answers_;
  std::vector<FaultRule> faults_;
  long frame_count_ = 0;  // frames received since start or ClearFaults

  State state_ = State::Idle;
  Bytes frame_;
  long long last_byte_us_ = 0;

  TraceSink trace_;
  Bytes dropped_;  // not told yet
  int dropped_baud_ = 0;

  std::vector<Bytes> received_;
  Bytes memory_;
  std::unique_ptr<MemoryFile> memory_file_;
  std::string memory_file_error_;
  std::uint64_t memory_changes_ = 0;
  screen::ScreenModel screen_;
};

}  // namespace zotpx::sim
