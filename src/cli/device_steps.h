// Steps the command runners share: reaching the device as the session says, and turning the
// core's results into an outcome.
#pragma once

#include <optional>
#include <string>

#include "base/catalogue_text.h"
#include "cli/commands.h"
#include "command/model_check.h"
#include "device/connect.h"
#include "serial/memory_transfer.h"
#include "serial/transaction.h"

namespace zotpx::cli {

// Forwards everything to the reporter it wraps and keeps what a runner needs to know
// afterwards: the status line and the last line logged.
class StatusCapture : public Reporter {
 public:
  explicit StatusCapture(Reporter& inner) : inner_(inner) {}
  void SetStatus(const std::string& text) override {
    status = text;
    inner_.SetStatus(text);
  }
  void LogBytes(const std::string& title, std::size_t count, const std::uint8_t* bytes) override {
    if (!title.empty()) last_line = FormatLogLine(title, count, bytes);
    inner_.LogBytes(title, count, bytes);
  }
  void LogBytesAt(const std::string& title, std::size_t count, const std::uint8_t* bytes,
                  std::chrono::system_clock::time_point at) override {
    if (!title.empty()) last_line = FormatLogLine(title, count, bytes);
    inner_.LogBytesAt(title, count, bytes, at);
  }
  void SetFormEnabled(bool enabled) override { inner_.SetFormEnabled(enabled); }
  void ProcessEvents() override { inner_.ProcessEvents(); }
  void Repaint() override { inner_.Repaint(); }
  void BringToFront() override { inner_.BringToFront(); }
  void Progress(std::size_t done, std::size_t total) override {
    if (total != 0) bytes_done = done;
    inner_.Progress(done, total);
  }
  void CommandAcknowledged(const std::vector<Bytes>& frames) override {
    inner_.CommandAcknowledged(frames);
  }
  bool StopRequested() override { return inner_.StopRequested(); }

  std::string status;
  std::string last_line;
  std::size_t bytes_done = 0;  // acknowledged by the device, of the last download

 private:
  Reporter& inner_;
};

// The window's connect button, whose caption heads the connect block in the log.
inline constexpr CatalogueText kConnectTitle = "caption.BtnSearchCmd";

// The device as reaching it found it: the link, and its model when it identified itself.
struct Reached {
  Link link;
  DeviceModel model = DeviceModel::Unknown;
};

// With a rate, nothing to do (the model is the session's); with "auto", the connect scan and
// identification first, as the window's connect button runs them. Nothing when the device was
// not reached (the outcome then says why).
std::optional<Reached> ReachDevice(const Session& session, StatusCapture& reporter,
                                   Outcome& outcome);

// The model and rate of the device: with "auto" the connect scan, with a rate the
// identification alone at that rate. Nothing when the device was not identified. The port of
// an identified device stays open for the download; a refusal must close it.
std::optional<ConnectResult> IdentifyForDownload(const Session& session, StatusCapture& reporter,
                                                 Outcome& outcome);

void Refuse(Outcome& outcome, const std::string& status, const char* result = kResultRefused);
// The result code of a connect that did not identify the device.
const char* ConnectFailureResult(ConnectOutcome outcome);
void SetTxResult(Outcome& outcome, TxResult result, const std::string& status);
void SetTransferResult(Outcome& outcome, TransferResult result, const std::string& status);

}  // namespace zotpx::cli
