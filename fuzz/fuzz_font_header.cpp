// The font library checks on any file's first bytes and size: the header is accepted exactly
// when bytes 11 and 15 carry the same size code, 16 or 24; a size is judged against the
// model's room; and the erase plan covers the file with whole regions, in order.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "text/font_library.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// Where each erase region starts and the next one begins.
constexpr std::uint32_t kRegions[] = {0x4000, 0x8000, 0x18000, 0x38000, 0x58000, 0x78000};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto header = std::make_unique<std::uint8_t[]>(size ? size : 1);
  if (size) std::memcpy(header.get(), data, size);
  const auto failure = zotpx::CheckFontHeader({header.get(), size});
  const bool valid = size >= 16 && (data[15] == 0x10 || data[15] == 0x18) && data[11] == data[15];
  Check(failure.has_value() != valid);
  if (failure) Check(*failure == zotpx::kFontInvalidText);

  // A file size from the input's first bytes, spread over both sides of every limit.
  std::uint32_t raw = 0;
  std::memcpy(&raw, data, size < 4 ? size : 4);
  const std::size_t file_size = raw % 0x80000;
  const auto pa = zotpx::CheckFontSize(file_size, zotpx::DeviceModel::PA);
  const auto pb = zotpx::CheckFontSize(file_size, zotpx::DeviceModel::PB);
  Check(pa.has_value() == (file_size > zotpx::kFontMaxSize));
  Check(pb.has_value() == (file_size > zotpx::kFontMaxSizeSmall));
  if (file_size > zotpx::kFontMaxSize) Check(*pb == zotpx::kFontInvalidText);
  else if (pb) Check(*pb == zotpx::kFontUnsupportedText);

  if (file_size == 0 || file_size > zotpx::kFontMaxSize) return 0;
  const auto plan = zotpx::FontErasePlan(file_size);
  // The regions in order from the first, up to the one holding the file's last byte.
  const std::uint32_t last = zotpx::kFontBase + static_cast<std::uint32_t>(file_size) - 1;
  std::size_t expected = 0;
  while (kRegions[expected] <= last) ++expected;
  Check(plan.size() == expected);
  for (std::size_t i = 0; i < plan.size(); ++i) Check(plan[i] == kRegions[i]);
  return 0;
}
