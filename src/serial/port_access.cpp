#include "serial/port_access.h"

#include <algorithm>

#include "base/texts.h"

namespace zotpx {

namespace {

// The permission bits as the kernel picks them: the owner's, else the group's, else others'.
constexpr std::uint32_t kRead = 04;
constexpr std::uint32_t kWrite = 02;
constexpr std::uint32_t kRootGroup = 0;
constexpr std::uint32_t kCharDevice = 0020000;
constexpr std::uint32_t kFileType = 0170000;

bool Has(const std::vector<std::uint32_t>& groups, std::uint32_t gid) {
  return std::find(groups.begin(), groups.end(), gid) != groups.end();
}

bool ReadWrite(std::uint32_t bits) {
  return (bits & (kRead | kWrite)) == (kRead | kWrite);
}

}  // namespace

std::string ModeText(std::uint32_t mode) {
  std::string text = (mode & kFileType) == kCharDevice ? "c" : "-";
  const char* letters = "rwxrwxrwx";
  for (int bit = 0; bit < 9; ++bit) text += (mode & (0400u >> bit)) ? letters[bit] : '-';
  return text;
}

AccessDiagnosis DiagnoseAccess(const DeviceOwnership& device, const UserGroups& user) {
  AccessDiagnosis d;
  d.owner = device.owner + ":" + device.group;
  d.mode = ModeText(device.mode);
  d.user = user.name;
  const bool owner = user.uid == device.uid;
  const bool in_group = Has(user.session, device.gid);
  const std::uint32_t bits = owner ? device.mode >> 6 : in_group ? device.mode >> 3 : device.mode;
  const std::uint32_t group_bits = (device.mode >> 3) & (kRead | kWrite);
  if (ReadWrite(bits)) {
    d.verdict = AccessVerdict::NotByMode;
    return d;
  }
  if (owner) {
    d.verdict = AccessVerdict::OwnerDenied;
    return d;
  }
  d.group = device.group;
  if (in_group) {
    d.verdict = AccessVerdict::GroupDenied;
  } else if (ReadWrite(group_bits)) {
    d.verdict = Has(user.listed, device.gid) ? AccessVerdict::LogInAgain
                : device.gid == kRootGroup   ? AccessVerdict::RootGroup
                                             : AccessVerdict::JoinGroup;
  } else if (group_bits != 0) {
    d.verdict = AccessVerdict::GroupLimited;
    d.group_may = group_bits == kRead ? "read" : "write";
  } else {
    d.verdict = AccessVerdict::NoGroup;
    d.group.clear();
  }
  return d;
}

std::string AccessCauseText(const std::string& path, const AccessDiagnosis& d) {
  const auto say = [&](TextId id) { return Fill(id, {path, d.owner, d.mode, d.group}); };
  switch (d.verdict) {
    case AccessVerdict::JoinGroup:
      return say("serial.access_join");
    case AccessVerdict::LogInAgain:
      return say("serial.access_log_in_again");
    case AccessVerdict::RootGroup:
      return say("serial.access_root_group");
    case AccessVerdict::GroupLimited:
      return say(d.group_may == "read" ? TextId("serial.access_group_reads")
                                       : TextId("serial.access_group_writes"));
    case AccessVerdict::GroupDenied:
      return say("serial.access_group_denied");
    case AccessVerdict::NoGroup:
      return say("serial.access_no_group");
    case AccessVerdict::OwnerDenied:
      return say("serial.access_owner_denied");
    case AccessVerdict::NotByMode:
      return say("serial.access_not_by_mode");
  }
  return Fill("serial.no_access", {path});
}

std::string AccessWhyNotText(const std::string& path, const AccessDiagnosis& d) {
  const std::string owned = "owned by " + d.owner + " with mode " + d.mode + "; ";
  const std::string open_group =
      ": the administrator can let the group read and write it (MODE=\"0660\" in a udev rule)";
  switch (d.verdict) {
    case AccessVerdict::JoinGroup:
      return owned + "user " + d.user + " is not a member of group " + d.group +
             " (sudo usermod -aG " + d.group + " " + d.user + ", then log in again)";
    case AccessVerdict::LogInAgain:
      return owned + "user " + d.user + " was added to group " + d.group +
             " after this session began: log in again";
    case AccessVerdict::RootGroup:
      return owned +
             "only group root may read and write it: rather than joining root's group, the "
             "administrator can give it a group of its own (GROUP=\"dialout\" in a udev rule)";
    case AccessVerdict::GroupLimited:
      return owned + "group " + d.group + " may only " + d.group_may +
             " it, so joining it will not help" + open_group;
    case AccessVerdict::GroupDenied:
      return owned + "user " + d.user + " is in group " + d.group + ", which its mode denies" +
             open_group;
    case AccessVerdict::NoGroup:
      return owned +
             "its mode lets no group in, so joining one will not help: the "
             "administrator can give it a group (a udev rule)";
    case AccessVerdict::OwnerDenied:
      return owned + "its mode denies its owner, user " + d.user +
             ", who may change it (chmod u+rw " + path + ")";
    case AccessVerdict::NotByMode:
      return owned + "its mode lets user " + d.user +
             " in, but an access control list or a security module refuses";
  }
  return owned;
}

}  // namespace zotpx
