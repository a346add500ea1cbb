// Every file a user names for the tool to read (layouts and their bitmaps, fonts, static texts,
// crosshair files, pictures, logs, the simulator's memory) is opened here, so that all of them
// refuse alike: only a regular file is read, and it is opened without waiting, since a FIFO
// with no writer (or a device) would otherwise hold the reader for ever. One file per platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "base/bytes.h"

namespace zotpx {

enum class ReadProblem {
  None,
  NotFound,
  NotRegularFile,  // a FIFO, a device, a folder, a socket
  NoPermission,
  TooLarge,  // than the reader takes
  Failed,    // could not be read to its end
};

// Why, in a few words: "not a regular file".
const char* ReadProblemText(ReadProblem problem);

// A regular file open for reading; its size is taken once, at opening.
class InputFile {
 public:
  // `write` opens it for writing too (the simulator's memory file).
  explicit InputFile(const std::string& path, bool write = false);
  InputFile(InputFile&& other) noexcept;
  InputFile& operator=(InputFile&&) = delete;
  ~InputFile();

  bool is_open() const { return handle_ >= 0; }
  ReadProblem problem() const { return problem_; }
  std::size_t size() const { return size_; }
  // The descriptor (a C run-time one on Windows), handed over to a caller who writes it too.
  int Release() {
    const int handle = static_cast<int>(handle_);
    handle_ = -1;
    return handle;
  }
  bool Rewind();
  // The next `count` bytes; false when fewer could be had.
  bool ReadNext(std::uint8_t* out, std::size_t count);
  // The whole file from its start, or nothing when it cannot be read to the end.
  std::optional<Bytes> ReadAll();
  void Close();

 private:
  std::intptr_t handle_ = -1;
  std::size_t size_ = 0;
  ReadProblem problem_ = ReadProblem::None;
};

struct FileContents {
  ReadProblem problem = ReadProblem::None;
  Bytes bytes;
  explicit operator bool() const { return problem == ReadProblem::None; }
};

// A whole file of at most `limit` bytes.
FileContents ReadInputFile(const std::string& path, std::size_t limit);

}  // namespace zotpx
