// The one serial port of the tool: opened afresh by every command, closed at its end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "serial/port_access.h"

namespace zotpx {

constexpr int kInvalidHandle = -1;

// The open port's file descriptor, or kInvalidHandle when closed.
extern int PortHandle;

// Why the last OpenPort failed; the window turns it into words.
enum class PortError { None, BadName, NotFound, Permission, Busy, NotSerial, Unsafe, Io };

struct PortFailure {
  PortError error = PortError::None;
  std::string path;    // the device path that was tried; the name itself for BadName
  std::string detail;  // holder "name，进程 pid" (Busy), what is unsafe (Unsafe), the system's
                       // words (Io)
  std::optional<AccessDiagnosis> access;  // Permission: who may open it and what would help
};

// Opens `name` ("COMn", or a path) raw 8N1 at `baud`, no flow control, DTR/RTS off,
// reads ending after 100 ms, then purges what the device had already sent.
bool OpenPort(const std::string& name, int baud);
// Changes the rate of the open port in place and waits 2 ms for the line to settle.
bool SetPortBaud(int baud);
// Restores the settings the port had before it was opened and closes it. Harmless when closed.
void ClosePort();

// One opening for many commands (the command line runs a whole invocation through one; the
// window never holds, it opens the port for every click). While held, ClosePort leaves a
// healthy port open, and OpenPort of the same name at the same rate keeps it, discarding only
// what is already waiting, without the purge's wait for silence. ReleasePort ends the hold and
// closes the port as ClosePort does.
void HoldPort();
void ReleasePort();
// For a program about to end at once (from a signal handler: async-signal-safe): puts back
// the settings the open port had before and gives up its exclusive use. Changes nothing else.
void RestorePortAtOnce();

// Spins on the monotonic clock. False only when no such clock is available.
bool DelayMicroseconds(long long microseconds);

const PortFailure& LastPortFailure();

// Raw access for the connect scan and the frame reader. A read collects up to `count` bytes
// within one read period (100 ms); what an earlier read already fetched comes first, without
// waiting. Both return the count transferred, 0 on time-out or when closed.
std::size_t PortRead(std::uint8_t* buffer, std::size_t count);
std::size_t PortWrite(const std::uint8_t* buffer, std::size_t count);

// Where a port name leads: "COMn" through the user's port folder, else /dev/ttyS<n-1>; a path
// as it stands. A name that is no port name (port_name.h), or a link another user could have
// changed, leaves `path` empty and says why in `failure`.
struct PortPath {
  std::string path;
  PortFailure failure;
};
PortPath ResolvePort(const std::string& name);
// What the port named `name` reaches, as a text two names share exactly when they reach the
// same device (the device number where it exists, else the real path): "-p X -p X" and a
// link beside its target are told apart from two devices before anything is opened.
std::string PortDeviceKey(const std::string& name);
// Why this user may not read and write the file at `path`; nothing when it cannot be looked at.
std::optional<AccessDiagnosis> DiagnoseDeviceAccess(const std::string& path);
// The user's port folder (~/.local/state/zotpx/ports), created private on demand.
std::string PortFolder();

// Communication failure text, with the cause of the last failed open appended.
std::string OpenFailureText();
inline constexpr const char* kOpenFailureText = "通信失败：请检查串口是否存在或被其他程序占用";

}  // namespace zotpx
