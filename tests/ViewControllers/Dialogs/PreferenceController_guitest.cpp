// The preferences window under a real X server, driven by key and mouse events on its
// own widgets, over a real user file.
#include "ViewControllers/Dialogs/PreferenceController.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include "Foundation/NotificationCenter.h"
#include "ViewControllers/Dialogs/GeneralView.h"
#include "ViewControllers/Controls/NSNumbericTextField.h"
#include "ViewControllers/Controls/Stepper.h"
#include "support/Wait.h"
#include "tests/ViewControllers/Dialogs/PreferenceFixture.h"

namespace zelvo {
namespace {

using test::AspectKey;
using test::FlagKey;
using test::IntervalKey;
using test::SequenceKey;

// The preference notifications the controller posts, in order.
class PostedPreferences {
 public:
  explicit PostedPreferences(const PreferenceController& controller) {
    for (const std::string& name :
         {PreferenceSequenceNotification, PreferenceAutoReconnectNotification, PreferenceAspectRatioNotification})
      observations_.emplace_back(NotificationCenter::defaultCenter(), name, &controller,
                                 [this](const Notification& n) { posted_.push_back(n); });
  }
  const std::vector<Notification>& posted() const { return posted_; }
  std::vector<std::string> names() const {
    std::vector<std::string> names;
    for (const Notification& n : posted_) names.push_back(n.name);
    return names;
  }
  const Notification& last() const { return posted_.back(); }
  void clear() { posted_.clear(); }

 private:
  std::vector<Observation> observations_;
  std::vector<Notification> posted_;
};

// The value a notification carries under a preference key; invalid when absent.
QVariant carried(const Notification& n, const QString& key) {
  const auto* value = n.get<QVariant>(key.toStdString());
  return value ? *value : QVariant();
}

// An integer as the property list holds it, not a text or a real that reads as one.
bool isInteger(const QVariant& value, qint64 expected) {
  return value.typeId() == QMetaType::LongLong && value.toLongLong() == expected;
}

std::optional<PropertyListValue> stored(const test::PreferenceFolder& folder, const QString& key) {
  const PropertyListValue root = folder.onDisk();
  const PropertyListValue* value = root.value(key);
  return value ? std::optional(*value) : std::nullopt;
}

PropertyListValue integer(qint64 v) { return PropertyListValue::integer(v); }

class PreferenceWindow : public ::testing::Test {
 protected:
  // The user's file: the foreign keys and these four values.
  void writeUserFile(qint64 sequence, qint64 flag, qint64 interval, qint64 aspect) {
    PropertyListValue root = test::foreignValues();
    root.setValue(SequenceKey, integer(sequence));
    root.setValue(FlagKey, integer(flag));
    root.setValue(IntervalKey, integer(interval));
    root.setValue(AspectKey, integer(aspect));
    folder_.write(root);
  }

  PreferenceController& open() {
    controller_ = std::make_unique<PreferenceController>(folder_.file());
    posted_ = std::make_unique<PostedPreferences>(*controller_);
    controller_->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(controller_.get()));
    // Active for this process only: asking the X server for the focus would take it
    // from the windows of tests running beside this one (and theirs from this one),
    // and a field that loses the focus ends its editing.
    QApplication::setActiveWindow(controller_.get());
    EXPECT_EQ(QApplication::activeWindow(), controller_.get());
    return *controller_;
  }

  GeneralView* pane() { return controller_->generalView(); }

  // Clicks into the field, replaces its text by typing, and ends with Return.
  static void typeInto(QLineEdit* field, const QString& text, bool commit = true) {
    QTest::mouseClick(field, Qt::LeftButton);
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    if (text.isEmpty())
      QTest::keyClick(field, Qt::Key_Backspace);
    else
      QTest::keyClicks(field, text);
    if (commit) QTest::keyClick(field, Qt::Key_Return);
  }

  // The foreign keys are on disk as they were written.
  void expectForeignKeysKept(const char* after) {
    const PropertyListValue root = folder_.onDisk();
    const PropertyListValue foreign = test::foreignValues();
    for (const QString& key : foreign.keys()) {
      const PropertyListValue* value = root.value(key);
      ASSERT_NE(value, nullptr) << key.toStdString() << " after " << after;
      EXPECT_TRUE(*value == *foreign.value(key)) << key.toStdString() << " after " << after;
    }
  }

