// A port: one line to one device, opened by its name ("COMn" or a path for a local serial
// port, "tcp://HOST:PORT" or "rfc2217://HOST:PORT" for one across the network) and holding all
// its own state, so that one process may talk to several devices at once.
//
//   Port port;
//   if (!port.Open("rfc2217://bench-7:2217", 115200)) return port.OpenFailureText();
//   RunCommandFrames(port, reporter, title, link, build);
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/catalogue_text.h"
#include "serial/port_access.h"
#include "serial/transport.h"

namespace zotpx {

// Why the last open failed, or why the line broke off; the faces turn it into words.
enum class PortError {
  None,
  BadName,  // no port name, or a malformed URL (detail: why)
  NotFound,
  Permission,
  Busy,
  NotSerial,
  Unsafe,
  Io,
  NotResolved,  // a network port's host name does not resolve
  Refused,      // nothing serves at a network port's address
  TimedOut,     // no connection, or no answer from its server, in time
  Lost,         // the line went while in use: an adapter pulled, a connection closed
  NotRfc2217,   // the server does not speak the serial-port control of RFC 2217
};

struct PortFailure {
  PortError error = PortError::None;
  std::string path;    // the device path that was tried; the name itself for BadName; the
                       // URL's canonical text for a network port
  std::string detail;  // holder "name，进程 pid" (Busy), what is unsafe (Unsafe), the system's
                       // words (Io), why (BadName of a URL), the network's whole phrase
                       // (NotResolved ... NotRfc2217, and Io from a server)
  std::optional<AccessDiagnosis> access;  // Permission: who may open it and what would help
};

// The protocol's frame buffer: every frame is built at offset 0 and every reply read over it.
constexpr std::size_t kFrameBufferSize = 1048576;

class Port {
 public:
  Port();
  // Closes the line, the hold notwithstanding.
  ~Port();
  Port(const Port&) = delete;
  Port& operator=(const Port&) = delete;

  // Opens `name` at `baud`: a local port raw 8N1, no flow control, DTR/RTS off; a network
  // port through its server, which for RFC 2217 is told the same. Then empties what the device
  // had already sent (until one read period passes in silence, or after 1 s of babble). Under
  // the hold, a port open as `name` serves as it is, at `baud`, with only what has already
  // arrived discarded.
  bool Open(const std::string& name, int baud);
  // Runs the open line at `baud`, a local one after 2 ms to settle. False when it is not taken
  // (the line runs on as before). Over raw TCP nothing can be set: always true.
  bool SetRate(int baud);
  // Puts back what opening changed and lets the line go. Under the hold a healthy line stays
  // open. Harmless when closed.
  void Close();
  // One opening for many commands (the command line runs a whole invocation through one; the
  // window never holds, it opens the port for every click). Release ends the hold and closes.
  void Hold();
  void Release();

  bool IsOpen() const { return PortHandle != nullptr; }
  // The name the port was last opened by, kept after it closes; empty before it ever opened.
  const std::string& Name() const { return hold_.name; }
  // Whether the line runs at the far end's rate, which nothing here can set or learn (raw
  // TCP): a rate given for it is taken on trust, and connecting does not scan for one.
  bool FarEndRate() const { return far_end_rate_; }

  // Up to `count` bytes within one read period (100 ms); what an earlier read already fetched
  // comes first, without waiting. The count; 0 on time-out, when closed or once the line has
  // gone.
  std::size_t Read(std::uint8_t* buffer, std::size_t count);
  // The count written, waiting for room for a bounded time (WriteBoundMs).
  std::size_t Write(const std::uint8_t* buffer, std::size_t count);

  // Why the last Open failed; after LineLost, why the line went.
  const PortFailure& LastFailure() const { return failure_; }
  // The communication failure text with the cause of the last failure appended.
  std::string OpenFailureText() const;
  // True once an open line has gone (a pulled adapter, a closed connection); the failure
  // record then says why, for a caller whose exchange has just failed.
  bool LineLost();

  // Every frame is built here and every reply read over it: kFrameBufferSize bytes on the
  // heap, the port's own.
  std::uint8_t* const FrameBuffer;

 private:
  void CloseNow();
  // Whether the held line can serve as `name` at `baud` as it is.
  bool Reuse(const std::string& name, int baud);
  void FinishOpen(const std::string& name, int baud);

  // The open line, chosen by the name when it opened; empty when closed.
  std::unique_ptr<Transport> PortHandle;
  int slot_ = -1;          // where it is registered for RestorePortsAtOnce
  std::string opened_as_;  // the resolved path or the URL's canonical text
  bool far_end_rate_ = false;
  struct {
    bool on = false;
    std::string name;  // as Open was given it
    int baud = 0;      // the working rate
  } hold_;
  PortFailure failure_;
};

// For a program about to end at once (from a signal handler: async-signal-safe): every open
// port puts back what opening it changed and gives up its exclusive use. Nothing else changes.
void RestorePortsAtOnce();

// The communication failure text, with the cause `failure` gives appended.
std::string OpenFailureText(const PortFailure& failure);
inline constexpr CatalogueText kOpenFailureText = "serial.open_failed";

// Spins on the monotonic clock. False only when no such clock is available.
bool DelayMicroseconds(long long microseconds);

// Where a local port name leads: "COMn" through the user's port folder, else /dev/ttyS<n-1>;
// a path as it stands. A name that is no port name (port_name.h), or a link another user could
// have changed, leaves `path` empty and says why in `failure`.
struct PortPath {
  std::string path;
  PortFailure failure;
};
PortPath ResolvePort(const std::string& name);
// What the port named `name` reaches, as a text two names share exactly when they reach the
// same device (a network port's canonical URL; the device number where it exists, else the real
// path): "-p X -p X" and a link beside its target are told apart from two devices before
// anything is opened.
std::string PortDeviceKey(const std::string& name);
// Why this user may not read and write the file at `path`; nothing when it cannot be looked at.
std::optional<AccessDiagnosis> DiagnoseDeviceAccess(const std::string& path);
// The user's port folder (~/.local/state/zotpx/ports), created private on demand.
std::string PortFolder();

}  // namespace zotpx
