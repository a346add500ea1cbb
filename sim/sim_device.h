// The simulated ZOT-Px device: the device's side of the serial contract, served on a
// pseudo-terminal or over TCP, with faults that tests can aim at any frame it receives.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/device_model.h"
#include "base/file_save.h"
#include "screen/screen.h"
#include "serial/frame.h"
#include "serial/memory_transfer.h"

namespace zotpx::sim {

enum class Fault {
  None,
  Noise,        // a few junk bytes before the reply
  BadChecksum,  // the reply's checksum is wrong
  WrongEcho,    // the reply carries another command code
  ShortFrame,   // a valid 5-byte frame (no data byte) instead of the reply
  Stall,        // the reply stops half-way and the rest never comes
  Silence,      // no reply at all
  Refuse,       // data byte 0 to a memory request, not carried out (ordinary: status 0, valid,
                // not drawn)
  HangUp,       // the device side of the line is closed (the port vanishes mid-exchange)
  Late,         // the reply comes after `delay_ms`
};

// A fault aimed at the n-th frame received (1-based, counting every frame since start or
// since ClearFaults), or at every frame when nth is 0; optionally only frames of one command.
// Several rules may hit one frame. BadChecksum and WrongEcho leave the raw identification
// reply as it is; the probe is not a frame and never faulted.
struct FaultRule {
  Fault fault = Fault::None;
  int nth = 0;
  int command = -1;  // -1: any command code
  int delay_ms = 0;  // for Late
};

// How a TCP client speaks: bytes as they are, or Telnet with RFC 2217's serial-port control;
// Auto tells them apart by the client's first byte (IAC: Telnet).
enum class ListenMode { Auto, Raw, Rfc2217 };

struct DeviceConfig {
  DeviceModel model = DeviceModel::PA;
  int baud = 9600;          // its own rate: bytes sent at another rate go unanswered
  std::string version{};    // identification text after the model; a default when empty
  bool pacing = false;      // emulate the line rate and the device's processing time
  int processing_us = 0;    // per request, in pacing mode
  std::string link_name{};  // "COMn": link it in the user's port folder while serving
  // The memory kept in this file across runs (created erased when missing); empty: in RAM only.
  std::string memory_file{};
  // Served over TCP instead of a pty: at listen_host (the loopback when empty), listen_port
  // (0: any free port).
  bool listen = false;
  std::string listen_host{};
  int listen_port = 0;
  ListenMode listen_mode = ListenMode::Auto;
};

// One line of the trace: a frame, probe or stray bytes from the host, or the device's answer,
// in words (command/explain.h).
struct TraceLine {
  bool from_host = true;
  std::string text;
};
using TraceSink = std::function<void(const TraceLine& line)>;

class SimServer {
 public:
  explicit SimServer(DeviceConfig config);
  ~SimServer();  // stops serving, closes the pty, removes the link
  SimServer(const SimServer&) = delete;
  SimServer& operator=(const SimServer&) = delete;

  // Opens the pty (or listens) and serves on a thread. The first start loads the memory file, if
  // any, and powers the device on (it runs the static commands stored in its memory). False when
  // the memory file is refused, no pty could be had, or the link could not be made (another live
  // simulator holds the COMn name); error() says why. After Stop it starts again on a new pty,
  // keeping memory, faults and the frames received (how a test plugs the device back in after a
  // hang-up).
  bool Start();
  // Stops serving, removes the link and gives its COMn name up.
  void Stop();
  // Stops and starts again on a new pty, keeping the COMn name meanwhile (a device plugged
  // back in after a hang-up).
  bool Restart();
  // What a host opens: the path of the pty's terminal side, or the URL of the listening
  // address ("rfc2217://127.0.0.1:5000"; "tcp://" in raw mode).
  const std::string& path() const;
  const std::string& error() const;
  // True once a HangUp fault has closed the line (the pty is gone until Stop and Start).
  bool HungUp() const;

  void AddFault(const FaultRule& rule);
  void ClearFaults();  // also restarts the frame count

  // Raw bytes to send as the whole identification reply, instead of the default.
  void SetIdentifyReply(const Bytes& raw);
  // Answer the probe at `baud` with `byte` (a stray byte), even though it is not our rate.
  void SetProbeAnswer(int baud, std::uint8_t byte);
  // Writes bytes to the line now, unasked (while serving).
  void Inject(const Bytes& bytes);
  // Explains on `sink` everything the device receives and answers, as it happens, on the
  // serving thread.
  void SetTrace(TraceSink sink);

  // Every complete frame received, in order (the probe byte is not a frame).
  std::vector<Bytes> ReceivedFrames() const;
  std::size_t ReceivedFrameCount() const;
  void ClearReceived();
  // The device memory (kDeviceMemorySize bytes, 0xFF at start and where erased).
  Bytes Memory() const;
  // The memory into `file`, whole or not at all, as every file the tool writes.
  SaveResult DumpMemory(const std::string& file) const;
  // The screen, on the steady clock the device runs on (NowMs), over the video picture (the
  // test card until SetVideo). Safe from any thread while the device serves.
  static std::int64_t NowMs();
  screen::Picture Screen(std::int64_t now_ms) const;
  // Bumps whenever the screen may look different; the picture also changes by itself (clock,
  // blinking) at NextScreenChangeMs.
  std::uint64_t ScreenRevision() const;
  std::optional<std::int64_t> NextScreenChangeMs(std::int64_t now_ms) const;
  void SetVideo(screen::Picture video);

  // Why the memory file last refused a store (the device refused that request); empty if never.
  std::string MemoryFileError() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace zotpx::sim
