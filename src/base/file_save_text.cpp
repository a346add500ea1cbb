// What a failed save says, the same on every platform.
#include "base/file_save.h"

namespace zotpx {

const char* SaveProblemText(SaveProblem problem) {
  switch (problem) {
    case SaveProblem::None:
      return "";
    case SaveProblem::NoSpace:
      return "磁盘空间不足";
    case SaveProblem::ReadOnly:
      return "文件只读";
    case SaveProblem::ReadOnlyFileSystem:
      return "文件系统只读";
    case SaveProblem::NoPermission:
      return "没有写入权限";
    case SaveProblem::NoFolder:
      return "文件夹不存在";
    case SaveProblem::NotRegularFile:
      return "不是普通文件";
    case SaveProblem::NameTooLong:
      return "文件名过长";
    case SaveProblem::LinkLoop:
      return "符号链接循环";
    case SaveProblem::SameAsInput:
      return "与读取的文件是同一个文件";
    case SaveProblem::SameAsOther:
      return "与另一个输出是同一个文件";
    case SaveProblem::Failed:
      break;
  }
  return "写入出错";
}

std::string SaveFailureText(const std::string& message, SaveProblem problem) {
  return message + "（" + SaveProblemText(problem) + "）";
}

}  // namespace zotpx
