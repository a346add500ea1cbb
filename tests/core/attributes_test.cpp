// The shared drop-down vocabularies: items, order, per-control defaults.
#include "base/attributes.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

using zotpx::FindComboDef;

struct DefaultCase {
  const char* name;
  std::size_t items;
  int index;
  const char* text;  // the default item as the operator sees it
};

class ComboDefaultTest : public ::testing::TestWithParam<DefaultCase> {};

TEST_P(ComboDefaultTest, HasItsItemsAndDefault) {
  const DefaultCase& c = GetParam();
  const zotpx::ComboDef* def = FindComboDef(c.name);
  ASSERT_NE(def, nullptr) << c.name;
  EXPECT_EQ(def->items->size(), c.items) << c.name;
  EXPECT_EQ(def->default_index, c.index) << c.name;
  ASSERT_LT(static_cast<std::size_t>(def->default_index), def->items->size());
  EXPECT_EQ((*def->items)[def->default_index], c.text) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    ColourModes, ComboDefaultTest,
    ::testing::Values(DefaultCase{"ComboDateColor", 8, 0, "前景色"},
                      DefaultCase{"ComboTimeColor", 8, 0, "前景色"},
                      DefaultCase{"ComboStringColor", 8, 2, "前景色加背景边"},
                      DefaultCase{"ComboCrossTextColor", 8, 2, "前景色加背景边"},
                      DefaultCase{"ComboBitmapColor", 8, 3, "背景色加前景边"},
                      DefaultCase{"ComboSuperBitmapColor", 8, 7, "前景色加透明底"}));

INSTANTIATE_TEST_SUITE_P(TwoColours, ComboDefaultTest,
                         ::testing::Values(DefaultCase{"ComboLineColor", 2, 1, "背景色"},
                                           DefaultCase{"ComboRectColor", 2, 0, "前景色"},
                                           DefaultCase{"ComboCircleColor", 2, 0, "前景色"},
                                           DefaultCase{"ComboSingleBitmapColor", 2, 0, "前景色"},
                                           DefaultCase{"ComboCrossColor", 2, 0, "前景色"}));

INSTANTIATE_TEST_SUITE_P(
    SizeFontPixels, ComboDefaultTest,
    ::testing::Values(
        DefaultCase{"ComboDateSize", 2, 0, "不放大"}, DefaultCase{"ComboTimeSize", 2, 0, "不放大"},
        DefaultCase{"ComboStringSize", 2, 0, "不放大"},
        DefaultCase{"ComboCrossTextSize", 2, 0, "不放大"},
        DefaultCase{"ComboDateFont", 2, 0, "小字体(仅ASCII)"},
        DefaultCase{"ComboTimeFont", 2, 0, "小字体(仅ASCII)"},
        DefaultCase{"ComboStringFont", 2, 1, "大字体(汉字+ASCII)"},
        DefaultCase{"ComboCrossTextFont", 2, 1, "大字体(汉字+ASCII)"},
        DefaultCase{"ComboDateSpace", 4, 0, "1像素"}, DefaultCase{"ComboTimeSpace", 4, 2, "3像素"},
        DefaultCase{"ComboStringSpace", 4, 0, "1像素"},
        DefaultCase{"ComboCrossTextSpace", 4, 0, "1像素"},
        DefaultCase{"ComboLineThick", 4, 1, "2像素"}, DefaultCase{"ComboRectThick", 4, 1, "2像素"},
        DefaultCase{"ComboCircleThick", 4, 1, "2像素"}));

INSTANTIATE_TEST_SUITE_P(
    ShowLists, ComboDefaultTest,
    ::testing::Values(DefaultCase{"ComboDateShow", 2, 0, "显示日期"},
                      DefaultCase{"ComboTimeShow", 2, 0, "显示时间"},
                      DefaultCase{"ComboStringShow", 2, 0, "显示字符串"},
                      DefaultCase{"ComboCrossTextShow", 2, 0, "显示坐标文本"},
                      DefaultCase{"ComboBitmapShow", 2, 0, "显示位图字符"},
                      DefaultCase{"ComboSuperBitmapShow", 2, 0, "显示位图字符"},
                      DefaultCase{"ComboSingleBitmapShow", 2, 0, "显示单色位图"},
                      DefaultCase{"ComboLineShow", 2, 0, "显示直线"},
                      DefaultCase{"ComboRectShow", 2, 0, "显示矩形"},
                      DefaultCase{"ComboCircleShow", 2, 0, "显示圆形"}));

