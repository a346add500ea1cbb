// A transfer's own log lines (what went where, how far an interrupted one got) are read back
// from a log written in either language, and nothing else is taken for them.
#include <gtest/gtest.h>

#include "base/language.h"
#include "serial/memory_transfer.h"

namespace {

using zotpx::Language;

class TransferLinesTest : public ::testing::TestWithParam<Language> {
 protected:
  void SetUp() override { zotpx::SetLanguage(GetParam()); }
  void TearDown() override { zotpx::SetLanguage(Language::Chinese); }
};

TEST_P(TransferLinesTest, WrittenLinesReadBack) {
  for (const auto& [base, size] : {std::pair<std::uint32_t, std::size_t>{0x004000, 20000},
                                   {0x000000, 1},
                                   {0xFFFFFF, 0x40000}}) {
    const auto data = zotpx::ReadTransferDataLogLine(zotpx::TransferDataLogLine(base, size));
    ASSERT_TRUE(data) << zotpx::TransferDataLogLine(base, size);
    EXPECT_EQ(data->base, base);
    EXPECT_EQ(data->size, size);
  }
  for (const std::size_t written : {0u, 2400u})
    EXPECT_EQ(zotpx::ReadInterruptedTransferText(zotpx::InterruptedTransferText(written)), written);
}

TEST_P(TransferLinesTest, OtherLinesAreNotTaken) {
  const std::string data = zotpx::TransferDataLogLine(0x4000, 20);
  const std::string stopped = zotpx::InterruptedTransferText(20);
  for (const std::string& line :
       {data + "0", data.substr(0, data.size() - 1) + "G", data.substr(1), stopped + " ",
        stopped.substr(0, stopped.size() - 1), std::string(zotpx::kWrittenLogLine)}) {
    EXPECT_FALSE(zotpx::ReadTransferDataLogLine(line)) << line;
    EXPECT_FALSE(zotpx::ReadInterruptedTransferText(line)) << line;
  }
}

INSTANTIATE_TEST_SUITE_P(Languages, TransferLinesTest,
                         ::testing::Values(Language::Chinese, Language::English),
                         [](const auto& info) {
                           return std::string(zotpx::LanguageCode(info.param));
                         });

}  // namespace
