// The preset label sheet as the operator uses it: real key presses, pastes and clicks
// on the sheet shown window-modal over a main window.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <functional>
#include <optional>
#include <string>

#include "Dialogs/DialogHarness.h"
#include "GuiInput.h"
#include "QtPrinters.h"
#include "ViewControllers/SitePanel/PTZPresetLabelWindow.h"

namespace zelvo {
namespace {

using test::Ending;
using test::outlet;

const QString Emoji = QString::fromUtf8("\xF0\x9F\x98\x80");
const QString Kana = QString::fromUtf8("\xE3\x81\x82");

class PresetWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    main_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main_));
    title_ = outlet<QLabel>(window_, "presetTitle");
    field_ = outlet<QLineEdit>(window_, "presetLabelField");
    done_ = outlet<QPushButton>(window_, "doneButton");
    ASSERT_TRUE(title_ && field_ && done_);
  }

  void open(int tag = 1, std::optional<QString> label = std::nullopt) {
    window_.openPresetLabelWindow(&main_, tag, label);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
  }
  void confirm(const QString& label) {
    open();
    test::selectAll(field_);
    test::typeText(field_, label);
    QTest::mouseClick(done_, Qt::LeftButton);
    ASSERT_FALSE(window_.wasCancelled());
  }

  test::MainWindowStandIn main_;
  PTZPresetLabelWindow window_;
  QLabel* title_ = nullptr;
  QLineEdit* field_ = nullptr;
  QPushButton* done_ = nullptr;
};

TEST_F(PresetWindowTest, HeadingShowsTheNumberItIsGiven) {
  open(0 + 1);  // the site panel passes the preset's index plus one
  EXPECT_EQ(title_->text(), "PTZ Preset 1");
  window_.reject();
  open(16);
  EXPECT_EQ(title_->text(), "PTZ Preset 16");
  EXPECT_EQ(window_.windowModality(), Qt::WindowModal);
  EXPECT_EQ(window_.parentWidget(), &main_);
  QTest::mouseClick(main_.button, Qt::LeftButton);
  EXPECT_EQ(main_.clicks, 0);
}

TEST_F(PresetWindowTest, StartsFromTheCurrentLabelOrEmpty) {
  open(1, QString("Gate"));
  EXPECT_EQ(field_->text(), "Gate");
  QTest::keyClicks(field_, "Door");
  window_.reject();
  open(2);
  EXPECT_EQ(field_->text(), "");
}

// The field keeps to 16 bytes of UTF-8 while it is typed in.
struct LiveCutCase {
  const char* name;
  std::optional<QString> label;
  std::function<void(QLineEdit*)> edit;
  QString expected;
};

const LiveCutCase liveCutCases[] = {
    {"TypingTwentyAsciiLettersLeavesTheFirstSixteen", std::nullopt,
     [](QLineEdit* f) { QTest::keyClicks(f, "abcdefghijklmnopqrst"); }, "abcdefghijklmnop"},
    {"SixThreeByteCharactersKeepFive", std::nullopt, [](QLineEdit* f) { test::typeText(f, Kana.repeated(6)); },
     Kana.repeated(5)},
    {"PasteOfTwentyIsCut", std::nullopt, [](QLineEdit* f) { test::paste(f, "abcdefghijklmnopqrst"); },
     "abcdefghijklmnop"},
    {"EmojiEndingAtTheSixteenthByteIsKept", std::nullopt,
     [](QLineEdit* f) { test::typeText(f, QString(12, u'a') + Emoji); }, QString(12, u'a') + Emoji},
    {"EmojiAcrossTheSixteenthByteIsDropped", std::nullopt,
     [](QLineEdit* f) { test::paste(f, QString(13, u'a') + Emoji); }, QString(13, u'a')},
    {"EmbeddedNulInAPasteEndsTheLabel", std::nullopt,
     [](QLineEdit* f) { test::paste(f, QString("ab") + QChar(0) + "cd"); }, "ab"},
    {"TypingAtAFullLabelHasNoEffect", QString("abcdefghijklmnop"),
     [](QLineEdit* f) {
       f->end(false);
       QTest::keyClicks(f, "xyz");
     },
     "abcdefghijklmnop"},
};

// What makes the NUL case above mean something: a paste brings the NUL into a line edit.
TEST(ClipboardPaste, CarriesAnEmbeddedNulIntoALineEdit) {
  QLineEdit plain;
  plain.show();
  test::paste(&plain, QString("ab") + QChar(0) + "cd");
  EXPECT_EQ(plain.text(), QString("ab") + QChar(0) + "cd");
}

