#include "ViewControllers/Controls/Stepper.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <climits>

#include "support/Wait.h"

namespace zelvo {
namespace {

struct StepCase {
  const char* name;
  int minimum, maximum, step, start;
  const char* clicks;  // 'u' up, 'd' down
  int value;
};

class StepperClicks : public ::testing::TestWithParam<StepCase> {};

TEST_P(StepperClicks, StepWithinTheBoundsAndSendTheActionEveryTime) {
  const StepCase& c = GetParam();
  Stepper stepper;
  stepper.setMinimum(c.minimum);
  stepper.setMaximum(c.maximum);
  stepper.setSingleStep(c.step);
  stepper.setValue(c.start);
  stepper.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&stepper));
  QSignalSpy activated(&stepper, &Stepper::activated);
  const std::string clicks = c.clicks;
  for (char click : clicks)
    QTest::mouseClick(click == 'u' ? stepper.upButton() : stepper.downButton(), Qt::LeftButton);
  EXPECT_EQ(stepper.value(), c.value);
  EXPECT_EQ(stepper.text(), QString::number(c.value));
  EXPECT_EQ(activated.count(), static_cast<int>(clicks.size()));
}

INSTANTIATE_TEST_SUITE_P(Cases, StepperClicks,
                         ::testing::Values(StepCase{"UpFromTen", 5, 60, 1, 10, "u", 11},
                                           StepCase{"DownFromTen", 5, 60, 1, 10, "d", 9},
                                           StepCase{"ThreeUpOneDown", 5, 60, 1, 10, "uuud", 12},
                                           StepCase{"UpAtSixtyStays", 5, 60, 1, 60, "u", 60},
                                           StepCase{"DownAtFiveStays", 5, 60, 1, 5, "dd", 5},
                                           StepCase{"StepOfFiveStopsAtTheBound", 0, 12, 5, 0, "uuu", 12},
                                           StepCase{"NearTheEndsOfInt", INT_MIN, INT_MAX, 1000, INT_MAX - 1, "u",
                                                    INT_MAX}),
                         [](const ::testing::TestParamInfo<StepCase>& info) { return std::string(info.param.name); });

TEST(Stepper, SetValueKeepsWithinTheBoundsWithoutTheAction) {
  Stepper stepper;
  stepper.setMinimum(5);
  stepper.setMaximum(60);
  QSignalSpy activated(&stepper, &Stepper::activated);
  QSignalSpy changed(&stepper, &Stepper::valueChanged);
  stepper.setValue(3);
  EXPECT_EQ(stepper.value(), 5);
  stepper.setValue(61);
  EXPECT_EQ(stepper.value(), 60);
  stepper.setValue(60);
  EXPECT_EQ(changed.count(), 1) << "only a change is announced";
  EXPECT_EQ(activated.count(), 0) << "the action is the operator's";
}

TEST(Stepper, BoundsMoveTheValueAndEachOther) {
  Stepper stepper;
  stepper.setValue(3);
  stepper.setMinimum(5);
  EXPECT_EQ(stepper.value(), 5);
  stepper.setMaximum(4);
  EXPECT_EQ(stepper.minimum(), 4);
  EXPECT_EQ(stepper.value(), 4);
  stepper.setSingleStep(0);
  EXPECT_EQ(stepper.singleStep(), 1);
}

TEST(Stepper, HoldingAButtonRepeats) {
  Stepper stepper;
  stepper.setMinimum(5);
  stepper.setMaximum(60);
  stepper.setValue(10);
  stepper.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&stepper));
  QTest::mousePress(stepper.upButton(), Qt::LeftButton);
  EXPECT_TRUE(test::waitUntil([&] { return stepper.value() >= 13; }));
  QTest::mouseRelease(stepper.upButton(), Qt::LeftButton);
  EXPECT_FALSE(stepper.upButton()->isDown()) << "the release ends the repeat";
}

TEST(Stepper, ArrowKeysStepItWithTheFocus) {
  Stepper stepper;
  stepper.setMinimum(5);
  stepper.setMaximum(60);
  stepper.setValue(10);
  QSignalSpy activated(&stepper, &Stepper::activated);
  QTest::keyClick(&stepper, Qt::Key_Up);
  QTest::keyClick(&stepper, Qt::Key_Up);
  QTest::keyClick(&stepper, Qt::Key_Down);
  EXPECT_EQ(stepper.value(), 11);
  EXPECT_EQ(activated.count(), 3);
}

TEST(Stepper, DisabledIgnoresClicks) {
  Stepper stepper;
  stepper.setMaximum(60);
  stepper.setValue(10);
  stepper.setEnabled(false);
  stepper.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&stepper));
  QSignalSpy activated(&stepper, &Stepper::activated);
  QTest::mouseClick(stepper.upButton(), Qt::LeftButton);
  EXPECT_EQ(stepper.value(), 10);
  EXPECT_EQ(activated.count(), 0);
}

}  // namespace
}  // namespace zelvo
