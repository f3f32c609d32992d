#include "Foundation/Utf8.h"

#include <gtest/gtest.h>

#include <string>

namespace zelvo {
namespace {

struct Utf8Case {
  const char* name;
  std::string bytes;
  bool valid;
};

class Utf8Validity : public ::testing::TestWithParam<Utf8Case> {};

TEST_P(Utf8Validity, MatchesRfc3629) {
  EXPECT_EQ(isValidUtf8(GetParam().bytes), GetParam().valid) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Table, Utf8Validity,
    ::testing::Values(Utf8Case{"empty", "", true}, Utf8Case{"ascii", "abc", true},
                      Utf8Case{"two_byte", "\xC3\xA9", true}, Utf8Case{"three_byte", "\xE2\x82\xAC", true},
                      Utf8Case{"four_byte", "\xF0\x9F\x98\x80", true}, Utf8Case{"max_code_point", "\xF4\x8F\xBF\xBF", true},
                      Utf8Case{"overlong_nul", "\xC0\x80", false}, Utf8Case{"overlong_three", "\xE0\x80\xAF", false},
                      Utf8Case{"overlong_four", "\xF0\x8F\xBF\xBF", false},
                      Utf8Case{"surrogate", "\xED\xA0\x80", false}, Utf8Case{"above_max", "\xF4\x90\x80\x80", false},
                      Utf8Case{"truncated_three", "\xE2\x82", false}, Utf8Case{"lone_continuation", "\x80", false},
                      Utf8Case{"invalid_lead_f5", "\xF5\x80\x80\x80", false}, Utf8Case{"ff", "\xFF", false},
                      Utf8Case{"valid_then_truncated", "ab\xC3", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Utf8Prefix, CutsOnWholeCharacters) {
  EXPECT_EQ(utf8PrefixLength("abc", 2), 2u);
  EXPECT_EQ(utf8PrefixLength("a\xC3\xA9", 2), 1u);   // é would straddle the cut
  EXPECT_EQ(utf8PrefixLength("a\xC3\xA9", 3), 3u);
  EXPECT_EQ(utf8PrefixLength("ab\xFF" "cd", 16), 2u);  // stops at the first broken sequence
  EXPECT_EQ(utf8PrefixLength("", 16), 0u);
}

}  // namespace
}  // namespace zelvo
