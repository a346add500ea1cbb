// The device's non-volatile memory kept in a file across runs, the way a real device keeps its
// flash: loaded at start, and every erase and write stored before it is acknowledged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "serial/frame.h"

namespace zotpx::sim {

class MemoryFile {
 public:
  // Opens `path` and reads it into `memory` (kDeviceMemorySize bytes), or creates it erased (all
  // 0xFF) when it does not exist. A file of another size, or one that cannot be read and
  // written, is refused with the reason in `error` and left exactly as it was. The file is
  // locked: a second simulator cannot share it.
  static std::unique_ptr<MemoryFile> Open(const std::string& path, Bytes& memory,
                                          std::string& error);
  ~MemoryFile();  // flushes to the disk and closes
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;

  // Writes `bytes` at `address`, in place: the file keeps its size, and a crash at any moment
  // leaves every earlier store intact. False (and `error()` set) when the system refuses.
  bool Store(std::size_t address, std::span<const std::uint8_t> bytes);
  const std::string& path() const { return path_; }
  const std::string& error() const { return error_; }

 private:
  MemoryFile(std::intptr_t file, std::string path) : file_(file), path_(std::move(path)) {}
  std::intptr_t file_;  // a descriptor on Linux, a HANDLE on Windows
  std::string path_;
  std::string error_;
};

}  // namespace zotpx::sim
