// The window through a serial server that is not ours (ser2net in front of a simulated
// device): a URL typed into the port box connects and drives the device, and the port box
// offers it again, in this window and the next, after its fixed list.
#include <QComboBox>
#include <QLineEdit>

#include "serial/port.h"
#include "serial/port_list.h"
#include "support/form_fixture.h"
#include "support/network_peers.h"

namespace {

using Mode = zotpx::test::Ser2net::Mode;

class NetworkFormTest : public FormTest, public ::testing::WithParamInterface<Mode> {};

TEST_P(NetworkFormTest, ATypedUrlConnectsSendsAndIsOfferedAgain) {
  StartDevice({.model = zotpx::DeviceModel::PB, .baud = 115200});
  zotpx::test::Ser2net server;
  if (!server.Start(sim()->path(), GetParam())) {
    if (server.Missing()) GTEST_SKIP() << server.error();
    FAIL() << server.error();
  }
  const QString url = QString::fromStdString(server.url());
  QComboBox* port = form().Combo("UartPort");
  const int fixed = static_cast<int>(zotpx::ListPortNames().size());
  port->lineEdit()->setText(url);
  Click("BtnSearchCmd");
  EXPECT_EQ(Status(), "连接设备成功：产品型号和通信速率已自动匹配");
  EXPECT_EQ(form().Model(), zotpx::DeviceModel::PB);
  // Over RFC 2217 the scan found the rate; over raw TCP the line runs at the server's, unknown.
  EXPECT_EQ(form().Index("UartBaud"), GetParam() == Mode::Rfc2217 ? 4 : -1);
  sim().ClearReceived();
  Click("BtnRectCmd");
  EXPECT_EQ(Status(), "矩形控制命令成功：请查看通信数据记录以获得更多信息");
  EXPECT_EQ(sim().ReceivedFrameCount(), 1u);
  EXPECT_FALSE(form().port().IsOpen());

  // The next window keeps its defaults and offers the URL after its own list.
  TForm1 next;
  QComboBox* offered = next.Combo("UartPort");
  EXPECT_EQ(offered->currentText(), QStringLiteral("COM1"));
  EXPECT_EQ(offered->findText(url), fixed) << "not offered after the fixed list";
}

INSTANTIATE_TEST_SUITE_P(Modes, NetworkFormTest, ::testing::Values(Mode::Rfc2217, Mode::Raw),
                         [](const auto& info) {
                           return info.param == Mode::Rfc2217 ? "Rfc2217" : "Raw";
                         });

}  // namespace
