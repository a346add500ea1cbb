// The two catalogues hold the same ids with the same placeholders, and the language a process
// speaks is chosen from the system as documented.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <set>
#include <string>

#include "base/language.h"
#include "base/texts.h"

namespace {

using zotpx::Language;

std::multiset<std::string> Placeholders(std::string_view text) {
  std::multiset<std::string> found;
  for (std::size_t at = text.find('{'); at != std::string_view::npos; at = text.find('{', at + 1))
    if (at + 2 < text.size() && text[at + 2] == '}') found.insert(std::string(text.substr(at, 3)));
  return found;
}

std::map<std::string, std::string> Entries(Language language) {
  std::map<std::string, std::string> entries;
  for (const auto& entry : zotpx::Catalogue(language)) {
    EXPECT_TRUE(entries.emplace(std::string(entry.id), std::string(entry.text)).second)
        << "twice: " << entry.id;
    EXPECT_FALSE(entry.text.empty()) << entry.id;
  }
  return entries;
}

TEST(CatalogueTest, EveryIdHasBothLanguagesWithTheSamePlaceholders) {
  const auto chinese = Entries(Language::Chinese);
  const auto english = Entries(Language::English);
  for (const auto& [id, text] : chinese) {
    const auto other = english.find(id);
    if (other == english.end()) {
      ADD_FAILURE() << "no English for " << id;
      continue;
    }
    EXPECT_EQ(Placeholders(text), Placeholders(other->second)) << id;
  }
  for (const auto& [id, text] : english) EXPECT_TRUE(chinese.count(id)) << "only English: " << id;
}

TEST(CatalogueTest, TheProcesssLanguageChoosesTheText) {
  EXPECT_EQ(zotpx::FindText(Language::English, "no.such.id"), "");
  zotpx::SetLanguage(Language::English);
  EXPECT_EQ(zotpx::Text("caption.BtnLineCmd"),
            zotpx::TextIn(Language::English, "caption.BtnLineCmd"));
  zotpx::SetLanguage(Language::Chinese);
  EXPECT_EQ(zotpx::Text("caption.BtnLineCmd"), "直线控制命令");
}

TEST(LanguageTest, TheSystemChoosesAsDocumented) {
  struct Case {
    std::map<std::string, std::string> variables;
    std::optional<Language> expected;  // nothing: the variables name no language
  };
  const Case cases[] = {
      {{}, std::nullopt},
      {{{"LANG", "C"}}, Language::Chinese},
      {{{"LANG", "POSIX"}, {"LANGUAGE", "en"}}, Language::Chinese},
      {{{"LANG", "C.UTF-8"}, {"LANGUAGE", "en"}}, Language::Chinese},
      {{{"LANG", "en_US.UTF-8"}}, Language::English},
      {{{"LANG", "zh_CN.UTF-8"}}, Language::Chinese},
      {{{"LANG", "de_DE.UTF-8"}}, std::nullopt},
      {{{"LANG", "zh_CN.UTF-8"}, {"LC_MESSAGES", "en_GB"}}, Language::English},
      {{{"LC_ALL", "zh_TW"}, {"LC_MESSAGES", "en_GB"}}, Language::Chinese},
      {{{"LANG", "zh_CN.UTF-8"}, {"LANGUAGE", "fr:en:zh"}}, Language::English},
      {{{"LANG", "en_US.UTF-8"}, {"LANGUAGE", "de"}}, Language::English},
      {{{"LANG", "en_US.UTF-8"}, {"ZOTPX_LANG", "zh"}}, Language::Chinese},
      {{{"LANG", "C"}, {"ZOTPX_LANG", "en"}}, Language::English},
      {{{"LANG", "zh_CN"}, {"ZOTPX_LANG", "klingon"}}, Language::Chinese},
  };
  for (const Case& c : cases) {
    std::string said;
    for (const auto& [name, value] : c.variables) said += name + "=" + value + " ";
    const auto get = [&](const char* name) -> const char* {
      const auto found = c.variables.find(name);
      return found == c.variables.end() ? nullptr : found->second.c_str();
    };
    // Where the variables name no language, Windows asks the user's display language, and
    // elsewhere it is Chinese.
    const Language fallback =
        zotpx::LanguageByName(zotpx::SystemUiLanguage()).value_or(Language::Chinese);
    EXPECT_EQ(zotpx::LanguageFromSystem(get), c.expected.value_or(fallback)) << said;
  }
  EXPECT_EQ(zotpx::LanguageByName("zh-Hans"), Language::Chinese);
  EXPECT_EQ(zotpx::LanguageByName("EN"), Language::English);
  EXPECT_EQ(zotpx::LanguageByName(""), std::nullopt);
}

}  // namespace