  test::PreferenceFolder folder_;
  std::unique_ptr<PreferenceController> controller_;
  std::unique_ptr<PostedPreferences> posted_;
};

TEST_F(PreferenceWindow, ReadersNeedNoWindow) {
  writeUserFile(25, 0, 40, 0);
  PreferenceController controller(folder_.file());
  EXPECT_EQ(controller.findChild<GeneralView*>(), nullptr) << "the form loads when the window is first shown";
  EXPECT_EQ(controller.sequenceInterval(), 25);
  EXPECT_FALSE(controller.autoReconnectFlag());
  EXPECT_EQ(controller.autoReconnectInterval(), 40.0);
  EXPECT_FALSE(controller.aspectRatio());
  EXPECT_TRUE(isInteger(controller.preferenceValueForKey(SequenceKey), 25));
  EXPECT_EQ(controller.preferenceValueForKey("CFBundleName"), QVariant(QStringLiteral("Zelvo")));
  EXPECT_FALSE(controller.preferenceValueForKey("No Such Key").isValid());
  // The wall's view reads its preference through the same controller.
  const VideoViewPreferences& wall = controller;
  EXPECT_TRUE(isInteger(wall.preferenceValueForKey(PreferenceAspectRatioKey), 0));
}

TEST_F(PreferenceWindow, TheWallsReadersNeverSeeAnUncheckedInterval) {
  // A hand-edited file: the wall reads the reconnection interval as a double and hands
  // it to the reconnecter's timer, and the flags as "integer is 1".
  PropertyListValue root = PropertyListValue::dictionary();
  root.setValue(SequenceKey, PropertyListValue::integer(0));
  root.setValue(FlagKey, PropertyListValue::real(1.0));
  root.setValue(IntervalKey, PropertyListValue::string("fast"));
  root.setValue(AspectKey, PropertyListValue::integer(7));
  folder_.write(root);
  PreferenceController controller(folder_.file());
  const VideoViewPreferences& wall = controller;
  EXPECT_TRUE(isInteger(wall.preferenceValueForKey(SequenceKey), 5));
  EXPECT_EQ(wall.preferenceValueForKey(FlagKey).toInt(), 1);
  EXPECT_EQ(wall.preferenceValueForKey(IntervalKey).typeId(), QMetaType::Double);
  EXPECT_EQ(wall.preferenceValueForKey(IntervalKey).toDouble(), 10.0);
  EXPECT_EQ(wall.preferenceValueForKey(AspectKey).toInt(), 0);
}

TEST_F(PreferenceWindow, ShowsTheGeneralPaneWithItsToolbarItemSelected) {
  PreferenceController& controller = open();
  EXPECT_EQ(controller.windowTitle(), "General");
  EXPECT_EQ(pane()->title(), "General");
  EXPECT_EQ(controller.centralWidget(), pane());
  auto* item = controller.findChild<QAction*>("TOOLBAR_GENERAL");
  ASSERT_NE(item, nullptr);
  EXPECT_TRUE(item->isChecked());
  auto* toolbar = controller.findChild<QToolBar*>();
  ASSERT_NE(toolbar, nullptr);
  QWidget* button = toolbar->widgetForAction(item);
  ASSERT_NE(button, nullptr);
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_TRUE(item->isChecked()) << "the one pane stays selected";
  EXPECT_EQ(controller.windowTitle(), "General");
  EXPECT_TRUE(posted_->posted().empty());
}

TEST_F(PreferenceWindow, LoadsTheStoredValues) {
  writeUserFile(25, 0, 40, 0);
  open();
  EXPECT_EQ(pane()->sequenceIntervalField()->text(), "25");
  EXPECT_EQ(pane()->sequenceIntervalStepper()->value(), 25);
  EXPECT_FALSE(pane()->autoReconnectCheckBox()->isChecked());
  EXPECT_EQ(pane()->autoReconnectIntervalField()->text(), "40");
  EXPECT_EQ(pane()->autoReconnectIntervalStepper()->value(), 40);
  EXPECT_FALSE(pane()->autoReconnectIntervalField()->isEnabled()) << "reconnection is off";
  EXPECT_FALSE(pane()->aspectRatioCheckBox()->isChecked());
  EXPECT_EQ(pane()->sequenceIntervalField()->maxStringCount(), 2);
  EXPECT_EQ(pane()->autoReconnectIntervalField()->maxStringCount(), 2);
}

TEST_F(PreferenceWindow, LoadsTheDefaultsWithoutAUserFile) {
  open();
  EXPECT_EQ(pane()->sequenceIntervalField()->text(), "10");
  EXPECT_EQ(pane()->sequenceIntervalStepper()->value(), 10);
  EXPECT_TRUE(pane()->autoReconnectCheckBox()->isChecked());
  EXPECT_EQ(pane()->autoReconnectIntervalField()->text(), "10");
  EXPECT_TRUE(pane()->autoReconnectIntervalField()->isEnabled());
  EXPECT_TRUE(pane()->aspectRatioCheckBox()->isChecked());
  EXPECT_FALSE(QFile::exists(folder_.userPath())) << "showing the window writes nothing";
}

TEST_F(PreferenceWindow, HandEditedValuesShowClampedOrAsTheDefault) {
  PropertyListValue root = PropertyListValue::dictionary();
  root.setValue(SequenceKey, integer(99));
  root.setValue(IntervalKey, PropertyListValue::string("soon"));
  folder_.write(root);
  open();
  EXPECT_EQ(pane()->sequenceIntervalField()->text(), "60");
  EXPECT_EQ(pane()->sequenceIntervalStepper()->value(), 60);
  EXPECT_EQ(pane()->autoReconnectIntervalField()->text(), "10");
  EXPECT_EQ(pane()->autoReconnectIntervalStepper()->value(), 10);
}

// Typed text against the stepper's value: what the field shows, what is stored and what
// is announced, for both interval fields.
struct TypedCase {
  const char* name;
  int stepper;  // the stored value the window opened with
  const char* typed;
  const char* field;
  int value;  // stored and announced
};

class PreferenceValidation : public PreferenceWindow,
                             public ::testing::WithParamInterface<std::tuple<bool, TypedCase>> {};

TEST_P(PreferenceValidation, TypedTextIsStoredOrReplacedByTheStepper) {
  const auto& [reconnection, c] = GetParam();
  writeUserFile(c.stepper, 1, c.stepper, 1);
  open();
  NSNumbericTextField* field =
      reconnection ? pane()->autoReconnectIntervalField() : pane()->sequenceIntervalField();
  Stepper* stepper = reconnection ? pane()->autoReconnectIntervalStepper() : pane()->sequenceIntervalStepper();
  typeInto(field, QString::fromUtf8(c.typed));

  EXPECT_EQ(field->text(), QString::fromUtf8(c.field));
  EXPECT_EQ(stepper->value(), c.value);
  const QString key = reconnection ? IntervalKey : SequenceKey;
  EXPECT_TRUE(stored(folder_, key) == integer(c.value));
  ASSERT_EQ(posted_->names(), std::vector<std::string>{reconnection ? PreferenceAutoReconnectNotification
                                                                      : PreferenceSequenceNotification});
  EXPECT_TRUE(isInteger(carried(posted_->last(), key), c.value));
  if (reconnection) {
    EXPECT_TRUE(isInteger(carried(posted_->last(), FlagKey), 1));
  }
  expectForeignKeysKept(c.name);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PreferenceValidation,
    ::testing::Combine(::testing::Bool(),
                       ::testing::Values(TypedCase{"ThreeWithTheStepperAtTen", 10, "3", "10", 10},
                                         TypedCase{"Sixty", 10, "60", "60", 60},
                                         TypedCase{"Five", 10, "5", "5", 5},
                                         TypedCase{"SixtyOne", 10, "61", "10", 10},
                                         TypedCase{"FourWithTheStepperAtSeven", 7, "4", "7", 7},
                                         TypedCase{"Zero", 10, "0", "10", 10},
                                         TypedCase{"Negative", 30, "-5", "30", 30},
                                         TypedCase{"Emptied", 10, "", "10", 10},
                                         TypedCase{"Letters", 10, "ab", "10", 10})),
    [](const ::testing::TestParamInfo<std::tuple<bool, TypedCase>>& info) {
      return std::string(std::get<0>(info.param) ? "Reconnection" : "Sequence") + std::get<1>(info.param).name;
    });

struct StepperCase {
  const char* name;
  int start;
  const char* typed;  // left in the field without Return before the clicks
  const char* clicks;
  int value;
};

class PreferenceStepper : public PreferenceWindow,
                          public ::testing::WithParamInterface<std::tuple<bool, StepperCase>> {};

TEST_P(PreferenceStepper, ClicksWriteTheFieldStoreAndAnnounce) {
  const auto& [reconnection, c] = GetParam();
  writeUserFile(c.start, 1, c.start, 1);
  open();
  NSNumbericTextField* field =
      reconnection ? pane()->autoReconnectIntervalField() : pane()->sequenceIntervalField();
  Stepper* stepper = reconnection ? pane()->autoReconnectIntervalStepper() : pane()->sequenceIntervalStepper();
  if (*c.typed) typeInto(field, QString::fromUtf8(c.typed), false);
  const std::string clicks = c.clicks;
  for (char click : clicks)
    QTest::mouseClick(click == 'u' ? stepper->upButton() : stepper->downButton(), Qt::LeftButton);

  EXPECT_EQ(field->text(), QString::number(c.value));
  EXPECT_EQ(stepper->value(), c.value);
  const QString key = reconnection ? IntervalKey : SequenceKey;
  EXPECT_TRUE(stored(folder_, key) == integer(c.value));
  ASSERT_EQ(posted_->posted().size(), clicks.size()) << "one announcement per click";
  EXPECT_TRUE(isInteger(carried(posted_->last(), key), c.value));
}

INSTANTIATE_TEST_SUITE_P(Cases, PreferenceStepper,
                         ::testing::Combine(::testing::Bool(),
                                            ::testing::Values(StepperCase{"UpFromTen", 10, "", "u", 11},
                                                              StepperCase{"DownFromTen", 10, "", "d", 9},
                                                              StepperCase{"TwiceUp", 10, "", "uu", 12},
                                                              StepperCase{"UpAtSixty", 60, "", "u", 60},
                                                              StepperCase{"DownAtFive", 5, "", "d", 5},
                                                              StepperCase{"OverATypedThree", 10, "3", "u", 11})),
                         [](const ::testing::TestParamInfo<std::tuple<bool, StepperCase>>& info) {
                           return std::string(std::get<0>(info.param) ? "Reconnection" : "Sequence") +
                                  std::get<1>(info.param).name;
                         });

TEST_F(PreferenceWindow, ReconnectionCheckBoxTogglesTheFieldAndAnnouncesTheFieldsNumber) {
  writeUserFile(10, 1, 15, 1);
  open();
  QCheckBox* checkBox = pane()->autoReconnectCheckBox();

  QTest::mouseClick(checkBox, Qt::LeftButton);
  EXPECT_FALSE(checkBox->isChecked());
  EXPECT_FALSE(pane()->autoReconnectIntervalField()->isEnabled());
  EXPECT_EQ(pane()->autoReconnectState(), 0);
  EXPECT_TRUE(stored(folder_, FlagKey) == integer(0));
  EXPECT_TRUE(stored(folder_, IntervalKey) == integer(15));
  ASSERT_EQ(posted_->names(), std::vector<std::string>{PreferenceAutoReconnectNotification});
  EXPECT_TRUE(isInteger(carried(posted_->last(), FlagKey), 0));
  EXPECT_TRUE(isInteger(carried(posted_->last(), IntervalKey), 15));

  // The keyboard works the same way.
  checkBox->setFocus();
  QTest::keyClick(checkBox, Qt::Key_Space);
  EXPECT_TRUE(checkBox->isChecked());
  EXPECT_TRUE(pane()->autoReconnectIntervalField()->isEnabled());
  EXPECT_TRUE(stored(folder_, FlagKey) == integer(1));
  ASSERT_EQ(posted_->posted().size(), 2u);
  EXPECT_TRUE(isInteger(carried(posted_->last(), FlagKey), 1));
  EXPECT_TRUE(isInteger(carried(posted_->last(), IntervalKey), 15));
  EXPECT_EQ(controller_->autoReconnectInterval(), 15.0);
  expectForeignKeysKept("the reconnection checkbox");
}

TEST_F(PreferenceWindow, AspectCheckBoxIsStoredAndAnnounced) {
  open();
  QTest::mouseClick(pane()->aspectRatioCheckBox(), Qt::LeftButton);
  EXPECT_TRUE(stored(folder_, AspectKey) == integer(0));
  ASSERT_EQ(posted_->names(), std::vector<std::string>{PreferenceAspectRatioNotification});
  EXPECT_TRUE(isInteger(carried(posted_->last(), AspectKey), 0));
  EXPECT_FALSE(controller_->aspectRatio());
  QTest::mouseClick(pane()->aspectRatioCheckBox(), Qt::LeftButton);
  EXPECT_TRUE(stored(folder_, AspectKey) == integer(1));
  EXPECT_TRUE(isInteger(carried(posted_->last(), AspectKey), 1));
}

TEST_F(PreferenceWindow, ClosingAnnouncesAspectReconnectionSequenceAndWritesAllFourKeys) {
  // A file with none of the four keys: the close writes every one of them.
  folder_.write(test::foreignValues());
  PreferenceController& controller = open();
  QTest::mouseClick(pane()->aspectRatioCheckBox(), Qt::LeftButton);
  QTest::mouseClick(pane()->sequenceIntervalStepper()->upButton(), Qt::LeftButton);
  posted_->clear();

  controller.close();
  EXPECT_FALSE(controller.isVisible());
  ASSERT_EQ(posted_->names(), (std::vector<std::string>{PreferenceAspectRatioNotification,
                                                        PreferenceAutoReconnectNotification,
                                                        PreferenceSequenceNotification}));
  EXPECT_TRUE(isInteger(carried(posted_->posted()[0], AspectKey), 0));
  EXPECT_TRUE(isInteger(carried(posted_->posted()[1], FlagKey), 1));
  EXPECT_TRUE(isInteger(carried(posted_->posted()[1], IntervalKey), 10));
  EXPECT_TRUE(isInteger(carried(posted_->posted()[2], SequenceKey), 11));
  EXPECT_TRUE(stored(folder_, AspectKey) == integer(0));
  EXPECT_TRUE(stored(folder_, FlagKey) == integer(1));
  EXPECT_TRUE(stored(folder_, IntervalKey) == integer(10));
  EXPECT_TRUE(stored(folder_, SequenceKey) == integer(11));
  expectForeignKeysKept("closing");
}

TEST_F(PreferenceWindow, EveryCloseSavesAgain) {
  PreferenceController& controller = open();
  controller.close();
  ASSERT_EQ(posted_->posted().size(), 3u);
  controller.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&controller));
  QApplication::setActiveWindow(&controller);
  controller.close();
  EXPECT_EQ(posted_->posted().size(), 6u);
  EXPECT_EQ(posted_->names()[3], PreferenceAspectRatioNotification);
}

