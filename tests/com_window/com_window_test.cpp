// The real window, built for Windows, against a device on a COM port: the one the environment
// variable ZOTPX_TEST_COM names ("COM101"; under Wine the simulator behind a pty linked as that
// port, see scripts/windows/test). Connecting finds the device and its rate, and every row of the
// shared frame table sends the row's frame (the log shows the bytes, the status the device's
// acknowledgement). Without the variable those tests skip. And a bitmap chosen in a folder
// named in Chinese loads, its path shown as Windows writes it.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/form.h"
#include "serial/transaction.h"
#include "support/bmp_writer.h"
#include "support/form_controls.h"
#include "support/frame_table.h"
#include "support/scripted_dialogs.h"

namespace {

using zotpx::test::FrameRow;

const char* ComPort() {
  const char* port = std::getenv("ZOTPX_TEST_COM");
  return port && *port ? port : nullptr;
}

class ComWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!ComPort()) GTEST_SKIP() << "ZOTPX_TEST_COM names no port";
    form_ = std::make_unique<TForm1>();
    form_->SetDialogs(std::make_unique<ScriptedDialogs>());
    form_->SelectPort(QString::fromLatin1(ComPort()));
  }
  void Click(const std::string& name) { form_->Ctl<QAbstractButton>(name.c_str())->click(); }
  std::string Status() const { return form_->StatusText().toStdString(); }
  std::string LastSent() const {
    const QStringList lines = form_->LogLines();
    for (auto line = lines.rbegin(); line != lines.rend(); ++line)
      if (line->startsWith(QStringLiteral("发送："))) return line->toStdString();
    return {};
  }

  std::unique_ptr<TForm1> form_;
};

TEST_F(ComWindowTest, ConnectsAndEveryRowOfTheFrameTableSendsItsFrame) {
  Click("BtnSearchCmd");
  ASSERT_EQ(Status(), "连接设备成功：产品型号和通信速率已自动匹配");
  EXPECT_EQ(form_->Combo("ComboDeviceType")->currentText(), QStringLiteral("ZOT-PB"));
  EXPECT_EQ(form_->Combo("UartBaud")->currentText(), QStringLiteral("115200"));
  for (const FrameRow& row : zotpx::test::FrameRows()) {
    SCOPED_TRACE(row.name);
    // Each row from the form as it opened, connected to the same device.
    const int baud = form_->Combo("UartBaud")->currentIndex();
    SetUp();
    form_->Combo("UartBaud")->setCurrentIndex(baud);
    for (const auto& [control, value] : row.controls)
      zotpx::test::SetFrameControl(*form_, control, value);
    if (!row.clock.empty()) zotpx::test::StopClockAt(*form_, row.clock);
    Click(row.button);
    EXPECT_EQ(Status(), row.title + zotpx::kSuccessText);
    EXPECT_EQ(LastSent(), "发送：" + row.frame + " ");
  }
}

// The dialog gives '/' as Qt does on every system; the window shows '\'.
TEST(WindowPathsTest, ABitmapInAChineseFolderLoadsAndShowsItsWindowsPath) {
  QTemporaryDir top;
  const QString folder = top.filePath(QStringLiteral("位图 目录"));
  ASSERT_TRUE(QDir().mkpath(folder));
  const QString path = folder + QStringLiteral("/标志.bmp");
  const zotpx::Bytes bmp = zotpx::test::MakeBmp({.width = 16, .height = 8});
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(reinterpret_cast<const char*>(bmp.data()), static_cast<qint64>(bmp.size()));
  file.close();
  TForm1 form;
  auto dialogs = std::make_unique<ScriptedDialogs>();
  dialogs->open_answers.push_back(path);
  form.SetDialogs(std::move(dialogs));
  QLabel* select = form.Ctl<QLabel>("LabelBitmapSelect");
  const QPointF at(select->width() / 2.0, select->height() / 2.0);
  for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
    QMouseEvent click(type, at, select->mapToGlobal(at), Qt::LeftButton,
                      type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(select, &click);
  }
  EXPECT_EQ(form.StatusText(), QStringLiteral("选择位图文件成功：请查看图像预览区"));
  EXPECT_EQ(form.Edit("EditBitmapFile")->text(), QDir::toNativeSeparators(path));
  EXPECT_TRUE(form.Edit("EditBitmapFile")->text().contains(QLatin1Char('\\')));
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
