// The device-control buttons from the window against the simulated device: connect sets model,
// version, rate and tabs; later commands use that rate; the parameter, clock, date and time
// frames come from the controls; a failing field check opens and logs nothing.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include "serial/frame.h"
#include "serial/port.h"
#include "support/form_fixture.h"

namespace {

using zotpx::Bytes;

const std::string kConnected = "连接设备成功：产品型号和通信速率已自动匹配";
const std::string kConnectFailed = "连接设备失败：请检查产品是否正确连接到计算机串口";

class DeviceFormTest : public FormTest {
 protected:
  // A device on a fresh pty, with the window's rate left at 9600 as it is before connecting.
  void StartUnconnected(zotpx::sim::DeviceConfig config) {
    StartDevice(std::move(config));
    form().Combo("UartBaud")->setCurrentIndex(0);
  }
  bool TabVisible(const char* name) {
    auto* osd = form().Ctl<QTabWidget>("PageOsd");
    return osd->isTabVisible(osd->indexOf(form().Ctl<QWidget>(name)));
  }
  QString ComboText(const char* name) { return form().Combo(name)->currentText(); }
  QString EditText(const char* name) { return form().Edit(name)->text(); }
};

TEST_F(DeviceFormTest, ConnectingShowsModelVersionRateAndOnlyTheModelsTab) {
  EXPECT_TRUE(TabVisible("TabGraphic"));
  EXPECT_TRUE(TabVisible("TabCross"));

  StartUnconnected({.model = zotpx::DeviceModel::PB, .baud = 115200, .version = "V3.1 2026"});
  const std::size_t mark = LogMark();
  Click("BtnSearchCmd");
  EXPECT_EQ(Status(), kConnected);
  EXPECT_EQ(LogSince(mark), (std::vector<std::string>{"【连接设备】", ""}));
  EXPECT_EQ(ComboText("ComboDeviceType"), QStringLiteral("ZOT-PB"));
  EXPECT_EQ(EditText("EditVersion"), QStringLiteral("ZOT-PB V3.1 2026"));
  EXPECT_EQ(ComboText("UartBaud"), QStringLiteral("115200"));
  EXPECT_FALSE(TabVisible("TabGraphic"));
  EXPECT_TRUE(TabVisible("TabCross"));

  StartUnconnected({.model = zotpx::DeviceModel::PA, .baud = 460800});
  Click("BtnSearchCmd");
  EXPECT_EQ(Status(), kConnected);
  EXPECT_EQ(ComboText("ComboDeviceType"), QStringLiteral("ZOT-PA"));
  EXPECT_EQ(ComboText("UartBaud"), QStringLiteral("460800"));
  EXPECT_TRUE(TabVisible("TabGraphic"));
  EXPECT_FALSE(TabVisible("TabCross"));
}

TEST_F(DeviceFormTest, FailedConnectResetsModelAndVersionButKeepsRateAndTabs) {
  StartUnconnected({.model = zotpx::DeviceModel::PB, .baud = 57600});
  Click("BtnSearchCmd");
  ASSERT_EQ(Status(), kConnected);

  // The same device now names a model the tool does not know.
  Bytes reply{11};
  for (char c : std::string("ZOT-PZ V1.0")) reply.push_back(static_cast<std::uint8_t>(c));
  reply.resize(24, 0);
  sim()->SetIdentifyReply(reply);
  const std::size_t mark = LogMark();
  Click("BtnSearchCmd");
  EXPECT_EQ(Status(), kConnectFailed);
  EXPECT_EQ(LogSince(mark), (std::vector<std::string>{"【连接设备】", ""}));
  EXPECT_EQ(form().Index("ComboDeviceType"), 0);
  EXPECT_EQ(EditText("EditVersion"), QStringLiteral("未知版本"));
  EXPECT_EQ(ComboText("UartBaud"), QStringLiteral("57600"));
  EXPECT_FALSE(TabVisible("TabGraphic"));
  EXPECT_TRUE(TabVisible("TabCross"));

  // Nothing answering at all: no log block either.
  StartUnconnected({.model = zotpx::DeviceModel::PA, .baud = 1200});
  form().Combo("UartBaud")->setCurrentIndex(3);
  const std::size_t silent = LogMark();
  Click("BtnSearchCmd");
  EXPECT_EQ(Status(), kConnectFailed);
  EXPECT_EQ(LogSince(silent), std::vector<std::string>{});
  EXPECT_EQ(ComboText("UartBaud"), QStringLiteral("57600"));
}

TEST_F(DeviceFormTest, LaterCommandsOpenAtTheRateConnectingSelected) {
  StartUnconnected({.model = zotpx::DeviceModel::PA, .baud = 345600});
  Click("BtnSearchCmd");
  ASSERT_EQ(ComboText("UartBaud"), QStringLiteral("345600"));
  sim()->ClearReceived();

  const zotpx::LocalDateTime fixed{2026, 12, 7, 20, 45, 0, 500};
  form().SetClock([&] { return fixed; });
  for (const char* button : {"BtnConfigCmd", "BtnSetTimeCmd", "BtnDateCmd", "BtnTimeCmd"}) {
    Click(button);
    EXPECT_EQ(Status(), form().Caption(button) + "成功：请查看通信数据记录以获得更多信息")
        << button;
  }
  EXPECT_EQ(sim()->ReceivedFrames(),
            (std::vector<Bytes>{{0x55, 0xAA, 0x10, 0x03, 0x80, 0x00, 0x96, 0x29},
                                {0x55, 0xAA, 0x11, 0x06, 0x1A, 0x0C, 0x07, 0x14, 0x2D, 0x00, 0x85},
                                {0x55, 0xAA, 0x12, 0x19, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01,
                                 0x24, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0A, 0x79, 0x79,
                                 0x79, 0x79, 0x2F, 0x6D, 0x6D, 0x2F, 0x64, 0x64, 0x00, 0x3E},
                                {0x55, 0xAA, 0x12, 0x19, 0x01, 0x10, 0x00, 0x00, 0x00, 0x01,
                                 0x24, 0x00, 0x12, 0x00, 0x00, 0x00, 0x00, 0x08, 0x68, 0x68,
                                 0x3A, 0x6D, 0x6D, 0x3A, 0x73, 0x73, 0x00, 0x00, 0x00, 0x7F}}));
}

TEST_F(DeviceFormTest, ParameterFrameComesFromTheSystemControls) {
  StartDevice({.model = zotpx::DeviceModel::PA, .baud = 19200});
  form().Check("CheckEnable")->setChecked(false);
  form().Combo("ComboKey2")->setCurrentIndex(1);
  form().Combo("ComboKey6")->setCurrentIndex(1);
  form().Combo("ComboColumnOffsetEx")->setCurrentIndex(15);
  form().Combo("ComboColumnOffsetIn")->setCurrentIndex(0);
  const std::size_t mark = LogMark();
  Click("BtnConfigCmd");
  EXPECT_EQ(Status(), "参数设置命令成功：请查看通信数据记录以获得更多信息");
  EXPECT_EQ(LogSince(mark),
            (std::vector<std::string>{"【参数设置命令】", "发送：55 AA 10 03 00 22 0F 44 ",
                                      "接收：55 AA 10 01 00 11 ", ""}));
}

TEST_F(DeviceFormTest, ClockIsReadOnceWithThePortOpen) {
  StartDevice({.model = zotpx::DeviceModel::PB, .baud = 9600});
  int reads = 0;
  bool port_open_when_read = false;
  form().SetClock([&] {
    ++reads;
    port_open_when_read = form().port().IsOpen();
    return zotpx::LocalDateTime{2000, 1, 1, 0, 0, 0, 0};
  });
  Click("BtnSetTimeCmd");
  EXPECT_EQ(reads, 1);
  EXPECT_TRUE(port_open_when_read);
  ASSERT_EQ(sim()->ReceivedFrameCount(), 1u);
  EXPECT_EQ(sim()->ReceivedFrames()[0],
            (Bytes{0x55, 0xAA, 0x11, 0x06, 0x00, 0x01, 0x01, 0x00, 0x00, 0x00, 0x19}));

  // Without a port the clock is not read at all.
  form().SelectPort(QStringLiteral("/nonexistent/zotpx-port"));
  Click("BtnSetTimeCmd");
  EXPECT_EQ(reads, 1);
  EXPECT_EQ(Status().rfind(zotpx::kOpenFailureText, 0), 0u) << Status();
}

TEST_F(DeviceFormTest, AttributesAndHideComeFromTheGroupsLists) {
  StartDevice({.model = zotpx::DeviceModel::PA, .baud = 38400});
  form().Combo("ComboTimeColor")->setCurrentIndex(7);
  form().Combo("ComboTimeSpace")->setCurrentIndex(3);
  form().Combo("ComboTimeFont")->setCurrentIndex(1);
  form().Combo("ComboTimeSize")->setCurrentIndex(1);
  form().Combo("ComboTimeShow")->setCurrentIndex(1);
  form().SetText("EditTimeLeft", QStringLiteral("$FF"));
  form().Combo("ComboDateShow")->setCurrentIndex(1);
  form().SetText("EditDateFormat", QStringLiteral("yy-mm-dd"));
  Click("BtnTimeCmd");
  Click("BtnDateCmd");
  const std::vector<Bytes> frames = sim()->ReceivedFrames();
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0][5], 0xFF);
  EXPECT_EQ(frames[0][9], 0x00);
  EXPECT_EQ(frames[0][10], 0xFF);
  EXPECT_EQ(frames[1][5], 0x80);
  EXPECT_EQ(frames[1][17], 8);
  EXPECT_EQ(std::string(frames[1].begin() + 18, frames[1].begin() + 26), "yy-mm-dd");
}