TEST_F(PreferenceWindow, ClosingValidatesAFieldLeftBeingEdited) {
  PreferenceController& controller = open();
  typeInto(pane()->sequenceIntervalField(), "3", false);
  typeInto(pane()->autoReconnectIntervalField(), "61", false);
  controller.close();
  const std::vector<std::string> names = posted_->names();
  ASSERT_GE(names.size(), 3u);
  EXPECT_EQ(std::vector<std::string>(names.end() - 3, names.end()),
            (std::vector<std::string>{PreferenceAspectRatioNotification, PreferenceAutoReconnectNotification,
                                      PreferenceSequenceNotification}))
      << "the close's three come last";
  EXPECT_EQ(pane()->sequenceIntervalField()->text(), "10");
  EXPECT_EQ(pane()->autoReconnectIntervalField()->text(), "10");
  EXPECT_TRUE(stored(folder_, SequenceKey) == integer(10));
  EXPECT_TRUE(stored(folder_, IntervalKey) == integer(10));
  EXPECT_TRUE(isInteger(carried(posted_->last(), SequenceKey), 10));
}

TEST_F(PreferenceWindow, EscapeDoesNotCloseTheWindowBehindTheSave) {
  PreferenceController& controller = open();
  typeInto(pane()->sequenceIntervalField(), "30", false);
  QTest::keyClick(pane()->sequenceIntervalField(), Qt::Key_Escape);
  QTest::keyClick(&controller, Qt::Key_Escape);
  EXPECT_TRUE(controller.isVisible());
  // Whatever Escape did to the edit, closing saves what the field holds.
  controller.close();
  EXPECT_TRUE(stored(folder_, SequenceKey) == integer(pane()->sequenceIntervalStepper()->value()));
  EXPECT_EQ(pane()->sequenceIntervalField()->text(), QString::number(pane()->sequenceIntervalStepper()->value()));
}

