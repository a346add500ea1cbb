// The text's code page 936 edge (conversion and its refusal, byte limit, display) and the font
// test's frames and blocks.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "command/checks.h"
#include "command/codec.h"
#include "command/font_test.h"
#include "support/hex.h"
#include "text/cp936.h"

namespace {

using zotpx::Bytes;

using zotpx::test::Hex;

Bytes Cp936(const std::string& utf8) {
  const zotpx::Cp936Text text = zotpx::Utf8ToCp936(utf8);
  EXPECT_TRUE(text.ok()) << utf8;
  return text.bytes;
}

// The font test's commands: the whole screen cleared, then each row's own bytes in the
// foreground, 3 pixels apart, large font (attribute byte 0x30).
TEST(FontTest, SendsTheAreaThenEachRowsBytes) {
  EXPECT_EQ(zotpx::BuildFrame(zotpx::FontTestArea()),
            Hex("55 AA 16 09 87 00 00 00 00 01 7F 00 FF 25"));
  EXPECT_EQ(zotpx::BuildFrame(zotpx::FontTestString(0xB0, 0)),
            Hex("55 AA 14 1D 30 00 02 00 02 B0 A0 B0 A1 B0 A2 B0 A3 B0 A4 B0 A5 B0 A6 B0 A7 B0 A8 "
                "B0 A9 B0 AA B0 AB 67"));
  EXPECT_EQ(zotpx::BuildFrame(zotpx::FontTestString(0xB0, 7)),
            Hex("55 AA 14 1D 30 00 02 00 B8 B0 F4 B0 F5 B0 F6 B0 F7 B0 F8 B0 F9 B0 FA B0 FB B0 FC "
                "B0 FD B0 FE B0 FF 0D"));
}

TEST(Cp936, ConvertsAsciiAndChineseAndRefusesWhatItCannotHold) {
  EXPECT_EQ(Cp936("A汉"), Hex("41 BA BA"));
  EXPECT_EQ(Cp936("欢迎使用云帆ZOT-Px系列字符叠加产品").size(), 34u);

  const zotpx::Cp936Text emoji = zotpx::Utf8ToCp936("AB\xF0\x9F\x98\x80汉");
  EXPECT_FALSE(emoji.ok());
  EXPECT_EQ(emoji.unrepresentable, "\xF0\x9F\x98\x80");
  EXPECT_TRUE(emoji.bytes.empty());
  EXPECT_EQ(zotpx::UnrepresentableMessage(emoji.unrepresentable),
            "失败：字符串含有无法转换为GBK编码的字符“\xF0\x9F\x98\x80”（U+1F600）");

  // iconv drops a tag character without an error; it must not vanish from the text unseen.
  const zotpx::Cp936Text tag = zotpx::Utf8ToCp936("A\xF3\xA0\x81\x81");
  EXPECT_FALSE(tag.ok());
  EXPECT_EQ(tag.unrepresentable, "\xF3\xA0\x81\x81");

  const zotpx::Cp936Text broken = zotpx::Utf8ToCp936("A\xC3");
  EXPECT_FALSE(broken.ok());
  EXPECT_EQ(zotpx::UnrepresentableMessage(broken.unrepresentable),
            "失败：字符串含有无法转换为GBK编码的字符（0xC3）");
}

TEST(Cp936, LimitCountsChineseAsTwoBytesAndCutsAtWholeCharacters) {
  std::string hundred_han;
  for (int i = 0; i < 100; ++i) hundred_han += "汉";
  EXPECT_EQ(zotpx::Cp936ByteCount(hundred_han), 200u);
  EXPECT_EQ(zotpx::Cp936ByteCount("A" + hundred_han), 201u);

  // One byte short of the last character: it goes whole, the text stays at 199 bytes.
  const std::string a_and_han = std::string("A") + hundred_han;
  const std::string cut = zotpx::CutToCp936Bytes(a_and_han, 200);
  EXPECT_EQ(cut, a_and_han.substr(0, 1 + 99 * 3));
  EXPECT_EQ(zotpx::Cp936ByteCount(cut), 199u);

  EXPECT_EQ(zotpx::CutToCp936Bytes(std::string(150, 'a') + hundred_han, 200),
            std::string(150, 'a') + hundred_han.substr(0, 25 * 3));
  EXPECT_EQ(zotpx::CutToCp936Bytes("AB汉", 200), "AB汉");
  // An emoji counts two and is cut whole, never split into stray bytes.
  EXPECT_EQ(zotpx::Cp936ByteCount("\xF0\x9F\x98\x80"), 2u);
  EXPECT_EQ(zotpx::CutToCp936Bytes("A\xF0\x9F\x98\x80", 2), "A");
}

TEST(Cp936, LossyDisplayKeepsOneCharacterPerCell) {
  const std::string row0 = zotpx::Cp936ToUtf8Lossy(zotpx::FontTestRow(0xB0, 0));
  EXPECT_EQ(row0.substr(0, 6), "盃啊");  // B0 A0 is a GBK character, B0 A1 the first of GB 2312
  const std::string row7 = zotpx::Cp936ToUtf8Lossy(zotpx::FontTestRow(0xB0, 7));
  ASSERT_GE(row7.size(), 3u);
  EXPECT_EQ(row7.substr(row7.size() - 3), "\xEF\xBF\xBD");  // B0 FF is no character
  EXPECT_EQ(zotpx::Cp936ByteCount(row7), 24u);
  EXPECT_EQ(zotpx::Cp936ToUtf8Lossy(Hex("41 BA BA B0 31")),
            "A汉\xEF\xBF\xBD"
            "1");
}

TEST(FontTest, RowsAndBlocks) {
  EXPECT_EQ(zotpx::FontTestRowTop(7), 184);
  EXPECT_EQ(zotpx::FontTestLead(71), 0xF7);
  const Bytes last = zotpx::FontTestRow(0xF7, 7);
  EXPECT_EQ(last.size(), 24u);
  EXPECT_EQ(Bytes(last.end() - 2, last.end()), Hex("F7 FF"));

  EXPECT_EQ(zotpx::FontTestAdvance(70).block_index, 71);
  EXPECT_FALSE(zotpx::FontTestAdvance(70).wrapped);
  EXPECT_EQ(zotpx::FontTestAdvance(71).block_index, 0);
  EXPECT_TRUE(zotpx::FontTestAdvance(71).wrapped);
}

}  // namespace
