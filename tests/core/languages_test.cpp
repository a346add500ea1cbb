// What the core says follows the language, what it sends and reads never does: frames and list
// words are the same in both languages, a log reads the same whichever language wrote it, and
// an English process explains a frame in English.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "base/attributes.h"
#include "base/language.h"
#include "base/texts.h"
#include "command/codec.h"
#include "command/explain.h"
#include "command/log_reader.h"
#include "command/values.h"
#include "serial/memory_transfer.h"
#include "text/cp936.h"

namespace {

using zotpx::Language;

// Speaks `language` for the scope, Chinese again after.
struct Speaking {
  explicit Speaking(Language language) { zotpx::SetLanguage(language); }
  ~Speaking() { zotpx::SetLanguage(Language::Chinese); }
};

// Every row's default frames, and every list item's word, number and code.
std::vector<std::string> WhatGoesOut(Language language) {
  const Speaking speaking(language);
  std::vector<std::string> out;
  for (const zotpx::CommandRow& row : zotpx::CommandRows()) {
    const zotpx::Values values(row);
    if (row.check && row.check(values)) continue;  // a bitmap without its picture
    for (const zotpx::Bytes& frame : zotpx::BuildFrames(values))
      out.push_back(std::string(row.name) + " " + std::string(frame.begin(), frame.end()));
  }
  for (const zotpx::ComboDef& def : zotpx::AllComboDefs())
    for (int i = 0; i < static_cast<int>(def.items->size()); ++i)
      out.push_back(std::string(def.name) + " " + zotpx::ItemWord(def, i) + " " +
                    std::to_string(zotpx::ItemNumberName(def, i).value_or(-1)) + " " +
                    std::to_string(zotpx::ItemCode(def, i)));
  return out;
}

TEST(LanguagesTest, ALabelsTranslationChangesNoFrameAndNoWord) {
  EXPECT_EQ(WhatGoesOut(Language::English), WhatGoesOut(Language::Chinese));
  const zotpx::ComboDef& step = *zotpx::FindComboDef("ComboCrossKeyStep");
  EXPECT_NE(step.items->LabelsIn(Language::English), step.items->LabelsIn(Language::Chinese));
}

// The same session as each language's tool logs it.
std::string SessionLog(Language language) {
  const auto text = [language](zotpx::TextId id) { return std::string(TextIn(language, id)); };
  return "【" + text("caption.BtnRectCmd") + "】\n" + text("serial.log_sent") +
         "55 AA 1B 09 00 00 00 00 00 7F 01 FF 00 A5\n" + text("serial.log_received") +
         "55 AA 1B 01 00 1C\n\n【" + text("caption.BtnCrossDownCmd") + "】\n" +
         zotpx::kErasingLogLine + "\n" + text("serial.log_interrupted") + "\n\n";
}

TEST(LanguagesTest, ALogReadsTheSameWhicheverLanguageWroteIt) {
  const std::string chinese = SessionLog(Language::Chinese);
  const zotpx::Bytes gbk = zotpx::Utf8ToCp936(chinese).bytes;
  const struct {
    const char* name;
    std::string log;
  } cases[] = {
      {"Chinese", chinese},
      {"English", SessionLog(Language::English)},
      {"saved as GBK before logs spoke English", std::string(gbk.begin(), gbk.end())},
  };
  for (const Language speaking : {Language::Chinese, Language::English}) {
    const Speaking as(speaking);
    for (const auto& c : cases) {
      const std::vector<zotpx::LogBlock> blocks = zotpx::ReadLogBlocks(c.log);
      ASSERT_EQ(blocks.size(), 2u) << c.name;
      EXPECT_EQ(zotpx::RowByTitle(blocks[0].title), zotpx::FindRow("rect")) << c.name;
      const std::vector<zotpx::LoggedRequest> requests = zotpx::RequestsOf(blocks[0]);
      ASSERT_EQ(requests.size(), 1u) << c.name;
      ASSERT_NE(requests[0].received, nullptr) << c.name;
      EXPECT_EQ(requests[0].sent->bytes.size(), 14u) << c.name;
      EXPECT_EQ(requests[0].received->bytes.size(), 6u) << c.name;
      // A download is no row; stopped while erasing, it wrote nothing.
      EXPECT_EQ(zotpx::RowByTitle(blocks[1].title), nullptr) << c.name;
      const std::optional<zotpx::TransferSummary> transfer = zotpx::TransferOf(blocks[1]);
      ASSERT_TRUE(transfer) << c.name;
      EXPECT_EQ(transfer->result, zotpx::TransferSummary::Result::Interrupted) << c.name;
      EXPECT_EQ(transfer->bytes, 0u) << c.name;
    }
  }
}

TEST(LanguagesTest, AnEnglishProcessExplainsAFrameInEnglish) {
  for (const Language language : {Language::Chinese, Language::English}) {
    const Speaking speaking(language);
    const zotpx::Values values(*zotpx::FindRow("rect"));
    const zotpx::Bytes frame = zotpx::BuildFrames(values).front();
    const std::string line = zotpx::DescribeFrame(zotpx::DecodeFrame(frame));
    EXPECT_NE(line.find(zotpx::Text("caption.BtnRectCmd")), std::string::npos) << line;
    const bool ascii = std::all_of(line.begin(), line.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    EXPECT_EQ(ascii, language == Language::English) << line;
  }
}

}  // namespace