TEST_F(PreferenceWindow, GoingAwayWithAFieldBeingEditedRunsNoAction) {
  writeUserFile(20, 1, 10, 1);
  const QByteArray before = folder_.bytes();
  open();
  typeInto(pane()->sequenceIntervalField(), "30", false);
  posted_->clear();
  // Going away is no close: nothing is saved or announced, and nothing runs on the
  // controller while it is being destroyed.
  controller_.reset();
  EXPECT_TRUE(posted_->posted().empty());
  EXPECT_EQ(folder_.bytes(), before);
}

TEST_F(PreferenceWindow, UnwritableFolderIsLoggedAndLosesNothing) {
  writeUserFile(20, 1, 10, 1);
  const QByteArray before = folder_.bytes();
  open();
  test::LogCapture log;
  {
    test::UnwritableFolder unwritable(folder_.folder());
    if (!unwritable.holds()) GTEST_SKIP() << "this user can write into any folder";
    typeInto(pane()->sequenceIntervalField(), "30");
    EXPECT_EQ(folder_.bytes(), before) << "the file is as it was";
    EXPECT_EQ(controller_->sequenceInterval(), 20) << "readers see the last value written";
  }
  EXPECT_TRUE(log.contains("Cannot write the preferences"));
  EXPECT_EQ(pane()->sequenceIntervalField()->text(), "30") << "the operator's value stays in the window";
  ASSERT_FALSE(posted_->posted().empty());
  EXPECT_TRUE(isInteger(carried(posted_->last(), SequenceKey), 30));
  // Once the folder takes files again, the close saves what the window holds.
  controller_->close();
  EXPECT_TRUE(stored(folder_, SequenceKey) == integer(30));
  expectForeignKeysKept("the unwritable folder");
}

