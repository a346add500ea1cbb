// The port rules every system shares: which names are ports ("COMn" as Windows has them, or a
// path), which file names Windows keeps for devices, and what a refused open of a device tells
// the user about groups and modes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/file_names.h"
#include "serial/port_access.h"
#include "serial/port_name.h"

namespace {

using zotpx::AccessVerdict;
using Kind = zotpx::PortName::Kind;

struct NameCase {
  const char* name;
  Kind kind;
  const char* text;    // the name as the tool uses it, for Com and Path
  const char* reason;  // part of the reason, for Invalid
};

TEST(PortNameTest, ComOneToTwoFiftySixOrAPathAndNothingElse) {
  const std::vector<NameCase> cases = {
      {"COM1", Kind::Com, "COM1", ""},
      {"COM10", Kind::Com, "COM10", ""},
      {"COM256", Kind::Com, "COM256", ""},
      {"com3", Kind::Com, "COM3", ""},
      {"Com12", Kind::Com, "COM12", ""},
      {"/dev/ttyUSB0", Kind::Path, "/dev/ttyUSB0", ""},
      {"/dev/serial/by-id/usb-A_B-if00", Kind::Path, "/dev/serial/by-id/usb-A_B-if00", ""},
      {"./ttyX", Kind::Path, "./ttyX", ""},
      {"dev/COM1", Kind::Path, "dev/COM1", ""},
      {"\\\\.\\COM7", Kind::Com, "COM7", ""},
      {"\\\\.\\com200", Kind::Com, "COM200", ""},
      {"\\\\.\\COM257", Kind::Invalid, "", "COM1 to COM256"},
      {"\\\\.\\CNCA0", Kind::Invalid, "", "not a port name"},
      {"\\\\?\\COM7", Kind::Invalid, "", "not a port name"},
      {"C:\\ports\\COM1", Kind::Invalid, "", "not a port name"},
      {"COM0", Kind::Invalid, "", "COM1 to COM256"},
      {"COM257", Kind::Invalid, "", "COM1 to COM256"},
      {"COM4294967297", Kind::Invalid, "", "COM1 to COM256"},
      {"COM18446744073709551617", Kind::Invalid, "", "COM1 to COM256"},
      {"COM01", Kind::Invalid, "", "no leading zeros: COM1"},
      {"COM0256", Kind::Invalid, "", "no leading zeros: COM256"},
      {"COM00", Kind::Invalid, "", "COM1 to COM256"},
      {"COM", Kind::Invalid, "", "not a port name"},
      {"COM1x", Kind::Invalid, "", "not a port name"},
      {"COM-1", Kind::Invalid, "", "not a port name"},
      {"COM 1", Kind::Invalid, "", "not a port name"},
      {"COM1 ", Kind::Invalid, "", "not a port name"},
      {"ttyUSB0", Kind::Invalid, "", "did you mean /dev/ttyUSB0?"},
      {"", Kind::Invalid, "", "an empty port name"},
  };
  for (const NameCase& c : cases) {
    SCOPED_TRACE(std::string("\"") + c.name + "\"");
    const zotpx::PortName parsed = zotpx::ParsePortName(c.name);
    EXPECT_EQ(parsed.kind, c.kind);
    EXPECT_EQ(parsed.text, c.text);
    EXPECT_EQ(parsed.reason.empty(), c.kind != Kind::Invalid);
    EXPECT_NE(parsed.reason.find(c.reason), std::string::npos) << parsed.reason;
    if (c.kind == Kind::Com) {
      EXPECT_EQ("COM" + std::to_string(parsed.number), c.text);
    }
  }
}

// A port's log file must never be named as Windows names a device: "COM3.log" opens COM3.
TEST(WindowsDeviceNameTest, DeviceNamesWithAnyExtensionAndNothingElse) {
  for (const char* name : {"COM1", "COM9.log", "com3.LOG", "LPT1.txt", "CON", "nul.tar.gz", "Aux",
                           "PRN.log", "COM3 .log"})
    EXPECT_TRUE(zotpx::IsWindowsDeviceName(name)) << name;
  for (const char* name : {"COM10.log", "COM0.log", "COM256.log", "COM1_.log", "CONSOLE.log",
                           "ttyUSB0.log", "serial_by-id_x.log", "LPT.log", "xCOM1.log", ""})
    EXPECT_FALSE(zotpx::IsWindowsDeviceName(name)) << name;
}

constexpr std::uint32_t kChar = 0020000;
constexpr std::uint32_t kRoot = 0;
constexpr std::uint32_t kDialout = 20;
constexpr std::uint32_t kUser = 1000;

// Where the user stands with the device's group: outside it, added to it in the group database
// since this session began, or in it.
enum class Member { No, Listed, Session };

struct AccessCase {
  const char* name;
  std::uint32_t mode;
  std::uint32_t owner;
  std::uint32_t group;
  Member member;
  AccessVerdict verdict;
  const char* advice;  // what the port list says would help
  const char* cause;   // what the window's open failure says
};

// Every verdict says what would help, and "no group" only of a mode that lets no group read or
// write: a group that may read and write (root's too), or only one of them, is named.
TEST(PortAccessTest, EveryModeOwnerAndGroupIsToldWhatWouldHelp) {
  using enum AccessVerdict;
  const std::vector<AccessCase> cases = {
      {"RootOnly", kChar | 0600, kRoot, kRoot, Member::No, NoGroup, "lets no group in",
       "不允许任何用户组访问"},
      {"GroupBarred", kChar | 0600, kRoot, kDialout, Member::No, NoGroup, "lets no group in",
       "不允许任何用户组访问"},
      {"RootGroup", kChar | 0660, kRoot, kRoot, Member::No, RootGroup,
       "GROUP=", "只允许 root 组读写"},
      {"RootGroupAddedLater", kChar | 0660, kRoot, kRoot, Member::Listed, LogInAgain,
       "log in again", "重新登录"},
      {"RootGroupReads", kChar | 0640, kRoot, kRoot, Member::No, GroupLimited,
       "group root may only read", "只允许 root 组读取"},
      {"GroupReads", kChar | 0640, kRoot, kDialout, Member::No, GroupLimited,
       "group dialout may only read", "只允许 dialout 组读取"},
      {"GroupWrites", kChar | 0620, kRoot, kDialout, Member::Listed, GroupLimited,
       "group dialout may only write", "只允许 dialout 组写入"},
      {"Join", kChar | 0660, kRoot, kDialout, Member::No, JoinGroup, "usermod -aG dialout ann",
       "加入 dialout 组"},
      {"AddedLater", kChar | 0660, kRoot, kDialout, Member::Listed, LogInAgain, "log in again",
       "重新登录"},
      {"InGroupYetRefused", kChar | 0660, kRoot, kDialout, Member::Session, NotByMode,
       "access control list", "访问控制列表"},
      {"OthersMay", kChar | 0666, kRoot, kDialout, Member::No, NotByMode, "access control list",
       "访问控制列表"},
      {"InGroupBarredOthersMay", kChar | 0606, kRoot, kDialout, Member::Session, GroupDenied,
       "is in group dialout, which its mode denies", "属于该组"},
      {"InGroupReadsOnly", kChar | 0646, kRoot, kDialout, Member::Session, GroupDenied,
       "MODE=", "开放读写权限"},
      {"OwnDevice", kChar | 0060, kUser, kDialout, Member::No, OwnerDenied,
       "chmod u+rw /dev/ttyUSB0", "chmod u+rw /dev/ttyUSB0"},
  };
  for (const AccessCase& c : cases) {
    SCOPED_TRACE(c.name);
    const zotpx::DeviceOwnership device{c.mode, c.owner, c.group, "root",
                                        c.group == kRoot ? "root" : "dialout"};
    std::vector<std::uint32_t> session{kUser}, listed{kUser};
    if (c.member != Member::No) listed.push_back(c.group);
    if (c.member == Member::Session) session.push_back(c.group);
    const zotpx::AccessDiagnosis d = zotpx::DiagnoseAccess(device, {kUser, "ann", session, listed});
    EXPECT_EQ(d.verdict, c.verdict);
    const std::string cause = zotpx::AccessCauseText("/dev/ttyUSB0", d);
    const std::string why_not = zotpx::AccessWhyNotText("/dev/ttyUSB0", d);
    EXPECT_EQ(cause.rfind("没有访问 /dev/ttyUSB0 的权限", 0), 0u) << cause;
    EXPECT_NE(cause.find(c.cause), std::string::npos) << cause;
    EXPECT_NE(why_not.find(c.advice), std::string::npos) << why_not;
    EXPECT_NE(
        why_not.find(device.owner + ":" + device.group + " with mode " + zotpx::ModeText(c.mode)),
        std::string::npos)
        << why_not;
    EXPECT_EQ(why_not.find("no group") != std::string::npos, c.verdict == NoGroup) << why_not;
    EXPECT_EQ(cause.find("任何用户组") != std::string::npos, c.verdict == NoGroup) << cause;
  }
  EXPECT_EQ(zotpx::ModeText(kChar | 0660), "crw-rw----");
  const zotpx::AccessDiagnosis join{
      AccessVerdict::JoinGroup, "dialout", "root:dialout", "crw-rw----", "ann", ""};
  EXPECT_EQ(zotpx::AccessCauseText("/dev/ttyUSB0", join),
            "没有访问 /dev/ttyUSB0 的权限，请把当前用户加入 dialout 组后重新登录");
}

}  // namespace
