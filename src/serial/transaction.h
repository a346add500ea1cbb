// The command transaction every command button runs: open, build, log, send, receive,
// report, close.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "base/catalogue_text.h"
#include "serial/frame.h"
#include "serial/port.h"
#include "serial/reporter.h"

namespace zotpx {

// The port the form names and the rate that connecting selected.
struct Link {
  std::string port;
  int baud = 9600;
};

// LineLost: the line went mid-command (a pulled adapter, a closed connection): a failure of the
// port, not of the device.
enum class TxResult { OpenFailed, SendFailed, ReceiveFailed, Interrupted, LineLost, Ok };

// Frames of one command, built after the port is open (the clock command reads the time then).
// Each frame's checksum byte is filled in when it is written.
using FrameBuilder = std::function<std::vector<Bytes>()>;

// What a run takes for each frame's reply.
enum class ReplyRule {
  Echo,      // the device's 6-byte acknowledgement with the frame's own command code
  AnyFrame,  // any frame the device answers with (bring-up: see what it says)
  Raw,       // the frame goes out exactly as given (any length, any checksum), and whatever
             // comes back until the line falls silent is the reply, frame or not
};

struct TxOptions {
  ReplyRule reply = ReplyRule::Echo;
  Bytes* last_reply = nullptr;  // where the last reply goes, when the caller shows it
};

// Opens `port` as `link` says, logs 【title】, sends each frame in turn and waits for its reply
// (1000 ms for the first byte, 500 ms between bytes), logging 发送：/接收：; the first failure
// ends the run, and so does a stop the reporter asks for before a frame (logged as 用户中断).
// Ends with the status text, the port closed and a blank log line. Only a run acknowledged
// whole by the device's echoes goes to the reporter's CommandAcknowledged. A failure because the
// line went says why after the usual status (LineLost).
TxResult RunCommandFrames(Port& port, Reporter& reporter, const std::string& title,
                          const Link& link, const FrameBuilder& build,
                          const TxOptions& options = {});

// An ordinary reply's time-outs: for its first byte, and between bytes.
inline constexpr int kReplyFirstByteMs = 1000;
inline constexpr int kReplyNextByteMs = 500;

// Status texts after the title.
inline constexpr CatalogueText kSuccessText = "serial.success";
inline constexpr CatalogueText kSendFailedText = "serial.send_failed";
inline constexpr CatalogueText kReceiveFailedText = "serial.receive_failed";
inline constexpr CatalogueText kInterruptedText = "serial.interrupted";
inline constexpr CatalogueText kInterruptedLogLine = "serial.log_interrupted";

// "（why）" to follow a failure's status once the port's line has gone; empty while it is there.
std::string LineLostCause(Port& port);

// Within an open port: write one frame, log it, read its reply as `reply` says (within the
// time-outs the device has for that request), log it with the moment its first byte came. Once
// answered, the frame as it went on the line (its checksum filled in) goes to `sent` and the
// reply to `received`.
TxResult ExchangeFrame(Port& port, Reporter& reporter, const Bytes& frame, Bytes* sent = nullptr,
                       ReplyRule reply = ReplyRule::Echo, Bytes* received = nullptr);

}  // namespace zotpx