TEST_F(PreferenceWindow, EveryActionKeepsTheOtherKeysAndTheirTypes) {
  writeUserFile(10, 1, 10, 1);
  open();
  typeInto(pane()->sequenceIntervalField(), "20");
  expectForeignKeysKept("the sequence field");
  QTest::mouseClick(pane()->sequenceIntervalStepper()->downButton(), Qt::LeftButton);
  expectForeignKeysKept("the sequence stepper");
  typeInto(pane()->autoReconnectIntervalField(), "30");
  expectForeignKeysKept("the reconnection field");
  QTest::mouseClick(pane()->autoReconnectIntervalStepper()->upButton(), Qt::LeftButton);
  expectForeignKeysKept("the reconnection stepper");
  QTest::mouseClick(pane()->autoReconnectCheckBox(), Qt::LeftButton);
  expectForeignKeysKept("the reconnection checkbox");
  QTest::mouseClick(pane()->aspectRatioCheckBox(), Qt::LeftButton);
  expectForeignKeysKept("the aspect checkbox");
  controller_->close();
  expectForeignKeysKept("closing");
  EXPECT_EQ(folder_.onDisk().keys().mid(0, test::foreignValues().keys().size()), test::foreignValues().keys())
      << "keys keep their places";
  EXPECT_EQ(controller_->sequenceInterval(), 19);
  EXPECT_EQ(controller_->autoReconnectInterval(), 31.0);
  EXPECT_FALSE(controller_->autoReconnectFlag());
  EXPECT_FALSE(controller_->aspectRatio());
}

