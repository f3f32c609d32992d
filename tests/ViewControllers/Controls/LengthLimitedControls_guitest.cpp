// The length-limited fields and the combo box with real key presses and clipboard pastes:
// an edit past the limit, counted in UTF-16 units, is refused whole and signals nothing.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <functional>
#include <memory>
#include <string>

#include "GuiInput.h"
#include "QtPrinters.h"
#include "ViewControllers/Controls/NSCustomComboBox.h"
#include "ViewControllers/Controls/NSCustomSecureTextField.h"
#include "ViewControllers/Controls/NSCustomTextField.h"

namespace zelvo {
namespace {

enum class Kind { TextField, SecureTextField, ComboBox };

// One control of the given kind, with what the cases need of it.
struct LimitedControl {
  explicit LimitedControl(Kind kind) {
    switch (kind) {
      case Kind::TextField:
      case Kind::SecureTextField: {
        auto* field = kind == Kind::TextField ? new NSCustomTextField : new NSCustomSecureTextField;
        widget.reset(field);
        edit = field;
        setLimit = [field](qint64 limit) { field->setMaxStringCount(limit); };
        setStoredText = [field](const QString& text) { field->setStoredText(text); };
        break;
      }
      case Kind::ComboBox: {
        auto* combo = new NSCustomComboBox;
        widget.reset(combo);
        edit = combo->lineEdit();
        setLimit = [combo](qint64 limit) { combo->setMaxStringCount(limit); };
        setStoredText = [combo](const QString& text) { combo->setStoredText(text); };
        break;
      }
    }
    widget->show();
  }