class PresetLiveCut : public PresetWindowTest, public ::testing::WithParamInterface<LiveCutCase> {};

TEST_P(PresetLiveCut, KeepsTheFieldWithinSixteenBytes) {
  open(1, GetParam().label);
  field_->end(false);
  GetParam().edit(field_);
  EXPECT_EQ(field_->text(), GetParam().expected);
  EXPECT_LE(field_->text().toUtf8().size(), 16);
}

INSTANTIATE_TEST_SUITE_P(Table, PresetLiveCut, ::testing::ValuesIn(liveCutCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PresetWindowTest, OkConfirmsTheLabel) {
  open(3, QString("Gate"));
  test::selectAll(field_);
  QTest::keyClicks(field_, "Loading dock");
  QSignalSpy finished(&window_, &QDialog::finished);
  QTest::mouseClick(done_, Qt::LeftButton);
  EXPECT_EQ(finished.count(), 1);
  EXPECT_FALSE(window_.isVisible());
  EXPECT_FALSE(window_.wasCancelled());
  EXPECT_EQ(window_.presetLabel(), "Loading dock");
}

TEST_F(PresetWindowTest, ReturnConfirmsTheLabel) {
  open();
  QTest::keyClicks(field_, "Door");
  QTest::keyClick(field_, Qt::Key_Return);
  EXPECT_FALSE(window_.isVisible());
  EXPECT_FALSE(window_.wasCancelled());
  EXPECT_EQ(window_.presetLabel(), "Door");
}

TEST_F(PresetWindowTest, ALabelGivenLongerThanTheFieldIsCut) {
  open(1, QString("abcdefghijklmnopqrst"));
  EXPECT_EQ(field_->text(), "abcdefghijklmnop");
  QTest::mouseClick(done_, Qt::LeftButton);
  EXPECT_EQ(window_.presetLabel(), "abcdefghijklmnop");
}

class PresetEnding : public PresetWindowTest, public ::testing::WithParamInterface<Ending> {};

// Every way of closing cancels, every time, and leaves the last confirmed label: twice
// in a row from a fresh sheet, and twice after a run ended by OK.
TEST_P(PresetEnding, CancelsEveryTimeAndKeepsTheLabel) {
  for (int run = 0; run < 5; ++run) {
    SCOPED_TRACE(run);
    if (run == 2) {
      confirm("Gate");
      continue;
    }
    open();
    QTest::keyClicks(field_, "Door");
    QSignalSpy finished(&window_, &QDialog::finished);
    test::endRun(window_, GetParam());
    EXPECT_EQ(finished.count(), 1);
    EXPECT_FALSE(window_.isVisible());
    EXPECT_TRUE(window_.wasCancelled());
    EXPECT_EQ(window_.presetLabel(), run < 2 ? "" : "Gate");
  }
}

INSTANTIATE_TEST_SUITE_P(Table, PresetEnding, test::allEndings,
                         [](const auto& info) { return test::endingName(info.param); });

// A second close by the window system must end the blocking run too, not leave an
// invisible modal run behind.
TEST_F(PresetWindowTest, ShowBlocksUntilTheSheetEndsEveryTime) {
  QTimer guard;  // ends a run that the operator's steps failed to end
  QObject::connect(&guard, &QTimer::timeout, &window_, &QDialog::reject);
  guard.start(20000);
  QTimer::singleShot(0, &window_, [&] {
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
    test::selectAll(field_);
    QTest::keyClicks(field_, "Gate");
    QTest::mouseClick(done_, Qt::LeftButton);
  });
  window_.showPresetLabelWindow(&main_, 1, QString("Old"));
  EXPECT_FALSE(window_.wasCancelled());
  EXPECT_EQ(window_.presetLabel(), "Gate");

  for (int close = 0; close < 2; ++close) {
    SCOPED_TRACE(close);
    bool closed = false;
    QTimer::singleShot(0, &window_, [&] {
      ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
      QTest::keyClicks(field_, "Door");
      test::endRun(window_, Ending::WindowSystemClose);
      closed = true;
    });
    window_.showPresetLabelWindow(&main_, 2, std::nullopt);
    EXPECT_TRUE(closed);
    EXPECT_TRUE(window_.wasCancelled());
    EXPECT_EQ(window_.presetLabel(), "Gate");
  }
  EXPECT_TRUE(guard.isActive());  // the runs ended by themselves
}

}  // namespace
}  // namespace zelvo