TEST(PreferenceValues, FromDecimalText) {
  const std::pair<const char*, std::optional<PropertyListValue>> cases[] = {
      {"10", PropertyListValue::integer(10)},  {"-5", PropertyListValue::integer(-5)},
      {"007", PropertyListValue::integer(7)},  {"5.9", PropertyListValue::real(5.9)},
      {" 12 ", PropertyListValue::integer(12)}, {"", std::nullopt},
      {"ab", std::nullopt},                     {"1,000", std::nullopt},
      {"12ab", std::nullopt},                   {"inf", std::nullopt},
      {"nan", std::nullopt},
  };
  for (const auto& [text, expected] : cases)
    EXPECT_TRUE(PreferenceController::valueFromString(QString::fromUtf8(text)) == expected) << text;
}

TEST_F(PreferenceWindow, ValidationLetsARealThroughByItsInteger) {
  open();
  const auto value = controller_->validateValue(PropertyListValue::real(5.9), SequenceKey);
  EXPECT_TRUE(value == PropertyListValue::real(5.9));
  EXPECT_EQ(pane()->sequenceIntervalStepper()->value(), 5);
  EXPECT_TRUE(controller_->validateValue(PropertyListValue::integer(0), AspectKey) == integer(0))
      << "other keys pass as they came";
  EXPECT_FALSE(controller_->validateValue(std::nullopt, FlagKey));
}

}  // namespace
}  // namespace zelvo
