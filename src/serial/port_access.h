// Why a user may not open a device file, and what would help: one verdict for the open
// failure the window and the command line show and for `zotpx ports`. Pure: the caller gathers
// the facts (stat, the user's groups) and this judges them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zotpx {

struct DeviceOwnership {
  std::uint32_t mode = 0;  // st_mode: file type and permission bits
  std::uint32_t uid = 0;
  std::uint32_t gid = 0;
  std::string owner;  // names, or the numbers when the databases have none
  std::string group;
};

struct UserGroups {
  std::uint32_t uid = 0;
  std::string name;
  std::vector<std::uint32_t> session;  // the groups this process has (effective one included)
  std::vector<std::uint32_t> listed;   // the groups the group database gives the user now
};

enum class AccessVerdict {
  JoinGroup,     // the device's group may read and write it: join that group
  LogInAgain,    // already added to that group, but not in this session
  RootGroup,     // only root's group may read and write it: better a group of its own
  GroupLimited,  // its group may only read it, or only write it: joining will not help
  GroupDenied,   // the user is in its group, and the mode denies that group
  NoGroup,       // its mode lets no group read or write it: joining a group will not help
  OwnerDenied,   // the user owns it, and its mode denies the owner (who may change it)
  NotByMode,     // its mode lets the user in: an ACL or a security module refuses
};

struct AccessDiagnosis {
  AccessVerdict verdict = AccessVerdict::NoGroup;
  std::string group;  // JoinGroup, LogInAgain: the group to be in; RootGroup, GroupLimited,
                      // GroupDenied: the device's group
  std::string owner;  // "root:dialout"
  std::string mode;   // "crw-rw----"
  std::string user;
  std::string group_may;  // GroupLimited: "read" or "write", all the group may do
};

// Judges a refused open of a device owned as `device` for `user`, as the kernel picks the
// permission bits: the owner's, else the group's for a member in this session, else others'.
AccessDiagnosis DiagnoseAccess(const DeviceOwnership& device, const UserGroups& user);

// "ls -l"'s picture of a mode: "crw-rw----".
std::string ModeText(std::uint32_t mode);

// The cause the open failure appends, in the window's language: what stands in the way and
// what would help.
std::string AccessCauseText(const std::string& path, const AccessDiagnosis& diagnosis);
// The same verdict for the port listing.
std::string AccessWhyNotText(const std::string& path, const AccessDiagnosis& diagnosis);

}  // namespace zotpx
