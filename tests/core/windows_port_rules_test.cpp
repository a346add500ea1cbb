// The pure rules of the Windows port layer, checked on every platform: which category a Windows
// error code falls in, what a device instance ID tells, the order of port names, and how a
// station worker's arguments are quoted on its command line.
#include <gtest/gtest.h>

#include "base/windows_args.h"
#include "serial/com_ports.h"
#include "serial/port_failure.h"

namespace {

using zotpx::PortError;
using zotpx::WindowsPortStep;

TEST(WindowsPortError, CodesFallInTheLinuxCategories) {
  struct Case {
    WindowsPortStep step;
    std::uint32_t code;
    PortError error;
  } cases[] = {
      {WindowsPortStep::Open, 2, PortError::NotFound},           // file not found: no such COM port
      {WindowsPortStep::Open, 3, PortError::NotFound},           // path not found
      {WindowsPortStep::Open, 123, PortError::NotFound},         // invalid name
      {WindowsPortStep::Open, 1167, PortError::NotFound},        // adapter unplugged
      {WindowsPortStep::Open, 5, PortError::Busy},               // how a held port answers
      {WindowsPortStep::Open, 32, PortError::Busy},              // sharing violation
      {WindowsPortStep::ReadSettings, 1, PortError::NotSerial},  // a disk has no comm state
      {WindowsPortStep::ReadSettings, 6, PortError::NotSerial},
      {WindowsPortStep::ReadSettings, 87, PortError::NotSerial},
      {WindowsPortStep::ApplySettings, 87, PortError::Io},          // the driver refused a setting
      {WindowsPortStep::ApplySettings, 31, PortError::Io},          // device failure
      {WindowsPortStep::ApplySettings, 1617, PortError::NotFound},  // removed meanwhile
      {WindowsPortStep::Open, 1450, PortError::Io},                 // out of resources
  };
  for (const Case& c : cases)
    EXPECT_EQ(zotpx::WindowsPortError(c.step, c.code), c.error) << "code " << c.code;
}

TEST(WindowsPortError, RateNotTakenSaysBothRates) {
  const zotpx::PortFailure failure{
      PortError::Io, "\\\\.\\COM3", zotpx::RateNotTakenText(345600, 38400), {}};
  EXPECT_EQ(zotpx::OpenFailureText(failure),
            std::string(zotpx::kOpenFailureText) +
                "（无法设置 \\\\.\\COM3：串口不支持波特率 345600（实际为 38400））");
}

TEST(ComPorts, InstanceIdsGiveUsbIdsAndRealSerialNumbersOnly) {
  struct Case {
    const char* id;
    const char* vendor;
    const char* product;
    const char* serial;
  } cases[] = {
      {"USB\\VID_2341&PID_0043\\75830303934351B0B1A1", "2341", "0043", "75830303934351B0B1A1"},
      {"usb\\vid_1a86&pid_7523\\5&2f5c6ef8&0&3", "1A86", "7523", ""},  // made up by Windows
      {"FTDIBUS\\VID_0403+PID_6001+A50285BIA\\0000", "0403", "6001", "A50285BI"},
      {"USB\\VID_0483&PID_5740&MI_00\\6&1234abcd&0&0000", "0483", "5740", ""},
      {"ACPI\\PNP0501\\1", "", "", ""},         // a motherboard UART
      {"USB\\VID_12&PID_5740\\X", "", "", ""},  // not four hex digits
      {"", "", "", ""},
  };
  for (const Case& c : cases) {
    const zotpx::UsbIds ids = zotpx::ParseInstanceId(c.id);
    EXPECT_EQ(ids.vendor_id, c.vendor) << c.id;
    EXPECT_EQ(ids.product_id, c.product) << c.id;
    EXPECT_EQ(ids.serial, c.serial) << c.id;
  }
}

TEST(ComPorts, NamesSortByNumberThenOthersByText) {
  std::vector<std::string> names = {"COM10", "CNCA0", "COM2", "COM1", "COM256", "com3", "COMX"};
  std::sort(names.begin(), names.end(), zotpx::ComNameLess);
  EXPECT_EQ(names,
            (std::vector<std::string>{"COM1", "COM2", "com3", "COM10", "COM256", "CNCA0", "COMX"}));
}

// What the C run time's parser must turn back into the arguments: spaces and tabs inside
// quotes, quotes escaped, backslashes doubled only where a quote follows them.
TEST(WindowsArgs, QuotedSoTheRunTimeParsesThemBack) {
  const std::pair<std::string, std::string> cases[] = {
      {"download", "download"},
      {"", "\"\""},
      {"a b", "\"a b\""},
      {"tab\there", "\"tab\there\""},
      {"say \"hi\"", "\"say \\\"hi\\\"\""},
      {"C:\\dir\\file.bin", "C:\\dir\\file.bin"},
      {"C:\\my dir\\", "\"C:\\my dir\\\\\""},
      {"a\\\"b", "\"a\\\\\\\"b\""},
      {"\\\\.\\COM7", "\\\\.\\COM7"},
      {"字库 文件.bin", "\"字库 文件.bin\""},
  };
  for (const auto& [argument, quoted] : cases)
    EXPECT_EQ(zotpx::QuoteWindowsArgument(argument), quoted) << argument;
  EXPECT_EQ(zotpx::WindowsCommandLine({"C:\\zotpx\\zotpx.exe", "-p", "COM3", "text", "两 个"}),
            "C:\\zotpx\\zotpx.exe -p COM3 text \"两 个\"");
}

}  // namespace