struct FieldCase {
  const char* button;
  const char* edit;
  const char* text;
  const char* status;
};

class FieldCheckTest : public DeviceFormTest, public ::testing::WithParamInterface<FieldCase> {};

TEST_P(FieldCheckTest, FailingCheckOpensAndLogsNothing) {
  const FieldCase& c = GetParam();
  StartDevice({.model = zotpx::DeviceModel::PA, .baud = 9600});
  form().SetText(c.edit, QString::fromUtf8(c.text));
  const std::size_t mark = LogMark();
  Click(c.button);
  EXPECT_EQ(Status(), c.status);
  EXPECT_EQ(LogSince(mark), std::vector<std::string>{});
  EXPECT_EQ(sim()->ReceivedFrameCount(), 0u);

  // The check comes before the port: an unusable port gives the same text.
  form().SelectPort(QStringLiteral("/nonexistent/zotpx-port"));
  Click(c.button);
  EXPECT_EQ(Status(), c.status);
}

INSTANTIATE_TEST_SUITE_P(
    Checks, FieldCheckTest,
    ::testing::Values(
        FieldCase{"BtnDateCmd", "EditDateLeft", "384", "日期控制命令失败：不合法的坐标值"},
        FieldCase{"BtnDateCmd", "EditDateTop", "", "日期控制命令失败：不合法的坐标值"},
        FieldCase{"BtnTimeCmd", "EditTimeTop", "-1", "时间控制命令失败：不合法的坐标值"},
        FieldCase{"BtnTimeCmd", "EditTimeLeft", "1 ", "时间控制命令失败：不合法的坐标值"},
        FieldCase{"BtnDateCmd", "EditDateFormat", "yyyy/mm/d",
                  "日期控制命令失败：不合法的日期格式"},
        FieldCase{"BtnDateCmd", "EditDateFormat", "yyyy年mm月dd",
                  "日期控制命令失败：不合法的日期格式"},
        FieldCase{"BtnTimeCmd", "EditTimeFormat", "hh:mm:s", "时间控制命令失败：不合法的时间格式"},
        FieldCase{"BtnTimeCmd", "EditTimeFormat", "hh mm ss", "时间控制命令失败：不合法的时间格式"},
        FieldCase{"BtnTimeCmd", "EditTimeFormat", "hh~mm~ss",
                  "时间控制命令失败：不合法的时间格式"}));

