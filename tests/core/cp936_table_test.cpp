// Code page 936 through the system's converter gives the same bytes on every platform: a digest
// of the whole table, in both directions, per block, pinned to what Linux's iconv gives.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "text/cp936.h"

namespace {

// FNV-1a, 64 bits.
struct Digest {
  std::uint64_t value = 0xcbf29ce484222325ull;
  void Add(std::uint8_t byte) { value = (value ^ byte) * 0x100000001b3ull; }
  void Add(const std::string& bytes) {
    for (char c : bytes) Add(static_cast<std::uint8_t>(c));
  }
};

std::string Utf8(char32_t c) {
  std::string s;
  if (c < 0x80) {
    s += static_cast<char>(c);
  } else if (c < 0x800) {
    s += static_cast<char>(0xC0 | (c >> 6));
    s += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    s += static_cast<char>(0xE0 | (c >> 12));
    s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    s += static_cast<char>(0xF0 | (c >> 18));
    s += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (c & 0x3F));
  }
  return s;
}

std::string Text(std::uint64_t value) {
  char text[20];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
  return text;
}

// UTF-8 to code page 936 for every character of the basic plane, 4096 at a time, and the
// first supplementary block (none of it converts).
TEST(Cp936Table, EncodingOfEveryCharacterIsLinuxs) {
  const char* expected[17] = {
      "7dffdf47781c9954", "6c2635f9113e6325", "6e64b335b79e6da1", "ee4c8c75e030c733",
      "f27aaa3c0519f9cf", "3025142651decfbe", "5e8bfe773fc706bc", "d09eee046bf2a963",
      "95a941956104c1ad", "0f59615d78e56a5f", "6c2635f9113e6325", "6c2635f9113e6325",
      "6c2635f9113e6325", "6cb8e57c06b04325", "6c2635f9113e6325", "c15ea93fbd80c470",
      "6c2635f9113e6325",
  };
  for (char32_t block = 0; block < 17; ++block) {
    Digest digest;
    const char32_t first = block < 16 ? block * 0x1000 : 0x10000;
    for (char32_t c = first; c < first + 0x1000; ++c) {
      if (c >= 0xD800 && c <= 0xDFFF) continue;
      const zotpx::Cp936Text text = zotpx::Utf8ToCp936(Utf8(c));
      digest.Add(text.ok() ? std::string(text.bytes.begin(), text.bytes.end()) : "-");
      digest.Add(0);
    }
    EXPECT_EQ(Text(digest.value), expected[block])
        << "block from U+" << std::hex << static_cast<unsigned>(first);
  }
}

// Code page 936 to characters for every single byte and every lead and trail byte pair, by
// lead byte group of 16.
TEST(Cp936Table, DecodingOfEveryByteAndPairIsLinuxs) {
  const char* expected[8] = {
      "843c6fe62a4ee67d", "ed35212f67498457", "3155b6884a756ff7", "93e9577aa5267b5a",
      "f7151491a6a86823", "52829d91b64103df", "e20b13bbf7fdae0e", "0acf93ceda359404",
  };
  for (int group = 0; group < 8; ++group) {
    Digest digest;
    for (int lead = 0x80 + group * 16; lead < 0x80 + group * 16 + 16; ++lead) {
      for (int trail = -1; trail <= 0xFF; ++trail) {
        zotpx::Bytes bytes{static_cast<std::uint8_t>(lead)};
        if (trail >= 0) bytes.push_back(static_cast<std::uint8_t>(trail));
        for (const zotpx::Cp936Cell& cell : zotpx::Cp936Cells(bytes)) {
          digest.Add(static_cast<std::uint8_t>(cell.length));
          digest.Add(Utf8(cell.code_point));
        }
      }
    }
    EXPECT_EQ(Text(digest.value), expected[group])
        << "lead bytes from " << std::hex << 0x80 + group * 16;
  }
}

}  // namespace