  std::unique_ptr<QWidget> widget;
  QLineEdit* edit = nullptr;
  std::function<void(qint64)> setLimit;
  std::function<void(const QString&)> setStoredText;
};

std::string kindName(Kind kind) {
  switch (kind) {
    case Kind::TextField: return "TextField";
    case Kind::SecureTextField: return "SecureTextField";
    case Kind::ComboBox: return "ComboBox";
  }
  return "";
}

const QString Twenty = QStringLiteral("abcdefghijklmnopqrst");
const QString Emoji = QString::fromUtf8("\xF0\x9F\x98\x80");  // two UTF-16 units

struct LimitCase {
  const char* name;
  std::optional<qint64> limit;  // none: never set
  QString start;                // put in by the program before the edit
  std::function<void(QLineEdit*)> edit;
  QString expected;
  int changes;  // textChanged signals of the edit
};

const LimitCase limitCases[] = {
    {"PasteOfTwentyIntoThreeIsRefused", 16, "abc",
     [](QLineEdit* e) { test::paste(e, Twenty); }, "abc", 0},
    {"PasteThatFillsTheLimitIsAccepted", 16, "", [](QLineEdit* e) { test::paste(e, Twenty.left(16)); },
     Twenty.left(16), 1},
    {"TypingStopsAtTheLimit", 5, "", [](QLineEdit* e) { QTest::keyClicks(e, "abcdefg"); }, "abcde", 5},
    {"LimitNeverSetRefusesTyping", std::nullopt, "", [](QLineEdit* e) { QTest::keyClicks(e, "a"); }, "", 0},
    {"LimitNeverSetRefusesAPaste", std::nullopt, "", [](QLineEdit* e) { test::paste(e, "ab"); }, "", 0},
    {"LimitZeroRefusesTyping", 0, "", [](QLineEdit* e) { QTest::keyClicks(e, "a"); }, "", 0},
    {"AstralCharacterUsesTwoUnits", 3, "ab", [](QLineEdit* e) { test::paste(e, Emoji); }, "ab", 0},
    {"AstralCharacterFitsInTwoUnits", 4, "ab", [](QLineEdit* e) { test::paste(e, Emoji); }, "ab" + Emoji, 1},
    {"ReplacingTheSelectionWithinTheLimit", 5, "abcde",
     [](QLineEdit* e) {
       test::selectAll(e);
       test::paste(e, "xyz");
     },
     "xyz", 1},
    {"DeletingIsAlwaysWithinTheLimit", 5, "abcde", [](QLineEdit* e) { QTest::keyClick(e, Qt::Key_Backspace); },
     "abcd", 1},
    // A stored text longer than the limit may only shrink: Qt cannot take back a deletion
    // in a password field, so refusing one there would change the text unseen.
    {"StoredTextOverTheLimitRefusesTyping", 5, "abcdefgh", [](QLineEdit* e) { QTest::keyClicks(e, "x"); },
     "abcdefgh", 0},
    {"StoredTextOverTheLimitRefusesAReplacementOfTheSameLength", 5, "abcdefgh",
     [](QLineEdit* e) {
       QTest::keyClick(e, Qt::Key_Left, Qt::ShiftModifier);
       QTest::keyClicks(e, "x");
     },
     "abcdefgh", 0},
    {"StoredTextOverTheLimitTakesADeletion", 5, "abcdefgh",
     [](QLineEdit* e) { QTest::keyClick(e, Qt::Key_Backspace); }, "abcdefg", 1},
    {"StoredTextOverTheLimitCannotGrowBackAfterADeletion", 5, "abcdefgh",
     [](QLineEdit* e) {
       QTest::keyClick(e, Qt::Key_Backspace);
       QTest::keyClicks(e, "h");
     },
     "abcdefg", 1},
    {"StoredTextOverTheLimitTakesAReplacementWithin", 5, "abcdefgh",
     [](QLineEdit* e) {
       test::selectAll(e);
       QTest::keyClicks(e, "a");
     },
     "a", 1},
};

class LengthLimitedControl : public ::testing::TestWithParam<std::tuple<Kind, LimitCase>> {};

TEST_P(LengthLimitedControl, RefusesEditsPastTheLimit) {
  const auto& [kind, c] = GetParam();
  LimitedControl control(kind);
  if (c.limit) control.setLimit(*c.limit);
  control.setStoredText(c.start);
  control.edit->setCursorPosition(static_cast<int>(c.start.size()));
  QSignalSpy changes(control.edit, &QLineEdit::textChanged);
  QSignalSpy edits(control.edit, &QLineEdit::textEdited);

  c.edit(control.edit);

  EXPECT_EQ(control.edit->text(), c.expected);
  EXPECT_EQ(changes.count(), c.changes);
  EXPECT_EQ(edits.count(), c.changes);
}

INSTANTIATE_TEST_SUITE_P(Table, LengthLimitedControl,
                         ::testing::Combine(::testing::Values(Kind::TextField, Kind::SecureTextField, Kind::ComboBox),
                                            ::testing::ValuesIn(limitCases)),
                         [](const auto& info) {
                           return kindName(std::get<0>(info.param)) + "_" + std::get<1>(info.param).name;
                         });

TEST(LengthLimitedControl, ComboBoxSignalsItsOwnTextChangeOnlyForAcceptedEdits) {
  NSCustomComboBox combo;
  combo.setMaxStringCount(4);
  combo.show();
  QSignalSpy changes(&combo, &QComboBox::editTextChanged);
  QTest::keyClicks(combo.lineEdit(), "abcdef");
  EXPECT_EQ(combo.currentText(), "abcd");
  EXPECT_EQ(changes.count(), 4);
}

TEST(LengthLimitedControl, ComboBoxNeverAddsTheTypedTextToItsList) {
  NSCustomComboBox combo;
  combo.setMaxStringCount(32);
  combo.show();
  QTest::keyClicks(combo.lineEdit(), "admin");
  QTest::keyClick(combo.lineEdit(), Qt::Key_Return);
  EXPECT_EQ(combo.count(), 0);
  EXPECT_EQ(combo.currentText(), "admin");
}

TEST(LengthLimitedControl, SecureFieldHidesItsTextAndOffersNoCopy) {
  NSCustomSecureTextField field;
  field.setMaxStringCount(16);
  field.show();
  QTest::keyClicks(&field, "secret");
  EXPECT_EQ(field.echoMode(), QLineEdit::Password);
  EXPECT_NE(field.displayText(), "secret");
  test::ClipboardLock lock;
  QGuiApplication::clipboard()->setText("before");
  test::selectAll(&field);
  QTest::keySequence(&field, QKeySequence::Copy);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "before");
  QTest::keySequence(&field, QKeySequence::Cut);  // deletes, copies nothing
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "before");
}

TEST(LengthLimitedControlDeathTest, NegativeLimitIsAProgrammingError) {
  EXPECT_DEATH(
      {
        NSCustomTextField field;
        field.setMaxStringCount(-1);
      },
      "limit >= 0");
  EXPECT_DEATH(
      {
        NSCustomComboBox combo;
        combo.setMaxStringCount(-1);
      },
      "limit >= 0");
}

}  // namespace
}  // namespace zelvo
