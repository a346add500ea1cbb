// The real window for form tests, with scripted dialogs and, on request, a simulated device
// on a pseudo-terminal behind it.
//
//   class BitmapPageTest : public FormTest {};
//   TEST_F(BitmapPageTest, ...) {
//     StartDevice({.model = zotpx::DeviceModel::PA, .baud = 115200});  // UartPort and UartBaud
//     point at it form().SetText("EditRectLeft", "10"); Click("BtnRectCmd"); EXPECT_EQ(Status(),
//     "矩形控制命令成功：请查看通信数据记录以获得更多信息"); EXPECT_EQ(LogSince(mark), ...);
//   }
//
// Needs a QApplication (tests/form/form_main.cpp makes one on the offscreen platform).
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <algorithm>
#include <cstdio>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "app/form.h"
#include "base/attributes.h"
#include "form_controls.h"
#include "scripted_dialogs.h"
#include "sim_fixture.h"

// The device behind the window: its link and Restart as SimDevice has them, the server's own
// calls both through "->" and directly (sim().ReceivedFrames(), sim()->AddFault(...)).
struct FormSim : zotpx::test::SimDevice {
  std::vector<zotpx::Bytes> ReceivedFrames() const { return server->ReceivedFrames(); }
  std::size_t ReceivedFrameCount() const { return server->ReceivedFrameCount(); }
  void ClearReceived() { server->ClearReceived(); }
  void AddFault(const zotpx::sim::FaultRule& rule) { server->AddFault(rule); }
  void ClearFaults() { server->ClearFaults(); }
  void Inject(const zotpx::Bytes& bytes) { server->Inject(bytes); }
  zotpx::Bytes Memory() const { return server->Memory(); }
};

class FormTest : public ::testing::Test {
 protected:
  FormTest() : form_(std::make_unique<TForm1>()) {
    auto dialogs = std::make_unique<ScriptedDialogs>();
    dialogs_ = dialogs.get();
    form_->SetDialogs(std::move(dialogs));
  }

  TForm1& form() { return *form_; }
  ScriptedDialogs& dialogs() { return *dialogs_; }
  // The device started by StartDevice.
  FormSim& sim() { return sim_; }

  // Starts a simulated device and selects its pty in UartPort and its rate in UartBaud, as if
  // the operator had connected to it (the model is left as it is: select it when a test needs it).
  void StartDevice(const zotpx::sim::DeviceConfig& config = {}) {
    static_cast<zotpx::test::SimDevice&>(sim_) = zotpx::test::StartSim(config);
    ASSERT_FALSE(sim_.link.port.empty()) << "the simulated device did not start";
    form_->SelectPort(QString::fromStdString(sim_.link.port));
    const auto* rates = std::begin(zotpx::kBaudRateList);
    const auto* found = std::find(rates, std::end(zotpx::kBaudRateList), sim_.link.baud);
    if (found != std::end(zotpx::kBaudRateList))
      form_->Combo("UartBaud")->setCurrentIndex(static_cast<int>(found - rates));
  }

  // Sets a control as the frame table names its value (support/form_controls.h).
  void SetControl(const std::string& name, const std::string& value) {
    zotpx::test::SetFrameControl(*form_, name, value);
  }
  // The clock the window reads, stopped at "YYYY-MM-DD HH:MM:SS".
  void StopClockAt(const std::string& moment) { zotpx::test::StopClockAt(*form_, moment); }

  // Clicks a button as the operator would: nothing happens when it is disabled or hidden away.
  void Click(const char* name) { form_->Ctl<QAbstractButton>(name)->click(); }

  std::string Status() const { return form_->StatusText().toStdString(); }

  // Every line of the communication log, the two start lines included.
  std::vector<std::string> Log() const {
    std::vector<std::string> lines;
    for (const QString& line : form_->LogLines()) lines.push_back(line.toStdString());
    return lines;
  }
  // Take a mark before a command, then read only what it logged.
  std::size_t LogMark() const { return static_cast<std::size_t>(form_->LogLines().size()); }
  std::vector<std::string> LogSince(std::size_t mark) const {
    std::vector<std::string> lines = Log();
    const std::size_t first = std::min(mark, lines.size());
    lines.erase(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(first));
    return lines;
  }

 private:
  FormSim sim_;
  std::unique_ptr<TForm1> form_;
  ScriptedDialogs* dialogs_ = nullptr;
};
