#include "designer/device_link.h"

#include <QCoreApplication>

#include "base/attributes.h"
#include "command/codec.h"
#include "layout/layout_reader.h"
#include "serial/memory_transfer.h"
#include "serial/port.h"
#include "serial/transaction.h"
#include "text/static_file.h"

void DeviceLink::SetPort(const std::string& port) {
  if (port == port_) return;
  port_ = port;
  found_.reset();
}

zotpx::DeviceModel DeviceLink::model() const {
  return found_ ? found_->model : zotpx::DeviceModel::Unknown;
}

std::string DeviceLink::version() const {
  return found_ ? found_->version : std::string();
}

int DeviceLink::baud() const {
  return found_ ? zotpx::kBaudRateList[found_->rate_index] : 0;
}

bool DeviceLink::Connect(zotpx::Reporter& reporter, const std::string& title) {
  found_.reset();
  const zotpx::ConnectResult found = zotpx::ConnectDevice(reporter, title, port_);
  if (found.outcome == zotpx::ConnectOutcome::Identified) found_ = found;
  return found_.has_value();
}

namespace {

// Forwards everything and keeps the last status: a failed object's own words.
class StatusKeeper : public zotpx::Reporter {
 public:
  explicit StatusKeeper(zotpx::Reporter& inner) : inner_(inner) {}
  void SetStatus(const std::string& text) override {
    status = text;
    inner_.SetStatus(text);
  }
  void LogBytes(const std::string& title, std::size_t count, const std::uint8_t* bytes) override {
    inner_.LogBytes(title, count, bytes);
  }
  void SetFormEnabled(bool enabled) override { inner_.SetFormEnabled(enabled); }
  void ProcessEvents() override { inner_.ProcessEvents(); }
  void Repaint() override { inner_.Repaint(); }
  void BringToFront() override { inner_.BringToFront(); }
  void Progress(std::size_t done, std::size_t total) override { inner_.Progress(done, total); }
  void CommandAcknowledged(const std::vector<zotpx::Bytes>& frames) override {
    inner_.CommandAcknowledged(frames);
  }
  bool StopRequested() override { return inner_.StopRequested(); }

  std::string status;

 private:
  zotpx::Reporter& inner_;
};

}  // namespace

std::optional<std::string> DeviceLink::Refusal(const zotpx::Layout& layout,
                                               const std::string& title) const {
  for (const zotpx::LayoutObject& object : layout.objects)
    if (zotpx::IsSent(object) && !object.values.row().ForModel(model()))
      return title +
             QCoreApplication::translate("DeviceLink", "失败：设备是 %1，没有“%2”；什么也没有发送")
                 .arg(QString::fromUtf8(zotpx::ModelName(model()).data()),
                      QString::fromStdString(object.values.row().title))
                 .toStdString();
  return std::nullopt;
}

bool DeviceLink::Apply(zotpx::Reporter& outer, const zotpx::Layout& layout,
                       const std::string& title) {
  StatusKeeper reporter(outer);
  if (!found_) return false;
  if (const std::optional<std::string> refusal = Refusal(layout, title)) {
    reporter.SetStatus(*refusal);
    return false;
  }
  const zotpx::Link link{port_, baud()};
  std::size_t sent = 0, objects = 0;
  for (const zotpx::LayoutObject& object : layout.objects) objects += zotpx::IsSent(object);
  bool ok = true;
  zotpx::HoldPort();
  for (const zotpx::LayoutObject& object : layout.objects) {
    if (!zotpx::IsSent(object)) continue;
    // A clock without its moment reads the computer's time once the port is open.
    const zotpx::TxResult result =
        zotpx::RunCommandFrames(reporter, object.values.row().title, link,
                                [&object] { return zotpx::BuildFrames(object.values); });
    if (result != zotpx::TxResult::Ok) {
      ok = false;
      break;
    }
    ++sent;
  }
  zotpx::ReleasePort();
  // A failure leaves the command's own status, with how far the layout got.
  const QString done =
      ok ? QCoreApplication::translate("DeviceLink", "%1成功：已发送 %2 个对象")
               .arg(QString::fromStdString(title))
               .arg(sent)
         : QCoreApplication::translate("DeviceLink", "%1（已发送 %2 个对象，共 %3 个）")
               .arg(QString::fromStdString(reporter.status))
               .arg(sent)
               .arg(objects);
  reporter.SetStatus(done.toStdString());
  return ok;
}

bool DeviceLink::DownloadStartUp(zotpx::Reporter& reporter, const zotpx::Layout& layout,
                                 const std::string& title) {
  if (!found_) return false;
  if (const std::optional<std::string> failure = zotpx::CheckStaticRequest(model())) {
    reporter.SetStatus(title + *failure);
    return false;
  }
  if (const std::optional<std::string> refusal = Refusal(layout, title)) {
    reporter.SetStatus(*refusal);
    return false;
  }
  const zotpx::StaticImage built = zotpx::StaticImageOf(layout);
  if (built.failure) {
    reporter.SetStatus(title + *built.failure);
    return false;
  }
  reporter.LogLine(zotpx::kStaticGeneratedLogLine);
  reporter.LogLine("");
  zotpx::MemoryData data(built.image);
  return zotpx::DownloadToDevice(reporter, {port_, baud()}, zotpx::StaticTransferPlan(title),
                                 data) == zotpx::TransferResult::Done;
}
