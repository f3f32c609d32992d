// The integer field with real key presses and clipboard pastes: on every edit and at the
// end of editing its text becomes the leading integer, or the last accepted value.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <functional>
#include <string>

#include "GuiInput.h"
#include "QtPrinters.h"
#include "ViewControllers/Controls/NSNumbericTextField.h"

namespace zelvo {
namespace {

struct IntegerFieldCase {
  const char* name;
  QString start;  // given by the program, as the dialogs fill the field
  std::function<void(NSNumbericTextField*)> edit;
  QString expected;
  int lastValue;
};

void typeAtEnd(NSNumbericTextField* field, const char* keys) {
  field->end(false);
  QTest::keyClicks(field, keys);
}

const IntegerFieldCase integerCases[] = {
    {"LetterAfterTheNumberIsDropped", "10101", [](auto* f) { typeAtEnd(f, "a"); }, "10101", 10101},
    {"DeletingAllTextShowsZero", "10101", [](auto* f) { test::eraseAll(f); }, "0", 0},
    {"TenDigitsOneByOneIntoAnEmptiedFieldKeepTheFirstEight", "10101",
     [](auto* f) {
       test::eraseAll(f);
       typeAtEnd(f, "1234567890");
     },
     "12345678", 12345678},
    {"LeadingZeroIsDropped", "", [](auto* f) { typeAtEnd(f, "0123"); }, "123", 123},
    {"NegativeNumberStays", "", [](auto* f) { test::paste(f, "-5"); }, "-5", -5},
    {"BlanksAndPlusSignAreDropped", "", [](auto* f) { test::paste(f, " +12"); }, "12", 12},
    {"TextBeginningWithALetterShowsTheLastValue", "7",
     [](auto* f) {
       test::selectAll(f);
       QTest::keyClicks(f, "x");
     },
     "7", 7},
    {"TextBeginningWithALetterShowsZeroWithoutALastValue", "", [](auto* f) { typeAtEnd(f, "x"); }, "0", 0},
    {"LongPasteIntoAFieldStartedEmptyKeepsTheLongNumber", "", [](auto* f) { test::paste(f, "1234567890"); },
     "1234567890", 1234567890},
    {"LongPasteOverALastValueFallsBackToIt", "10101",
     [](auto* f) {
       test::selectAll(f);
       test::paste(f, "1234567890");
     },
     "10101", 10101},
    {"PastePastThirtyTwoBitsSaturates", "", [](auto* f) { test::paste(f, "99999999999"); }, "2147483647",
     2147483647},
    {"NegativePastePastThirtyTwoBitsSaturates", "", [](auto* f) { test::paste(f, "-99999999999"); },
     "-2147483648", -2147483647 - 1},
    {"EndOfEditingReadsTheProgramsText", "0042abc", [](auto* f) { QTest::keyClick(f, Qt::Key_Return); }, "42",
     42},
    {"EndOfEditingOfTextWithoutANumberShowsZero", "abc", [](auto* f) { QTest::keyClick(f, Qt::Key_Return); },
     "0", 0},
};

class IntegerField : public ::testing::TestWithParam<IntegerFieldCase> {};

TEST_P(IntegerField, KeepsOnlyAnInteger) {
  const IntegerFieldCase& c = GetParam();
  NSNumbericTextField field;
  field.setMaxStringCount(8);
  field.show();
  field.setStoredText(c.start);
  c.edit(&field);
  EXPECT_EQ(field.text(), c.expected);
  EXPECT_EQ(field.lastValue(), c.lastValue);
}

INSTANTIATE_TEST_SUITE_P(Table, IntegerField, ::testing::ValuesIn(integerCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(IntegerField, EachDigitPastTheLimitRevertsToTheFirstEight) {
  NSNumbericTextField field;
  field.setMaxStringCount(8);
  field.show();
  test::eraseAll(&field);
  QTest::keyClicks(&field, "12345678");
  QSignalSpy changes(&field, &QLineEdit::textChanged);
  for (const char* digit : {"9", "0"}) {
    QTest::keyClicks(&field, digit);
    EXPECT_EQ(field.text(), "12345678");
    EXPECT_EQ(field.cursorPosition(), 8);
  }
  EXPECT_GT(changes.count(), 0);
}

TEST(IntegerField, AnotherTypeLeavesTheTextAlone) {
  NSNumbericTextField field;
  field.setMaxStringCount(8);
  field.setType("text");
  field.show();
  QTest::keyClicks(&field, "ab1");
  QTest::keyClick(&field, Qt::Key_Return);
  EXPECT_EQ(field.text(), "ab1");
}

TEST(IntegerField, ALastValueFromAnEarlierEditGoesWithTheNextTextOfTheProgram) {
  // The dialogs reuse their fields: a new run's text, not the old run's typing, is what a
  // refused edit returns to.
  NSNumbericTextField field;
  field.setMaxStringCount(8);
  field.show();
  test::paste(&field, "8000");
  field.setStoredText("10101");
  test::selectAll(&field);
  QTest::keyClicks(&field, "x");
  EXPECT_EQ(field.text(), "10101");
  EXPECT_EQ(field.lastValue(), 10101);
}

TEST(IntegerFieldDeathTest, NegativeLimitIsAProgrammingError) {
  EXPECT_DEATH(
      {
        NSNumbericTextField field;
        field.setMaxStringCount(-1);
      },
      "count >= 0");
}

}  // namespace
}  // namespace zelvo
