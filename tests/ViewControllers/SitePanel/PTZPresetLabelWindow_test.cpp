// Cutting a preset label to the recorder's 16-byte field on whole UTF-8 characters.
#include <gtest/gtest.h>

#include <QString>
#include <string>

#include "QtPrinters.h"
#include "ViewControllers/SitePanel/PTZPresetLabelWindow.h"

namespace zelvo {
namespace {

struct CutCase {
  const char* name;
  QString text;
  int bytes;
  QString expected;
};

const QString Emoji = QString::fromUtf8("\xF0\x9F\x98\x80");  // 4 bytes, two UTF-16 units
const QString Kana = QString::fromUtf8("\xE3\x81\x82");        // 3 bytes
const QString EAcute = QString::fromUtf8("\xC3\xA9");          // 2 bytes
const QString Euro = QString::fromUtf8("\xE2\x82\xAC");        // 3 bytes

class Utf8Cut : public ::testing::TestWithParam<CutCase> {};

TEST_P(Utf8Cut, KeepsTheLongestPrefixOfWholeCharacters) {
  const CutCase& c = GetParam();
  const QString cut = PTZPresetLabelWindow::UTF8String(c.text, c.bytes);
  EXPECT_EQ(cut, c.expected);
  EXPECT_LE(cut.toUtf8().size(), c.bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Utf8Cut,
    ::testing::Values(
        CutCase{"Empty", "", 16, ""}, CutCase{"TwentyAsciiLetters", "abcdefghijklmnopqrst", 16, "abcdefghijklmnop"},
        CutCase{"SixteenAsciiLettersWhole", "abcdefghijklmnop", 16, "abcdefghijklmnop"},
        CutCase{"SixThreeByteCharactersKeepFive", Kana.repeated(6), 16, Kana.repeated(5)},
        CutCase{"EightTwoByteCharactersFillSixteen", EAcute.repeated(8), 16, EAcute.repeated(8)},
        CutCase{"NineTwoByteCharactersKeepEight", EAcute.repeated(9), 16, EAcute.repeated(8)},
        CutCase{"EmojiEndingAtTheSixteenthByteIsKept", QString(12, u'a') + Emoji, 16, QString(12, u'a') + Emoji},
        CutCase{"EmojiAcrossTheSixteenthByteIsDropped", QString(13, u'a') + Emoji, 16, QString(13, u'a')},
        CutCase{"EmojiAfterFourteenAscii", QString(14, u'a') + Emoji, 16, QString(14, u'a')},
        CutCase{"EmojiAtTheSixteenthByteOfALongerLabel", QString(12, u'a') + Emoji + "bcd", 16,
                QString(12, u'a') + Emoji},
        CutCase{"EmbeddedNulEndsTheLabel", QString("ab") + QChar(0) + "cd", 16, "ab"},
        CutCase{"NulFirst", QString(QChar(0)) + "abc", 16, ""},
        CutCase{"LoneHighSurrogateEndsTheLabel", QString("ab") + QChar(0xD800) + "cd", 16, "ab"},
        CutCase{"LoneLowSurrogateEndsTheLabel", QString("ab") + QChar(0xDC00) + "cd", 16, "ab"},
        CutCase{"ZeroBytes", "abc", 0, ""}, CutCase{"ThreeByteCharacterInThree", Euro, 3, Euro},
        CutCase{"ThreeByteCharacterInTwo", Euro, 2, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Utf8CutDeathTest, NegativeSizeIsAProgrammingError) {
  EXPECT_DEATH(PTZPresetLabelWindow::UTF8String("abc", -1), "firstBytes >= 0");
}

}  // namespace
}  // namespace zelvo
