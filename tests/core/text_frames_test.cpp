// The text overlay as bytes: string, area and font-test frames against the known-good frames,
// the checks in their order, and the code page 936 edge (conversion, byte limit, display).
#include <gtest/gtest.h>

#include "support/hex.h"

#include <sstream>
#include <string>

#include "serial/frame.h"
#include "text/char_area.h"
#include "text/cp936.h"
#include "text/font_test.h"
#include "text/text_string.h"

namespace {

using zotpx::Bytes;

using zotpx::test::Hex;

Bytes Cp936(const std::string& utf8) {
  const zotpx::Cp936Text text = zotpx::Utf8ToCp936(utf8);
  EXPECT_TRUE(text.ok()) << utf8;
  return text.bytes;
}

// The string group's defaults: colour 2, spacing 0, large font, normal size, show; X 5, Y 50.
zotpx::TextStringValues StringAt(const Bytes& text, const std::string& x = "5",
                                 const std::string& y = "50") {
  return {text, x, y, {2, 0, 1, 0, 0}};
}

struct WorkedFrame {
  const char* name;
  Bytes frame;
  const char* expected;
};

TEST(TextFrames, WorkedExamplesGiveTheKnownBytes) {
  const WorkedFrame cases[] = {
      {"ABC", zotpx::TextStringFrame(StringAt(Cp936("ABC"))),
       "55 AA 14 08 22 00 05 00 32 41 42 43 3B"},
      {"汉字", zotpx::TextStringFrame(StringAt(Cp936("汉字"))),
       "55 AA 14 09 22 00 05 00 32 BA BA D7 D6 97"},
      {"area defaults", zotpx::CharAreaFrame({"0", "0", "383", "255", 3, 1}),
       "55 AA 16 09 87 00 00 00 00 01 7F 00 FF 25"},
      {"area fill foreground", zotpx::CharAreaFrame({"10", "20", "100", "50", 0, 0}),
       "55 AA 16 09 01 00 0A 00 14 00 64 00 32 D4"},
      {"font test row 0",
       zotpx::TextStringFrame({zotpx::FontTestRow(0xB0, 0), "2",
                               std::to_string(zotpx::FontTestRowTop(0)),
                               zotpx::kFontTestAttributes}),
       "55 AA 14 1D 30 00 02 00 02 B0 A0 B0 A1 B0 A2 B0 A3 B0 A4 B0 A5 B0 A6 B0 A7 B0 A8 B0 A9 B0 "
       "AA "
       "B0 AB 67"},
      {"font test row 7",
       zotpx::TextStringFrame({zotpx::FontTestRow(0xB0, 7), "2",
                               std::to_string(zotpx::FontTestRowTop(7)),
                               zotpx::kFontTestAttributes}),
       "55 AA 14 1D 30 00 02 00 B8 B0 F4 B0 F5 B0 F6 B0 F7 B0 F8 B0 F9 B0 FA B0 FB B0 FC B0 FD B0 "
       "FE "
       "B0 FF 0D"},
      {"font test area", zotpx::CharAreaFrame(zotpx::kFontTestArea),
       "55 AA 16 09 87 00 00 00 00 01 7F 00 FF 25"},
  };
  for (const WorkedFrame& c : cases) EXPECT_EQ(c.frame, Hex(c.expected)) << c.name;
}

TEST(TextStringFrame, CoordinatesAreSentHighByteFirst) {
  const Bytes x256 = zotpx::TextStringFrame(StringAt(Cp936("A"), "256", "255"));
  EXPECT_EQ(Bytes(x256.begin() + 5, x256.begin() + 9), Hex("01 00 00 FF"));
  const Bytes hex = zotpx::TextStringFrame(StringAt(Cp936("A"), "$17F", "0x10"));
  EXPECT_EQ(Bytes(hex.begin() + 5, hex.begin() + 9), Hex("01 7F 00 10"));
}

TEST(TextStringFrame, LengthFollowsTheCodePageBytes) {
  const Bytes one = zotpx::TextStringFrame(StringAt(Cp936("A")));
  EXPECT_EQ(one.size(), 11u);
  EXPECT_EQ(one[3], 6);

  const Bytes mixed = zotpx::TextStringFrame(StringAt(Cp936("A汉")));
  EXPECT_EQ(Bytes(mixed.begin() + 9, mixed.end() - 1), Hex("41 BA BA"));

  const Bytes full = zotpx::TextStringFrame(StringAt(Bytes(200, 'x')));
  EXPECT_EQ(full.size(), 210u);
  EXPECT_EQ(full[3], 0xCD);
  EXPECT_EQ(full.back(), zotpx::FrameChecksum(full.data(), full.size()));
}

TEST(TextStringFrame, DeleteSetsBitSevenAndKeepsPositionAndText) {
  zotpx::TextStringValues shown = StringAt(Cp936("ABC"));
  zotpx::TextStringValues deleted = shown;
  deleted.attributes.hide = 1;
  const Bytes a = zotpx::TextStringFrame(shown);
  const Bytes b = zotpx::TextStringFrame(deleted);
  EXPECT_EQ(b[4], 0xA2);
  EXPECT_EQ(Bytes(a.begin() + 5, a.end() - 1), Bytes(b.begin() + 5, b.end() - 1));
}

struct StringCheck {
  Bytes text;
  const char* x;
  const char* y;
  const char* expected;  // nullptr: accepted
};

TEST(CheckTextString, ChecksInOrderWithTheirMessages) {
  const Bytes text = Hex("41");
  const StringCheck cases[] = {
      {text, "383", "255", nullptr},
      {text, "0", "0", nullptr},
      {Hex("20 20"), "5", "50", nullptr},  // blanks are a text
      {Bytes(200, 'x'), "5", "50", nullptr},
      {text, "384", "50", zotpx::kStringCoordinateText},
      {text, "5", "256", zotpx::kStringCoordinateText},
      {text, "-1", "50", zotpx::kStringCoordinateText},
      {text, "", "50", zotpx::kStringCoordinateText},
      {text, "5", "5a", zotpx::kStringCoordinateText},
      {{}, "5", "50", zotpx::kEmptyStringText},
      {{}, "abc", "999", zotpx::kEmptyStringText},  // the empty text wins
      {Bytes(201, 'x'), "abc", "50", zotpx::kStringTooLongText},
  };
  for (const StringCheck& c : cases) {
    const std::optional<std::string> failure = zotpx::CheckTextString(StringAt(c.text, c.x, c.y));
    if (c.expected) {
      EXPECT_EQ(failure, std::string(c.expected)) << c.x << "," << c.y;
    } else {
      EXPECT_EQ(failure, std::nullopt) << c.x << "," << c.y;
    }
  }
}

struct AreaCheck {
  zotpx::CharAreaValues values;
  bool accepted;
};

TEST(CheckCharArea, CornersMustBeOnScreenAndInOrder) {
  const AreaCheck cases[] = {
      {{"0", "0", "383", "255", 3, 1}, true},
      {{"10", "20", "10", "20", 0, 0}, true},  // one pixel
      {{"10", "0", "9", "255", 3, 1}, false},
      {{"0", "20", "383", "19", 3, 1}, false},
      {{"0", "0", "384", "255", 3, 1}, false},
      {{"0", "0", "383", "256", 3, 1}, false},
      {{"-1", "0", "383", "255", 3, 1}, false},
      {{"0", "", "383", "255", 3, 1}, false},
      {{"0", "0", "383", "25 5", 3, 1}, false},
  };
  for (const AreaCheck& c : cases) {
    const std::optional<std::string> failure = zotpx::CheckCharArea(c.values);
    const std::string where =
        c.values.left + "," + c.values.top + "," + c.values.right + "," + c.values.bottom;
    if (c.accepted) {
      EXPECT_EQ(failure, std::nullopt) << where;
    } else {
      EXPECT_EQ(failure, std::string(zotpx::kAreaCoordinateText)) << where;
    }
  }
}

TEST(AreaAttributeByte, LayerListIsABitMask) {
  EXPECT_EQ(zotpx::AreaAttributeByte(0, 0), 0x01);
  EXPECT_EQ(zotpx::AreaAttributeByte(1, 0), 0x02);
  EXPECT_EQ(zotpx::AreaAttributeByte(1, 1), 0x82);
  EXPECT_EQ(zotpx::AreaAttributeByte(2, 0), 0x04);
  EXPECT_EQ(zotpx::AreaAttributeByte(3, 1), 0x87);
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
  EXPECT_EQ(zotpx::TextAttributeByte(zotpx::kFontTestAttributes), 0x30);
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