INSTANTIATE_TEST_SUITE_P(SinglePurpose, ComboDefaultTest,
                         ::testing::Values(DefaultCase{"ComboAreaShow", 2, 1, "清除区域"},
                                           DefaultCase{"ComboAreaLayer", 4, 3, "全部颜色"},
                                           DefaultCase{"ComboBitmapFlash", 4, 1, "自动闪烁1"},
                                           DefaultCase{"ComboBitmapCycle", 2, 0, "1秒周期"},
                                           DefaultCase{"ComboLineMode", 2, 0, "水平直线"},
                                           DefaultCase{"ComboRectMode", 2, 0, "仅矩形边框"},
                                           DefaultCase{"ComboCircleMode", 2, 0, "仅圆形边框"},
                                           DefaultCase{"ComboCircleRadius", 123, 20, "25"},
                                           DefaultCase{"ComboCrossEnable", 2, 0, "打开"},
                                           DefaultCase{"ComboCrossSelect", 20, 0, "图形01"},
                                           DefaultCase{"ComboCrossKeyStep", 19, 8, "10像素"},
                                           DefaultCase{"ComboTestFont", 1, 0, "大字体"},
                                           DefaultCase{"ComboTestBlock", 72, 0, "0xB0"}));

INSTANTIATE_TEST_SUITE_P(SystemControl, ComboDefaultTest,
                         ::testing::Values(DefaultCase{"ComboDeviceType", 3, 0, "未知型号"},
                                           DefaultCase{"UartPort", 16, 0, "COM1"},
                                           DefaultCase{"UartBaud", 8, 0, "9600"},
                                           DefaultCase{"ComboColumnOffsetEx", 16, 6, "6(缺省)"},
                                           DefaultCase{"ComboColumnOffsetIn", 16, 9, "9(缺省)"},
                                           DefaultCase{"ComboKey1", 2, 0, "低有效"},
                                           DefaultCase{"ComboKey6", 2, 0, "低有效"}));

TEST(AttributeLists, KeepTheirOrder) {
  EXPECT_EQ(zotpx::lists::kColourModes,
            (zotpx::Items{"前景色", "背景色", "前景色加背景边", "背景色加前景边", "透明色",
                          "透明色加前景边", "前景色加透明边", "前景色加透明底"}));
  EXPECT_EQ(zotpx::lists::kPixels, (zotpx::Items{"1像素", "2像素", "3像素", "4像素"}));
  EXPECT_EQ(zotpx::lists::kDeviceTypes, (zotpx::Items{"未知型号", "ZOT-PA", "ZOT-PB"}));
  EXPECT_EQ(zotpx::lists::kBaudRates, (zotpx::Items{"9600", "19200", "38400", "57600", "115200",
                                                    "230400", "345600", "460800"}));
  for (std::size_t i = 0; i < zotpx::lists::kBaudRates.size(); ++i)
    EXPECT_EQ(zotpx::lists::kBaudRates[i], std::to_string(zotpx::kBaudRateList[i]));
}

TEST(AttributeLists, NumberedListsRunEndToEnd) {
  const auto& radius = *FindComboDef("ComboCircleRadius")->items;
  EXPECT_EQ(radius.front(), "5");
  EXPECT_EQ(radius.back(), "127");
  const auto& select = *FindComboDef("ComboCrossSelect")->items;
  EXPECT_EQ(select[8], "图形09");
  EXPECT_EQ(select.back(), "图形20");
  const auto& step = *FindComboDef("ComboCrossKeyStep")->items;
  EXPECT_EQ(step.front(), "2像素");
  EXPECT_EQ(step.back(), "20像素");
  const auto& block = *FindComboDef("ComboTestBlock")->items;
  EXPECT_EQ(block[0x10], "0xC0");
  EXPECT_EQ(block.back(), "0xF7");
  EXPECT_EQ(*FindComboDef("UartPort")->items->rbegin(), "COM16");
}

TEST(AttributeLists, ColumnOffsetsMarkTheEndsAndTheDefault) {
  const zotpx::Items& ex = zotpx::lists::kColumnOffsetEx;
  const zotpx::Items& in = zotpx::lists::kColumnOffsetIn;
  EXPECT_EQ(ex[0], "0(最小)");
  EXPECT_EQ(ex[5], "5");
  EXPECT_EQ(ex[7], "7");
  EXPECT_EQ(ex[9], "9");
  EXPECT_EQ(ex[15], "15(最大)");
  EXPECT_EQ(in[6], "6");
  EXPECT_EQ(in[9], "9(缺省)");
  EXPECT_EQ(in[15], "15(最大)");
}

TEST(AttributeLists, EveryControlIsDefinedOnceWithAValidDefault) {
  std::set<std::string> names;
  for (const zotpx::ComboDef& def : zotpx::AllComboDefs()) {
    EXPECT_TRUE(names.insert(std::string(def.name)).second) << def.name;
    EXPECT_GE(def.default_index, 0) << def.name;
    EXPECT_LT(static_cast<std::size_t>(def.default_index), def.items->size()) << def.name;
  }
  EXPECT_EQ(FindComboDef("ComboNoSuchList"), nullptr);
}

}  // namespace
