// What a failed save says, the same on every platform.
#include "base/file_save.h"
#include "base/texts.h"

namespace zotpx {

std::string SaveProblemText(SaveProblem problem) {
  switch (problem) {
    case SaveProblem::None:
      return "";
    case SaveProblem::NoSpace:
      return std::string(Text("files.no_space"));
    case SaveProblem::ReadOnly:
      return std::string(Text("files.read_only"));
    case SaveProblem::ReadOnlyFileSystem:
      return std::string(Text("files.read_only_fs"));
    case SaveProblem::NoPermission:
      return std::string(Text("files.no_permission"));
    case SaveProblem::NoFolder:
      return std::string(Text("files.no_folder"));
    case SaveProblem::NotRegularFile:
      return std::string(Text("files.not_regular"));
    case SaveProblem::NameTooLong:
      return std::string(Text("files.name_too_long"));
    case SaveProblem::LinkLoop:
      return std::string(Text("files.link_loop"));
    case SaveProblem::SameAsInput:
      return std::string(Text("files.same_as_input"));
    case SaveProblem::SameAsOther:
      return std::string(Text("files.same_as_output"));
    case SaveProblem::Failed:
      break;
  }
  return std::string(Text("files.write_error"));
}

std::string SaveFailureText(const std::string& message, SaveProblem problem) {
  return Fill("files.failure", {message, SaveProblemText(problem)});
}

}  // namespace zotpx
