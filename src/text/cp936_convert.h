// One character at a time between UTF-8 and code page 936, through the system's converter:
// iconv on Linux, the Windows code page functions on Windows. cp936.cpp builds everything
// else on this.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zotpx {

enum class Cp936Direction { ToCp936, FromCp936 };

class Cp936Converter {
 public:
  explicit Cp936Converter(Cp936Direction direction);
  ~Cp936Converter();
  Cp936Converter(const Cp936Converter&) = delete;
  Cp936Converter& operator=(const Cp936Converter&) = delete;

  // The whole of `in` converted, or nothing when any of it is invalid, unmappable or cut short.
  std::optional<std::string> Convert(std::string_view in);

 private:
  [[maybe_unused]] Cp936Direction direction_;  // the Windows conversion reads it at each call
  void* state_ = nullptr;                      // the platform's conversion handle, where it has one
};

}  // namespace zotpx
