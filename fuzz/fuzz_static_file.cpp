// The static command text against a plain reference: split into lines at CR LF, CR or LF,
// collect the hex pairs of each line (starting again after 260 bytes), keep the lines that
// are a frame plus one byte. The image must hold exactly those records, or the text must be
// refused for the limit it broke.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "text/static_file.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

bool Hex(std::uint8_t c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
int Value(std::uint8_t c) {
  return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
}

struct Expected {
  std::string failure;
  zotpx::Bytes records;  // back to back
  std::size_t count = 0;
};

Expected Reference(const std::uint8_t* text, std::size_t size) {
  Expected e;
  std::vector<std::vector<std::uint8_t>> lines(1);
  for (std::size_t i = 0; i < size;) {
    if (text[i] == '\r' || text[i] == '\n') {
      i += (text[i] == '\r' && i + 1 < size && text[i + 1] == '\n') ? 2 : 1;
      lines.emplace_back();
    } else {
      lines.back().push_back(text[i++]);
    }
  }
  for (const auto& line : lines) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < line.size();) {
      if (i + 1 < line.size() && Hex(line[i]) && Hex(line[i + 1])) {
        if (bytes.size() == 260) bytes.clear();
        bytes.push_back(static_cast<std::uint8_t>(Value(line[i]) * 16 + Value(line[i + 1])));
        i += 2;
      } else {
        ++i;
      }
    }
    const bool record = bytes.size() >= 6 && bytes[0] == 0x55 && bytes[1] == 0xAA &&
                        bytes[2] <= 0x1F && bytes.size() == bytes[3] + 6u;
    if (!record) continue;
    if (5 + e.records.size() + bytes.size() > 0x3FFF)
      return e.failure = zotpx::kStaticTooBigText, e;
    if (e.count == 255) return e.failure = zotpx::kStaticTooManyText, e;
    e.records.insert(e.records.end(), bytes.begin(), bytes.end());
    ++e.count;
  }
  return e;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Exactly the bytes of the text: ASan reports any read past them.
  auto text = std::make_unique<std::uint8_t[]>(size ? size : 1);
  if (size) std::memcpy(text.get(), data, size);
  const zotpx::StaticImage got = zotpx::BuildStaticImage({text.get(), size});
  const Expected want = Reference(data, size);
  // The same bytes taken as a device's memory: whatever it holds, records stay within it.
  for (const zotpx::Bytes& record : zotpx::StaticImageRecords({text.get(), size}))
    Check(record.size() >= 6 && record.size() <= size);

  Check(got.failure.value_or("") == want.failure);
  if (got.failure) return 0;
  Check(got.image.size() == zotpx::kStaticImageSize);
  Check(std::memcmp(got.image.data(), "CFG ", 4) == 0);
  Check(got.image[4] == want.count && got.records == want.count);
  Check(std::equal(want.records.begin(), want.records.end(), got.image.begin() + 5));
  for (std::size_t i = 5 + want.records.size(); i < got.image.size(); ++i) Check(got.image[i] == 0);
  // And the image gives back exactly the records it was built from.
  zotpx::Bytes read_back;
  for (const zotpx::Bytes& record : zotpx::StaticImageRecords(got.image))
    read_back.insert(read_back.end(), record.begin(), record.end());
  Check(read_back == want.records);
  return 0;
}
