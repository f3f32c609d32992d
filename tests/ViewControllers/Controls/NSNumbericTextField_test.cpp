// The integer field's reading of a text: the leading integer, saturating at 32 bits.
#include <gtest/gtest.h>

#include <QString>
#include <limits>

#include "ViewControllers/Controls/NSNumbericTextField.h"

namespace zelvo {
namespace {

struct IntegerCase {
  const char* name;
  QString text;
  int value;
};

class IntegerValue : public ::testing::TestWithParam<IntegerCase> {};

TEST_P(IntegerValue, ReadsTheLeadingInteger) {
  EXPECT_EQ(NSNumbericTextField::integerValue(GetParam().text), GetParam().value) << GetParam().name;
}

constexpr int Max = std::numeric_limits<int>::max();
constexpr int Min = std::numeric_limits<int>::min();

INSTANTIATE_TEST_SUITE_P(
    Table, IntegerValue,
    ::testing::Values(IntegerCase{"empty", "", 0}, IntegerCase{"letters", "abc", 0}, IntegerCase{"zero", "0", 0},
                      IntegerCase{"leading_zero", "0123", 123}, IntegerCase{"negative", "-5", -5},
                      IntegerCase{"plus", "+7", 7}, IntegerCase{"blanks_first", "  42", 42},
                      IntegerCase{"tab_then_negative", "\t-3x", -3}, IntegerCase{"digits_then_letter", "10101a", 10101},
                      IntegerCase{"exponent_is_not_read", "1e5", 1}, IntegerCase{"sign_alone", "-", 0},
                      IntegerCase{"blank_after_sign", "- 5", 0}, IntegerCase{"two_signs", "+-5", 0},
                      IntegerCase{"max", "2147483647", Max}, IntegerCase{"past_max", "2147483648", Max},
                      IntegerCase{"min", "-2147483648", Min}, IntegerCase{"past_min", "-2147483649", Min},
                      IntegerCase{"eleven_nines", "99999999999", Max},
                      IntegerCase{"many_digits", QString(400, u'9'), Max},
                      IntegerCase{"many_negative_digits", "-" + QString(400, u'9'), Min},
                      IntegerCase{"other_script_digits", QString::fromUtf8("\xD9\xA3"), 0},
                      IntegerCase{"full_width_digit", QString::fromUtf8("\xEF\xBC\x95"), 0}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zelvo
