// glibc knows the code page as "CP936" and as "GBK"; without its conversion modules neither
// opens, and only ASCII gets through.
#include "text/cp936_convert.h"

#include <iconv.h>

namespace zotpx {

namespace {

const iconv_t kClosed = reinterpret_cast<iconv_t>(-1);

iconv_t Open(Cp936Direction direction) {
  const bool to_cp936 = direction == Cp936Direction::ToCp936;
  for (const char* name : {"CP936", "GBK"}) {
    const iconv_t cd = to_cp936 ? iconv_open(name, "UTF-8") : iconv_open("UTF-8", name);
    if (cd != kClosed) return cd;
  }
  return kClosed;
}

}  // namespace

Cp936Converter::Cp936Converter(Cp936Direction direction)
    : direction_(direction), state_(Open(direction)) {}

Cp936Converter::~Cp936Converter() {
  if (state_ != kClosed) iconv_close(static_cast<iconv_t>(state_));
}

std::optional<std::string> Cp936Converter::Convert(std::string_view in) {
  const iconv_t cd = static_cast<iconv_t>(state_);
  if (cd == kClosed) return std::nullopt;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char out[16];
  char* in_ptr = const_cast<char*>(in.data());
  std::size_t in_left = in.size();
  char* out_ptr = out;
  std::size_t out_left = sizeof out;
  if (iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left) == static_cast<std::size_t>(-1)) {
    return std::nullopt;
  }
  // A stateless code page, but flush anyway: the call is cheap and keeps this honest.
  if (iconv(cd, nullptr, nullptr, &out_ptr, &out_left) == static_cast<std::size_t>(-1)) {
    return std::nullopt;
  }
  // glibc drops some characters without a word (the tag characters U+E0000..U+E007F):
  // a character that turns into nothing did not convert.
  if (out_ptr == out) return std::nullopt;
  return std::string(out, out_ptr);
}

}  // namespace zotpx
