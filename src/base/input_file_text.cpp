// The reader's parts that are the same on every platform.
#include "base/input_file.h"

namespace zotpx {

const char* ReadProblemText(ReadProblem problem) {
  switch (problem) {
    case ReadProblem::None:
      return "";
    case ReadProblem::NotFound:
      return "no such file";
    case ReadProblem::NotRegularFile:
      return "not a regular file";
    case ReadProblem::NoPermission:
      return "permission denied";
    case ReadProblem::TooLarge:
      return "too large";
    case ReadProblem::Failed:
      break;
  }
  return "cannot be read to its end";
}

InputFile::InputFile(InputFile&& other) noexcept
    : handle_(other.handle_), size_(other.size_), problem_(other.problem_) {
  other.handle_ = -1;
}

InputFile::~InputFile() {
  Close();
}

std::optional<Bytes> InputFile::ReadAll() {
  Bytes bytes(size_);
  if (!Rewind() || !ReadNext(bytes.data(), bytes.size())) return std::nullopt;
  return bytes;
}

FileContents ReadInputFile(const std::string& path, std::size_t limit) {
  InputFile file(path);
  if (!file.is_open()) return {file.problem(), {}};
  if (file.size() > limit) return {ReadProblem::TooLarge, {}};
  std::optional<Bytes> bytes = file.ReadAll();
  if (!bytes) return {ReadProblem::Failed, {}};
  return {ReadProblem::None, std::move(*bytes)};
}

}  // namespace zotpx
