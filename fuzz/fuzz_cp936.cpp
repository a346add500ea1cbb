// The code page 936 conversion both ways: text that converts comes back unchanged, the byte
// count agrees with the conversion, a cut stays within its limit, and any bytes from the
// device show as text that converts back to the same bytes wherever they were characters.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "text/cp936.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  // UTF-8 to the device and back.
  const zotpx::Cp936Text device = zotpx::Utf8ToCp936(text);
  if (device.ok()) {
    Check(zotpx::Cp936ByteCount(text) == device.bytes.size());
    Check(zotpx::Cp936ToUtf8Lossy(device.bytes) == text);
  } else {
    Check(device.bytes.empty());
    Check(text.find(device.unrepresentable) != std::string_view::npos);
  }

  // A cut is a start of the text and fits its limit.
  const std::size_t limit = size ? data[0] % 64 : 0;
  const std::string cut = zotpx::CutToCp936Bytes(text, limit);
  Check(text.substr(0, cut.size()) == cut);
  Check(zotpx::Cp936ByteCount(cut) <= limit);

  // Bytes to text: what decoded without a replacement encodes back to the same bytes.
  const zotpx::Bytes bytes(data, data + size);
  const std::string shown = zotpx::Cp936ToUtf8Lossy(bytes);
  if (shown.find(kReplacement) == std::string::npos) {
    const zotpx::Cp936Text back = zotpx::Utf8ToCp936(shown);
    Check(back.ok() && back.bytes == bytes);
  }
  return 0;
}