TEST_F(DeviceFormTest, DateTimePageHasItsRowsDefaultsAndLimits) {
  struct Edit {
    const char* name;
    const char* text;
    int max;
  };
  for (const Edit& e :
       {Edit{"EditDateFormat", "yyyy/mm/dd", 10}, Edit{"EditTimeFormat", "hh:mm:ss", 8},
        Edit{"EditDateLeft", "292", 3}, Edit{"EditDateTop", "0", 3}, Edit{"EditTimeLeft", "292", 3},
        Edit{"EditTimeTop", "18", 3}}) {
    EXPECT_EQ(EditText(e.name), QString::fromUtf8(e.text)) << e.name;
    EXPECT_EQ(form().Edit(e.name)->maxLength(), e.max) << e.name;
  }
  EXPECT_EQ(ComboText("ComboTimeSpace"), QStringLiteral("3像素"));
  EXPECT_EQ(ComboText("ComboDateSpace"), QStringLiteral("1像素"));
  EXPECT_EQ(ComboText("ComboDateShow"), QStringLiteral("显示日期"));
  EXPECT_EQ(ComboText("ComboTimeShow"), QStringLiteral("显示时间"));
  EXPECT_EQ(form().Ctl<QWidget>("GroupDate")->property("title").toString(),
            QStringLiteral(" 日期 "));
  EXPECT_EQ(form().Ctl<QWidget>("GroupTime")->property("title").toString(),
            QStringLiteral(" 时间 "));
  EXPECT_EQ(form().Caption("BtnDateCmd"), "日期控制命令");
  EXPECT_EQ(form().Caption("BtnTimeCmd"), "时间控制命令");
  EXPECT_EQ(form().Caption("BtnSetTimeCmd"), "日期时间设置命令");
  bool note = false;
  for (QLabel* label : form().Ctl<QWidget>("TabDateTime")->findChildren<QLabel*>())
    note = note || label->text() == QStringLiteral("取计算机当前日期时间");
  EXPECT_TRUE(note);
  // Pasting the date default into the time box keeps only what the box holds.
  form().SetText("EditTimeFormat", QStringLiteral("yyyy/mm/dd"));
  EXPECT_EQ(EditText("EditTimeFormat").size(), 8);
}

}  // namespace
