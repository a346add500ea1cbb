// The integer rule every edit box goes through: spaces, sign, decimal or prefixed hex, 32 bits.
#include "base/integer_rule.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

struct Case {
  const char* text;
  std::optional<int> value;
};

class ParseIntegerTest : public ::testing::TestWithParam<Case> {};

TEST_P(ParseIntegerTest, GivesTheValueOrRefuses) {
  const Case& c = GetParam();
  EXPECT_EQ(zotpx::ParseInteger(c.text), c.value) << '"' << c.text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Accepted, ParseIntegerTest,
    ::testing::Values(Case{"0", 0}, Case{"383", 383}, Case{"007", 7}, Case{"   42", 42},
                      Case{"+5", 5}, Case{"-1", -1}, Case{"  -12", -12}, Case{"$FF", 255},
                      Case{"$ff", 255}, Case{"xA", 10}, Case{"X1f", 31}, Case{"0x10", 16},
                      Case{"0X7F", 127}, Case{"-$10", -16}, Case{"+0x2", 2},
                      Case{"2147483647", 2147483647}, Case{"-2147483648", -2147483647 - 1},
                      Case{"$7FFFFFFF", 2147483647}, Case{"-$80000000", -2147483647 - 1},
                      Case{"00000000000000000000001", 1}));

INSTANTIATE_TEST_SUITE_P(
    Refused, ParseIntegerTest,
    ::testing::Values(
        Case{"", std::nullopt}, Case{" ", std::nullopt}, Case{"   ", std::nullopt},
        Case{"+", std::nullopt}, Case{"-", std::nullopt}, Case{"$", std::nullopt},
        Case{"0x", std::nullopt}, Case{"x", std::nullopt}, Case{"12 ", std::nullopt},
        Case{"1 2", std::nullopt}, Case{"- 1", std::nullopt}, Case{"\t1", std::nullopt},
        Case{"1a", std::nullopt}, Case{"FF", std::nullopt}, Case{"$FG", std::nullopt},
        Case{"$-5", std::nullopt}, Case{"0x-5", std::nullopt}, Case{"--1", std::nullopt},
        Case{"1.5", std::nullopt}, Case{"0b101", std::nullopt}, Case{"１", std::nullopt},
        Case{"$$1", std::nullopt}, Case{"0xx1", std::nullopt},
        // beyond 32 bits
        Case{"2147483648", std::nullopt}, Case{"-2147483649", std::nullopt},
        Case{"$80000000", std::nullopt}, Case{"$FFFFFFFF", std::nullopt},
        Case{"99999999999999999999", std::nullopt}, Case{"0x100000000", std::nullopt}));

TEST(IntegerRule, RefusesAnEmbeddedZeroByte) {
  EXPECT_EQ(zotpx::ParseInteger(std::string("12\0", 3)), std::nullopt);
}

}  // namespace
